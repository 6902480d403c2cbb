/* Output (rows to standard output, buffered and flushed in time; messages to standard error) */
#include "output.h"

#include <stdio.h>

#include "exit_status.h"
#include "platform.h"
#include "text.h"

static const uint64_t kFlushInterval = 100; /* milliseconds */
static const size_t kFlushSize = 64 << 10;

static Output *crashing = NULL; /* the one output whose rows a crash must not lose */

static void LastWords(void) {
    if (crashing != NULL && !crashing->gone) WriteAll(crashing->stream, crashing->pending.data(), crashing->pending.size());
}

Output::~Output() {
    if (crashing == this) crashing = NULL;
}

void StartOutput(Output *o, Progress *progress, Language language, FILE *stream) {
    o->language = language;
    o->stream = stream;
    o->pending.clear();
    o->pending.reserve(kFlushSize * 2);
    o->rowsToTerminal = IsTerminal(stream);
    o->gone = false;
    o->status = EXIT_OK;
    o->progress = progress;
    crashing = o;
    WhenCrashing(LastWords);
}

void RowsTo(Output *o, FILE *stream) {
    Flush(o);
    o->stream = stream;
    o->rowsToTerminal = IsTerminal(stream);
}

std::string *Rows(Output *o) {
    if (o->pending.empty()) o->since = Milliseconds();
    return &o->pending;
}

void Added(Output *o) {
    if (o->gone) o->pending.clear();
    else if (o->pending.size() >= kFlushSize) Flush(o);
    else FlushIfDue(o);
}

void Put(Output *o, const std::string &text) {
    *Rows(o) += text;
    Added(o);
}

void FlushIfDue(Output *o) {
    if (!o->pending.empty() && Milliseconds() - o->since >= kFlushInterval) Flush(o);
}

bool Flush(Output *o) {
    if (o->gone) return false;
    if (o->pending.empty()) return true;
    if (o->rowsToTerminal && o->progress != NULL) ClearProgress(o->progress);
    std::string error;
    WriteResult result = WriteAll(o->stream, o->pending.data(), o->pending.size(), &error);
    o->pending.clear();
    if (result == WRITTEN) return true;
    o->gone = true;
    o->status = EXIT_OUTPUT;
    if (result == WRITE_FAILED) Tell(o, Say(o->language, M_CANNOT_WRITE_OUTPUT, {error})); /* a closed pipe: quietly */
    return false;
}

void TellLines(Output *o, const std::string &lines) {
    Flush(o);
    if (o->progress != NULL) ClearProgress(o->progress);
    WriteAll(stderr, lines.data(), lines.size());
}

void Tell(Output *o, const std::string &message) {
    TellLines(o, "plinorhost: " + Visible(message) + "\n");
}
