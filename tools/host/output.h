/* Output (rows to standard output, buffered and flushed in time; messages to standard error) */
#ifndef PLINORHOST_OUTPUT_H
#define PLINORHOST_OUTPUT_H

#include <stdint.h>
#include <stdio.h>

#include <string>

#include "messages.h"
#include "progress.h"

struct Output {
    ~Output();               /* no longer the one a crash writes */
    FILE *stream = stdout;   /* where the rows go: standard output, or -o's file */
    std::string pending;     /* whole rows not yet written */
    uint64_t since = 0;      /* when the oldest of them came, in milliseconds */
    bool rowsToTerminal = false;
    bool gone = false;       /* closed by its reader, or failed: nothing more is written */
    int status = 0;          /* EXIT_OUTPUT once gone */
    Progress *progress = NULL;
    Language language = LANGUAGE_EN;
};

/* Rows written before the process crashes (in a plug-in, say) are not lost. */
void StartOutput(Output *output, Progress *progress, Language language, FILE *stream);

/* From now on the rows go to this stream. */
void RowsTo(Output *output, FILE *stream);

/* Buffers whole rows, written at least every 100 ms and in large pieces. */
void Put(Output *output, const std::string &text);

/* The same for rows appended straight to the buffer: Rows() gives it, and
   Added() is told once they are whole. */
std::string *Rows(Output *output);
void Added(Output *output);

/* Writes what is due: called while a stage works, so rows never wait long. */
void FlushIfDue(Output *output);

/* Writes everything now; false once the output is gone. A closed pipe ends
   it quietly, any other failure says why. */
bool Flush(Output *output);

/* "plinorhost: " and the message, shown safely, on standard error, after
   the rows so far. */
void Tell(Output *output, const std::string &message);

/* The tool's own lines, as they are, on standard error. */
void TellLines(Output *output, const std::string &lines);

#endif
