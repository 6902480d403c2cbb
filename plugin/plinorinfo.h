/* Plinor catalogue plug-in: the eight exports, for hosts written in C or C++.

   Text queries use two calls: first with copyFlag 0 to learn the size the
   answer needs (terminator included), then with copyFlag set and *out
   pointing to a buffer of at least that size. With copyFlag 0 the plug-in
   never touches out. A key that no game has gives NOT_FOUND.

   Call it one call at a time: the plug-in keeps one unguarded table and no
   locks. Overlapping calls from several threads may get wrong answers, but
   never make it write outside its table or the buffers it is given. */
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

/* Game queries: catalogueText is the whole data.dat text, key the game's
   CRC-32 in hexadecimal, reserved is ignored. */
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

/* Identity: version 100, author and a one-line Shift_JIS description. */
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
