/* A plug-in that answers every key with one made-up game, and crashes when
   asked about DEADDEAD: the host tool must have written every row before */
#include <string.h>

#include "plinorinfo.h"

#ifdef _WIN32
#define EXPORTED __declspec(dllexport)
#else
#define EXPORTED
#endif

static const char kAnswer[] = "Steady Game";

static int32_t Answer(const char *key, char **out, int32_t copyFlag) {
    if (key != NULL && strcmp(key, "DEADDEAD") == 0) *(volatile char *)NULL = 0;
    if (copyFlag != 0 && out != NULL && *out != NULL) memcpy(*out, kAnswer, sizeof kAnswer);
    return (int32_t)sizeof kAnswer;
}

#define TEXT_QUERY(name)                                                                                     \
    extern "C" EXPORTED int32_t PLINORINFO_CALL name(const char *, const char *key, int32_t, char **out,   \
                                                     int32_t copyFlag) {                                   \
        return Answer(key, out, copyFlag);                                                                  \
    }
TEXT_QUERY(GetTitle)
TEXT_QUERY(GetMaker)
TEXT_QUERY(GetGenre)
TEXT_QUERY(GetMemo)

extern "C" EXPORTED int32_t PLINORINFO_CALL GetYear(const char *, const char *, int32_t) {
    return 1990;
}

extern "C" EXPORTED int32_t PLINORINFO_CALL GetPluginVersion(void) {
    return 100;
}

extern "C" EXPORTED int32_t PLINORINFO_CALL GetPluginAuthor(char **out, int32_t copyFlag) {
    return Answer(NULL, out, copyFlag);
}

extern "C" EXPORTED int32_t PLINORINFO_CALL GetPluginInfo(char **out, int32_t copyFlag) {
    return Answer(NULL, out, copyFlag);
}
