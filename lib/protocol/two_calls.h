/* Two calls (a text answer as a host takes it: the size, then a copy) */
#ifndef PLINOR_TWO_CALLS_H
#define PLINOR_TWO_CALLS_H

#include <stdint.h>

#include <string>

#include "plinorinfo.h"

/* What the two calls gave. Each caller judges it: a host trusts only the
   text, a test or a fuzz target checks every promise. */
struct TwoCalls {
    int32_t size;      /* the size call's answer: NOT_FOUND, or the bytes the text needs */
    int32_t copied;    /* the copy call's answer; made only when size is at least 1 */
    bool terminated;   /* the copy ends with its only NUL where the size says */
    std::string text;  /* the copy up to its first NUL, never past the buffer */
};

/* The size call passes sizeOut (which it must not touch; null will do); the
   copy goes into a buffer of exactly the size, its bytes set to 0x7F
   first, so that a missing terminator or a longer copy shows. */
TwoCalls TwoCallText(PlinorTextQuery query, const char *catalogue, const char *key, char **sizeOut = 0);
TwoCalls TwoCallIdentity(PlinorIdentityText query, char **sizeOut = 0);

#endif
