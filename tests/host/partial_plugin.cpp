/* A library that looks like the plug-in but lacks most exports: the host
   tool must refuse it cleanly */
#include "plinorinfo.h"

#ifdef _WIN32
#define EXPORTED __declspec(dllexport)
#else
#define EXPORTED
#endif

extern "C" EXPORTED int32_t PLINORINFO_CALL GetTitle(const char *, const char *, int32_t, char **,
                                                     int32_t) {
    return NOT_FOUND;
}
