/* Progress (one line on a terminal's standard error while rows are answered) */
#include "progress.h"

#include <stdio.h>

#include "platform.h"

static const uint64_t kInterval = 200; /* milliseconds */

void StartProgress(Progress *p, bool terminal, size_t total) {
    *p = Progress();
    p->terminal = terminal;
    p->total = total;
    p->last = Milliseconds();
}

std::string ProgressText(const Progress &p) {
    char line[128];
    int n = p.total != 0 ? snprintf(line, sizeof line, "%zu of %zu answered", p.answered, p.total)
                         : snprintf(line, sizeof line, "%zu answered", p.answered);
    uint64_t bytes = p.hashed + p.current;
    if (bytes != 0) snprintf(line + n, sizeof line - (size_t)n, ", %.1f MB read", (double)bytes / 1e6);
    return line;
}

void DrawProgress(Progress *p) {
    if (!p->terminal) return;
    uint64_t now = Milliseconds();
    if (now - p->last < kInterval) return;
    p->last = now;
    std::string line = ProgressText(*p);
    std::string text = "\r" + line;
    if (line.size() < p->length) text += std::string(p->length - line.size(), ' ');
    p->length = line.size();
    p->shown = WriteAll(stderr, text.data(), text.size()) == WRITTEN;
}

void ClearProgress(Progress *p) {
    if (!p->shown) return;
    std::string blank = "\r" + std::string(p->length, ' ') + "\r";
    WriteAll(stderr, blank.data(), blank.size());
    p->shown = false;
}
