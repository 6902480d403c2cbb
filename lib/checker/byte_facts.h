/* Byte facts (whether a text is UTF-8, and a line's first byte that is not Shift_JIS, a piece at a time) */
#ifndef PLINOR_BYTE_FACTS_H
#define PLINOR_BYTE_FACTS_H

#include <stddef.h>

/* Whether the bytes read so far are UTF-8: a character split between
   pieces is held until its last byte comes. */
struct Utf8Stream {
    unsigned char held[4];
    size_t heldLength;
    bool valid;
};

void StartUtf8(Utf8Stream *s);
void ReadUtf8(Utf8Stream *s, const unsigned char *p, size_t n);

/* True when the whole text was UTF-8: nothing was left half a character. */
bool EndUtf8(const Utf8Stream *s);

/* The first character of a line that a host shows as U+FFFD, by text.h's
   rule (Utf8FromShiftJis): a byte that starts no character, or a pair that
   code page 932 leaves unassigned. A lead byte that ends a piece waits for
   the next. */
struct ShiftJisStream {
    size_t offset; /* of the next byte, in the line */
    int lead;      /* a lead byte waiting for its trail, or -1 */
    bool found;
    size_t faultAt, faultLength; /* the first fault, once found */
    unsigned char faultBytes[2];
};

void StartShiftJis(ShiftJisStream *s, size_t offset);
void ReadShiftJis(ShiftJisStream *s, const unsigned char *p, size_t n);

/* The line has ended: a lead byte still waiting is a fault of its own. */
void EndShiftJis(ShiftJisStream *s);

#endif
