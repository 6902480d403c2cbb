/* Game index (the finished records' crc32 keys hashed to record numbers) */
#include "game_index.h"

#include "memory.h"

GameIndex *gameIndex = NULL;

static_assert(INDEX_SLOTS <= 65536 && MAX_GAMES < 65535, "slots and record numbers fit 16 bits");

void CreateGameIndex(void) {
    if (gameIndex == NULL) gameIndex = (GameIndex *)AllocateZeroed(sizeof(GameIndex));
}

void ReleaseGameIndex(void) {
    ReleaseMemory(gameIndex);
    gameIndex = NULL;
}

/* Slots are read and written whole: a host that breaks the one-call rule
   may see an entry come or go, never half of one. */
static uint32_t SlotAt(const GameIndex *index, uint32_t slot) {
    return __atomic_load_n(&index->slots[slot], __ATOMIC_RELAXED);
}

/* Walks from the key's home slot to the first empty one. Returns the first
   entry for the key among records 0 to limit - 1, or -1 with *empty set to
   that empty slot (INDEX_SLOTS when there is none). */
static int32_t Probe(const GameIndex *index, const GameRecord *records, int32_t limit,
                     KeyWords key, uint32_t hash, uint32_t *empty) {
    uint32_t slot = HomeSlot(hash);
    for (uint32_t probes = 0; probes < INDEX_SLOTS; probes++) {
        uint32_t held = SlotAt(index, slot);
        if (held == 0) {
            *empty = slot;
            return -1;
        }
        int32_t number = (int32_t)(held & 0xFFFF) - 1;
        if ((held >> 16) == (hash & 0xFFFF) && number >= 0 && number < limit) {
            __builtin_prefetch(records[number].title); /* the answer's line, fetched beside the key's */
            if (SameKey(records[number].crc32, key)) return number;
        }
        slot = (slot + 1) & (INDEX_SLOTS - 1);
    }
    *empty = INDEX_SLOTS;
    return -1;
}

/* Racing parses may reach the same empty slot: only one of them fills it,
   and the other probes on, so no entry is lost. */
static bool Claim(GameIndex *index, uint32_t slot, uint32_t entry) {
    uint32_t none = 0;
    if (!__atomic_compare_exchange_n(&index->slots[slot], &none, entry, false, __ATOMIC_RELAXED,
                                     __ATOMIC_RELAXED))
        return false;
    int32_t used = LoadShared(&index->used);
    if ((uint32_t)used < MAX_GAMES) { /* always, unless parses race */
        index->filled[used] = (uint16_t)slot;
        StoreShared(&index->used, used + 1);
    }
    return true;
}

void EmptyGameIndex(void) {
    GameIndex *index = gameIndex;
    if (index == NULL) return;
    int32_t used = LoadShared(&index->used);
    for (int32_t i = 0; i < used && i < MAX_GAMES; i++) /* not the whole index: most parses fill little */
        __atomic_store_n(&index->slots[index->filled[i] & (INDEX_SLOTS - 1)], 0u, __ATOMIC_RELAXED);
    StoreShared(&index->used, 0);
}

static void EnterGame(GameIndex *index, const GameRecord *records, int32_t number) {
    KeyWords key = KeyOf(records[number].crc32);
    uint32_t hash = KeyHash(key), empty;
    while (Probe(index, records, number + 1, key, hash, &empty) < 0 && empty < INDEX_SLOTS)
        if (Claim(index, empty, hash << 16 | (uint32_t)(number + 1))) return;
}

void IndexGame(const GameRecord *records, int32_t number) {
    GameIndex *index = gameIndex;
    if (index == NULL) return;
    if (number == 0) EmptyGameIndex();
    __builtin_prefetch(&index->slots[HomeSlot(KeyHash(KeyOf(records[number].crc32)))], 1);
    if (number > 0) EnterGame(index, records, number - 1);
}

void EndGameIndex(const GameRecord *records, int32_t count) {
    GameIndex *index = gameIndex;
    if (index != NULL && count > 0 && count <= MAX_GAMES) EnterGame(index, records, count - 1);
}

int32_t IndexedGame(const GameRecord *records, int32_t count, KeyWords key) {
    const GameIndex *index = gameIndex;
    if (index == NULL) return NOT_INDEXED;
    uint32_t empty;
    return Probe(index, records, count, key, KeyHash(key), &empty);
}
