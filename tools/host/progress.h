/* Progress (one line on a terminal's standard error while rows are answered) */
#ifndef PLINORHOST_PROGRESS_H
#define PLINORHOST_PROGRESS_H

#include <stddef.h>
#include <stdint.h>

#include <chrono>

struct Progress {
    bool shown;        /* the line is on the terminal now */
    bool terminal;     /* standard error is one */
    size_t length;     /* of the line shown */
    size_t answered, total;
    uint64_t hashed;   /* bytes of the files done */
    uint64_t current;  /* bytes of the file being read */
    std::chrono::steady_clock::time_point last;
};

Progress StartProgress(size_t total);

/* Redraws the line, at most five times a second, from the first fifth of
   a second on, so that quick runs show none. */
void ShowProgress(Progress *progress);

/* A file's bytes read so far; false once Ctrl-C asks to stop. */
bool ShowHashing(uint64_t bytes, void *progress);

/* Rubs the line out, before rows reach the same terminal, and at the end. */
void ClearProgress(Progress *progress);

#endif
