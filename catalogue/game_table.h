/* Game table (the module's one fixed table of game records and its life) */
#ifndef PLINOR_GAME_TABLE_H
#define PLINOR_GAME_TABLE_H

#include <stddef.h>
#include <stdint.h>

enum {
    MAX_GAMES = 20000,
    TEXT_FIELD_SIZE = 260, /* 259 bytes and the terminator */
    KEY_FIELD_SIZE = 16    /* the crc32 field and the normalised key */
};

struct GameRecord {
    char title[TEXT_FIELD_SIZE];
    char crc32[KEY_FIELD_SIZE]; /* zero after its terminator, so it compares as 16 bytes */
    char genre[TEXT_FIELD_SIZE];
    char publisher[TEXT_FIELD_SIZE];
    int32_t year;
    char comment[TEXT_FIELD_SIZE];
};

struct GameTable {
    GameRecord *records; /* MAX_GAMES zero-filled records, or null */
    int32_t count;       /* finished records; only the parser adds to it */
    int32_t lastHit;     /* index of the last record found, or -1 */
};

extern GameTable gameTable;

/* count and lastHit are read and written whole, once per use: a host that
   breaks the one-call-at-a-time rule may then race, but no index taken from
   them can pass the table. Relaxed atomics are plain moves on x86. */
static inline int32_t LoadShared(const int32_t *value) {
    return __atomic_load_n(value, __ATOMIC_RELAXED);
}
static inline void StoreShared(int32_t *value, int32_t v) {
    __atomic_store_n(value, v, __ATOMIC_RELAXED);
}

/* Attach's part for the table: reserve the records unless there are some,
   and forget the last hit. True when there were none, so that whatever
   belongs to a new table is made with it. */
bool ReserveGameRecords(void);

/* Detach's part: give the records back and empty the table. */
void ReleaseGameRecords(void);

/* The table, or null; retries an allocation that failed at attach. */
GameRecord *GameTableReady(void);

#endif
