/* Shared-object load and unload hooks (process attach and detach) */
#include "game_table.h"

__attribute__((constructor)) static void OnLoad(void) {
    CreateGameTable();
}

__attribute__((destructor)) static void OnUnload(void) {
    ReleaseGameTable();
}
