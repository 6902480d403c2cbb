/* Game table (the module's one fixed table of game records and its life) */
#include "game_table.h"

#include "memory.h"

GameTable gameTable = {NULL, 0, -1};

/* Between attach and detach; only then may a query allocate a missing table. */
static bool attached = false;

static void AllocateTable(void) {
    gameTable.records = (GameRecord *)AllocateZeroed(sizeof(GameRecord) * MAX_GAMES);
    gameTable.count = 0;
}

void CreateGameTable(void) {
    attached = true;
    if (gameTable.records == NULL) AllocateTable();
    gameTable.lastHit = -1;
}

void ReleaseGameTable(void) {
    attached = false;
    ReleaseMemory(gameTable.records);
    gameTable.records = NULL;
    gameTable.count = 0;
    gameTable.lastHit = -1;
}

bool GameTableReady(void) {
    if (gameTable.records == NULL && attached) AllocateTable(); /* memory may be back */
    return gameTable.records != NULL;
}
