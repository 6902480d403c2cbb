/* Fuzzing helpers: a fresh module life and every query asked both ways */
#ifndef PLINOR_FUZZ_QUERIES_H
#define PLINOR_FUZZ_QUERIES_H

#include <stddef.h>

/* An empty table for each input, as a detach and attach would leave it. */
void FreshModule(void);

/* Asks every text query with the size call and the copy call (into a buffer
   of exactly the returned size), the year and the identity exports, and
   traps on any broken promise: sizes disagreeing, a copy not terminated
   where its size says, a size past a field, state out of its bounds, a
   game other than the one a scan finds. */
void AskEverything(const char *catalogue, const char *key);

/* A NUL-terminated copy of size bytes of data, on the heap with no slack,
   so that reading past the terminator is caught. */
char *TerminatedCopy(const unsigned char *data, size_t size);

#endif
