/* Module life (process attach and detach: the game table and its index, made and released together) */
#include "module_life.h"

#include "game_index.h"
#include "game_table.h"

void CreateGameTable(void) {
    if (ReserveGameRecords()) CreateGameIndex(); /* not for a table a second attach finds filled */
}

void ReleaseGameTable(void) {
    ReleaseGameRecords();
    ReleaseGameIndex();
}
