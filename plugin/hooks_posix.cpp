/* Shared-object load and unload hooks (process attach and detach) */
#include "module_life.h"

__attribute__((constructor)) static void OnLoad(void) {
    CreateGameTable();
}

__attribute__((destructor)) static void OnUnload(void) {
    ReleaseGameTable();
}
