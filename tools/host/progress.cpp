/* Progress (one line on a terminal's standard error while rows are answered) */
#include "progress.h"

#include <stdio.h>

#include <string>

#include "platform.h"

static const std::chrono::milliseconds kInterval(200);

Progress StartProgress(size_t total) {
    return {false, IsTerminal(stderr), 0, 0, total, 0, 0, std::chrono::steady_clock::now()};
}

void ShowProgress(Progress *p) {
    if (!p->terminal) return;
    std::chrono::steady_clock::time_point now = std::chrono::steady_clock::now();
    if (now - p->last < kInterval) return;
    p->last = now;
    char line[128];
    int n = snprintf(line, sizeof line, "%zu of %zu answered", p->answered, p->total);
    uint64_t bytes = p->hashed + p->current;
    if (bytes != 0) n += snprintf(line + n, sizeof line - (size_t)n, ", %.1f MB read", (double)bytes / 1e6);
    std::string text = "\r" + std::string(line);
    if ((size_t)n < p->length) text += std::string(p->length - (size_t)n, ' ');
    p->length = (size_t)n;
    p->shown = WriteAll(stderr, text) == WRITTEN;
}

bool ShowHashing(uint64_t bytes, void *progress) {
    Progress *p = (Progress *)progress;
    p->current = bytes;
    ShowProgress(p);
    return !Interrupted();
}

void ClearProgress(Progress *p) {
    if (!p->shown) return;
    WriteAll(stderr, "\r" + std::string(p->length, ' ') + "\r");
    p->shown = false;
}
