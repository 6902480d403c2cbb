/* Text for people (the plug-in's Shift_JIS as UTF-8, and any bytes shown safely) */
#ifndef PLINOR_TEXT_H
#define PLINOR_TEXT_H

#include <stddef.h>

#include <string>

/* Where the first U+FFFD came from: its bytes in the Shift_JIS text. */
struct ShiftJisFault {
    size_t offset, length; /* length 0: none */
};

/* Shift_JIS (code page 932) to UTF-8, by one rule on every platform: each
   byte that starts no character, and each pair the code page leaves
   unassigned, becomes one U+FFFD, and the next byte starts afresh. This is
   the rule by which the checker calls a byte not Shift_JIS. */
std::string Utf8FromShiftJis(const std::string &sjis, ShiftJisFault *first = NULL);

bool IsValidUtf8(const std::string &text);

/* Valid UTF-8: each byte that is not part of a well-formed character
   becomes U+FFFD. */
std::string ValidUtf8(const std::string &text);

/* A-Z as a-z; every other byte as it is. */
std::string AsciiLower(std::string text);

/* The bytes in lower-case hexadecimal. */
std::string HexBytes(const std::string &bytes);

/* Fit for a terminal: control characters (C0, DEL, C1, and the Unicode
   line separators and direction overrides) become escapes such as \x1b,
   \r or \u202e, and bytes that are not UTF-8 become \xNN. */
std::string Visible(const std::string &text);

/* Columns a UTF-8 text takes on a terminal: East Asian wide characters
   take two. */
size_t DisplayWidth(const std::string &utf8);

/* Whether every byte is printable ASCII, which shows as itself, a column each. */
bool IsPlainAscii(const std::string &text);

/* The columns of Visible(text), without making it when it is plain ASCII. */
size_t VisibleWidth(const std::string &text);

/* UTF-8 text cut to at most `width` columns, "..." in place of what is cut. */
std::string CutToWidth(const std::string &utf8, size_t width);

#endif
