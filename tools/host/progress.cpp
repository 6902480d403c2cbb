/* Progress (one line on a terminal's standard error while rows are answered) */
#include "progress.h"

#include <stdio.h>

#include "platform.h"
#include "text.h"

static const uint64_t kInterval = 200; /* milliseconds */

void StartProgress(Progress *p, bool terminal, size_t total, Language language) {
    *p = Progress();
    p->language = language;
    p->terminal = terminal;
    p->total = total;
    p->last = Milliseconds();
}

std::string ProgressText(const Progress &p) {
    std::string line = p.total != 0 ? Say(p.language, M_PROGRESS_OF, {std::to_string(p.answered), std::to_string(p.total)})
                                    : Say(p.language, M_PROGRESS, {std::to_string(p.answered)});
    uint64_t bytes = p.hashed + p.current;
    char megabytes[32];
    snprintf(megabytes, sizeof megabytes, "%.1f", (double)bytes / 1e6);
    return line + (bytes != 0 ? Say(p.language, M_PROGRESS_READ, {megabytes}) : "");
}

void DrawProgress(Progress *p) {
    if (!p->terminal) return;
    uint64_t now = Milliseconds();
    if (now - p->last < kInterval) return;
    p->last = now;
    std::string line = ProgressText(*p);
    std::string text = "\r" + line;
    size_t width = DisplayWidth(line);
    if (width < p->length) text += std::string(p->length - width, ' ');
    p->length = width; /* in columns: a Japanese line is rubbed out whole */
    p->shown = WriteAll(stderr, text.data(), text.size()) == WRITTEN;
}

void ClearProgress(Progress *p) {
    if (!p->shown) return;
    std::string blank = "\r" + std::string(p->length, ' ') + "\r";
    WriteAll(stderr, blank.data(), blank.size());
    p->shown = false;
}
