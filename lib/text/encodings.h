/* Encodings (the byte rules of Shift_JIS and UTF-8, as catalogues and names meet them) */
#ifndef PLINOR_ENCODINGS_H
#define PLINOR_ENCODINGS_H

#include <stddef.h>
#include <stdint.h>

#include <string>

/* The length of the Shift_JIS (code page 932) character at p: 1 for ASCII
   and half-width katakana, 2 for a lead byte with a trail byte after it,
   0 for a byte that starts no character (0x80, 0xA0, 0xFD to 0xFF, or a
   lead byte without its trail). */
size_t ShiftJisLength(const unsigned char *p, size_t left);

/* A byte that starts a two-byte Shift_JIS character, when a trail byte follows. */
static inline bool IsShiftJisLead(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

/* The bytes a UTF-8 character starting with c takes, 0 for no such start. */
static inline size_t Utf8LeadLength(unsigned char c) {
    return c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
}

/* The length of the well-formed UTF-8 character at p, or 0; *codePoint
   gets its value. */
size_t Utf8Length(const unsigned char *p, size_t left, uint32_t *codePoint);

/* Appends a code point (at most U+10FFFF) as UTF-8. */
void AppendUtf8(uint32_t codePoint, std::string *out);

#endif
