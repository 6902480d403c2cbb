/* Progress (one line on a terminal's standard error while rows are answered) */
#ifndef PLINORHOST_PROGRESS_H
#define PLINORHOST_PROGRESS_H

#include <stddef.h>
#include <stdint.h>

#include <string>

#include "messages.h"

struct Progress {
    bool terminal = false; /* standard error is one: the line may be drawn */
    bool shown = false;    /* the line is on the terminal now */
    size_t length = 0;     /* of the line shown */
    size_t answered = 0;
    size_t total = 0;      /* 0 when not known before the rows */
    uint64_t hashed = 0;   /* bytes of the files done */
    uint64_t current = 0;  /* bytes of the file being read */
    uint64_t last = 0;     /* when the line was drawn, in milliseconds */
    Language language = LANGUAGE_EN;
};

void StartProgress(Progress *progress, bool terminal, size_t total, Language language);

/* "3 of 10 answered, 1.2 MB read" */
std::string ProgressText(const Progress &progress);

/* Redraws the line, at most five times a second, from the first fifth of
   a second on, so that quick runs show none. */
void DrawProgress(Progress *progress);

/* Rubs the line out, before anything else reaches the terminal, and at the end. */
void ClearProgress(Progress *progress);

#endif
