/* Terminal text (the plug-in's Shift_JIS shown as UTF-8, and its width) */
#ifndef PLINORHOST_TEXT_H
#define PLINORHOST_TEXT_H

#include <string>

/* Converts Shift_JIS (code page 932) to UTF-8; a byte that is not
   Shift_JIS becomes U+FFFD, so the result is always valid UTF-8. */
std::string Utf8FromShiftJis(const std::string &sjis);

/* Columns a UTF-8 text takes on a terminal: East Asian wide characters
   take two. */
size_t DisplayWidth(const std::string &utf8);

#endif
