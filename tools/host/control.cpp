/* Control (what every stage may ask of the run, or tell it, while it works) */
#include "control.h"

#include "platform.h"

bool Stopping(const Control *c) {
    return InterruptRequested() || c->output->gone;
}

bool Interrupted(const Control *) {
    return InterruptRequested();
}

Language LanguageOf(const Control *c) {
    return c->output->language;
}

void Working(Control *c, uint64_t bytes) {
    c->progress->current = bytes;
    DrawProgress(c->progress);
    FlushIfDue(c->output);
}

void Waiting(Control *c) {
    Flush(c->output);
}

void Warn(Control *c, const std::string &message) {
    Tell(c->output, Say(c->output->language, M_WARNING, {message}));
}
