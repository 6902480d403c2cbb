/* plinorinfo: game facts from a Plinor data.dat catalogue, for hosts
   written in C or C++. This header is the whole contract between a host and
   the plug-in.

   Loading. A 32-bit Windows DLL (also built for 64-bit Windows, and as a
   Linux shared library). Its eight exports have exactly the names below,
   undecorated; on 32-bit Windows each is __stdcall. Every result is a
   32-bit signed integer. Loading creates an empty table of up to 20000
   games; unloading releases it, so the next load starts empty.

   The catalogue. Every game query passes the whole catalogue text,
   NUL-terminated, 8-bit, its lines ending in line feeds. The first query
   whose text finishes at least one game reads it into the table; from then
   on, until the plug-in is unloaded, the text passed in is not looked at,
   even if it differs. A game is finished by a line that holds "</game>"; a
   line holding "</games>" ends the reading, and so does the 20000th game.
   A text that finishes no game is read again by every query, and nothing
   is found. The host's text is never changed. A null text reads as empty.

   Keys. A key is NUL-terminated hexadecimal text, the game's CRC-32 as the
   catalogue writes it. It is matched exactly, byte for byte and in the
   catalogue's own letter case. A key of 5 to 7 characters is first padded
   with zeros on the left to 8 ("58DE32" asks for "0058DE32"); any other
   length is used as it is. A key of 16 or more characters, or a null key,
   finds nothing. Several games with one key: the first in the catalogue
   answers. The empty key finds the first game without a checksum.

   Text answers: two calls. Call with copyFlag 0: the result is the size of
   the answer in bytes, its terminating NUL included (so at least 1), and
   out is neither read nor written. Then make *out point to a buffer of at
   least that size and call again with any other copyFlag: the text and its
   NUL are copied into *out, and the same size is returned. The plug-in is
   not told the buffer's size, so a smaller buffer is overrun. A null out,
   or a null *out, copies nothing. An empty field is answered with size 1.

   NOT_FOUND (-512, 0xFFFFFE00) is every query's answer for a key that no
   finished game has, and nothing is copied then; also while the plug-in
   cannot have the memory it needs (it tries again at the next call).
   GetYear answers the year, the first four bytes of the catalogue's date
   read as a number: 0 when the game has no date; a date of -512 cannot be
   told from NOT_FOUND.

   Text is the catalogue's own bytes, unchanged: hosts expect Shift_JIS
   (code page 932); the genre names and the description from
   GetPluginInfo are Japanese, in Shift_JIS. Each game query's third
   argument, reserved, is ignored.

   Threads. Call the plug-in one call at a time: it keeps one unguarded
   table, a one-entry memory of the last game found and no locks.
   Overlapping calls from several threads may get wrong answers, but never
   make it write outside its table or the buffers it is given. */
#ifndef PLINORINFO_H
#define PLINORINFO_H

#include <stdint.h>

#if defined(_WIN32)
#define PLINORINFO_CALL __stdcall
#else
#define PLINORINFO_CALL
#endif

#if defined(PLINORINFO_BUILDING) && !defined(_WIN32)
#define PLINORINFO_API __attribute__((visibility("default")))
#else
#define PLINORINFO_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

enum { NOT_FOUND = -512 }; /* 0xFFFFFE00: no game has the key */

/* Game queries: title, maker (the publisher), genre, memo (the comment)
   and year of the game that has the key. */
PLINORINFO_API int32_t PLINORINFO_CALL GetTitle(const char *catalogueText, const char *key,
                                                int32_t reserved, char **out, int32_t copyFlag);
PLINORINFO_API int32_t PLINORINFO_CALL GetMaker(const char *catalogueText, const char *key,
                                                int32_t reserved, char **out, int32_t copyFlag);
PLINORINFO_API int32_t PLINORINFO_CALL GetGenre(const char *catalogueText, const char *key,
                                                int32_t reserved, char **out, int32_t copyFlag);
PLINORINFO_API int32_t PLINORINFO_CALL GetMemo(const char *catalogueText, const char *key,
                                               int32_t reserved, char **out, int32_t copyFlag);
PLINORINFO_API int32_t PLINORINFO_CALL GetYear(const char *catalogueText, const char *key,
                                               int32_t reserved);

/* Identity, at any time, without a catalogue: version 100; the author
   "Yrn" (size 4); a one-line description in Shift_JIS (size 49). */
PLINORINFO_API int32_t PLINORINFO_CALL GetPluginVersion(void);
PLINORINFO_API int32_t PLINORINFO_CALL GetPluginAuthor(char **out, int32_t copyFlag);
PLINORINFO_API int32_t PLINORINFO_CALL GetPluginInfo(char **out, int32_t copyFlag);

/* Pointer types for hosts that look the exports up at run time. */
typedef int32_t(PLINORINFO_CALL *PlinorTextQuery)(const char *catalogueText, const char *key,
                                                  int32_t reserved, char **out, int32_t copyFlag);
typedef int32_t(PLINORINFO_CALL *PlinorYearQuery)(const char *catalogueText, const char *key,
                                                  int32_t reserved);
typedef int32_t(PLINORINFO_CALL *PlinorVersionQuery)(void);
typedef int32_t(PLINORINFO_CALL *PlinorIdentityText)(char **out, int32_t copyFlag);

#ifdef __cplusplus
}
#endif

#endif
