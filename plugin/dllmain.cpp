/* Windows load and unload hooks (process attach and detach) */
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "module_life.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    switch (reason) {
    case DLL_PROCESS_ATTACH: CreateGameTable(); break;
    case DLL_PROCESS_DETACH: ReleaseGameTable(); break;
    default: break; /* thread notifications need nothing */
    }
    return TRUE; /* even without a table: the queries then answer NOT_FOUND */
}
