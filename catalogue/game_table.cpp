/* Game table (the module's one fixed table of game records and its life) */
#include "game_table.h"

#include "memory.h"

GameTable gameTable = {NULL, 0, -1};

/* Between attach and detach; only then may a query allocate a missing table. */
static bool attached = false;

/* Racing first queries may both allocate: only one table is kept. */
static void AllocateTable(void) {
    GameRecord *fresh = (GameRecord *)AllocateZeroed(sizeof(GameRecord) * MAX_GAMES), *none = NULL;
    if (fresh == NULL) return;
    if (!__atomic_compare_exchange_n(&gameTable.records, &none, fresh, false, __ATOMIC_ACQ_REL,
                                     __ATOMIC_ACQUIRE))
        ReleaseMemory(fresh);
}

bool ReserveGameRecords(void) {
    attached = true;
    gameTable.lastHit = -1;
    if (gameTable.records != NULL) return false;
    AllocateTable();
    return true;
}

void ReleaseGameRecords(void) {
    attached = false;
    ReleaseMemory(gameTable.records);
    gameTable.records = NULL;
    gameTable.count = 0;
    gameTable.lastHit = -1;
}

GameRecord *GameTableReady(void) {
    if (__atomic_load_n(&gameTable.records, __ATOMIC_ACQUIRE) == NULL && attached)
        AllocateTable(); /* memory may be back */
    return __atomic_load_n(&gameTable.records, __ATOMIC_ACQUIRE);
}
