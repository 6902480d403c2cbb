/* Game index (the finished records' crc32 keys hashed to record numbers) */
#ifndef PLINOR_GAME_INDEX_H
#define PLINOR_GAME_INDEX_H

#include <stdint.h>
#include <string.h>

#include "game_table.h"

enum {
    INDEX_BITS = 16,
    INDEX_SLOTS = 1 << INDEX_BITS, /* over three per game: probe runs stay short */
    NOT_INDEXED = -2               /* no index: the caller scans */
};

/* A key field as two words. Record fields and normalised keys are both zero
   after their terminator, so comparing whole fields compares the texts. */
struct KeyWords {
    uint64_t low, high;
};

static inline KeyWords KeyOf(const char *field) {
    KeyWords k;
    memcpy(&k.low, field, 8);
    memcpy(&k.high, field + 8, 8);
    return k;
}

static inline bool SameKey(const char *field, KeyWords key) {
    KeyWords k = KeyOf(field);
    return ((k.low ^ key.low) | (k.high ^ key.high)) == 0;
}

/* Every byte of the key reaches every bit: the top bits choose the home
   slot, and the low 16 are kept in the slot, so that most keys are told
   apart without reading their records. */
static inline uint32_t KeyHash(KeyWords key) {
    uint64_t h = key.low * 0x9E3779B97F4A7C15ull ^ key.high * 0xC2B2AE3D27D4EB4Full;
    h ^= h >> 29;
    h *= 0xBF58476D1CE4E5B9ull;
    return (uint32_t)(h >> 32);
}

static inline uint32_t HomeSlot(uint32_t hash) {
    return hash >> (32 - INDEX_BITS);
}

/* Open addressing, probing forward. A slot holds 0, or the low 16 bits of
   its key's hash above the record number plus 1. Only the first game with
   a key is entered, so the first entry that matches is the first game. */
struct GameIndex {
    uint32_t slots[INDEX_SLOTS];
    uint16_t filled[MAX_GAMES]; /* the slots filled since the parse began */
    int32_t used;               /* how many of them */
};

/* Made and released with the table; null when its memory could not be had. */
extern GameIndex *gameIndex;

/* Process attach, when it reserves the table: reserve the index unless
   there is one. Not retried later, since a table may be filled by then:
   without it lookups scan, with the same answers. */
void CreateGameIndex(void);
void ReleaseGameIndex(void);

/* Empties the slots the last parse filled. */
void EmptyGameIndex(void);

/* Game number of a parse has just been finished. The game before it is
   entered, unless an earlier game has its key, and this one's home slot is
   fetched, to be entered when the next game finishes: the fetch then
   overlaps the parse instead of stalling it. The first game of a parse
   empties the index first. */
void IndexGame(const GameRecord *records, int32_t number);

/* The parse has ended with count games finished: the last is entered. */
void EndGameIndex(const GameRecord *records, int32_t count);

/* The first of records 0 to count - 1 whose crc32 is the key, or -1; or
   NOT_INDEXED. Every number taken from a slot is checked against count, and
   every entry against its record's key. */
int32_t IndexedGame(const GameRecord *records, int32_t count, KeyWords key);

#endif
