/* Fuzzing helpers: a fresh module life and every query asked both ways */
#include "fuzz_queries.h"

#include <stdlib.h>
#include <string.h>

#include "game_index.h"
#include "game_table.h"
#include "keys.h"
#include "module_life.h"
#include "plinorinfo.h"
#include "two_calls.h"

#define REQUIRE(cond) \
    do {              \
        if (!(cond)) __builtin_trap(); \
    } while (0)

enum { FULL_RESET_EVERY = 256 };

static bool TableIsZero(void) {
    const unsigned char *p = (const unsigned char *)gameTable.records;
    return p[0] == 0 && memcmp(p, p + 1, sizeof(GameRecord) * MAX_GAMES - 1) == 0;
}

/* Emptying the slots the index lists, as the next parse does, must empty
   it whole. */
static bool IndexEmptiesWhole(void) {
    if (gameIndex == NULL) return true;
    EmptyGameIndex();
    const unsigned char *p = (const unsigned char *)gameIndex->slots;
    return p[0] == 0 && memcmp(p, p + 1, sizeof gameIndex->slots - 1) == 0;
}

/* A parse writes only the finished records and the one after them, so
   clearing those is as good as a new table, without reallocating 21 MB per
   input; the next parse empties the index itself. Every FULL_RESET_EVERY
   inputs the whole table is checked for stray writes, the index for slots
   that would stay filled, and the module really detaches and attaches. */
void FreshModule(void) {
    static unsigned inputs = 0;
    if (gameTable.records != NULL) {
        int32_t touched = gameTable.count < MAX_GAMES ? gameTable.count + 1 : MAX_GAMES;
        memset(gameTable.records, 0, sizeof(GameRecord) * (size_t)touched);
        gameTable.count = 0;
        gameTable.lastHit = -1;
        if (++inputs % FULL_RESET_EVERY != 0) return;
        REQUIRE(TableIsZero()); /* nothing was written past the records cleared */
        REQUIRE(IndexEmptiesWhole());
    }
    ReleaseGameTable();
    CreateGameTable();
}

char *TerminatedCopy(const unsigned char *data, size_t size) {
    char *text = (char *)malloc(size + 1);
    memcpy(text, data, size);
    text[size] = '\0';
    return text;
}

static void CheckState(void) {
    REQUIRE(gameTable.count >= 0 && gameTable.count <= MAX_GAMES);
    REQUIRE(gameTable.lastHit >= -1 && gameTable.lastHit < gameTable.count);
}

/* The record a lookup must answer from: the last hit it began with if its
   key matches, else the first with the key, found by a scan; -1 for none. */
static int32_t RecordByScan(const char *key, int32_t hit) {
    char normalized[KEY_FIELD_SIZE];
    const GameRecord *records = gameTable.records;
    if (records == NULL || !NormalizeKey(key, normalized)) return -1;
    if (hit >= 0 && memcmp(records[hit].crc32, normalized, KEY_FIELD_SIZE) == 0) return hit;
    for (int32_t i = 0; i < gameTable.count; i++)
        if (memcmp(records[i].crc32, normalized, KEY_FIELD_SIZE) == 0) return i;
    return -1;
}

static void AskText(PlinorTextQuery query, const char *catalogue, const char *key) {
    TwoCalls calls = TwoCallText(query, catalogue, key, (char **)16); /* the size call must not touch out */
    CheckState();
    if (calls.size == NOT_FOUND) {
        char untouched = 'u', *out = &untouched;
        REQUIRE(query(catalogue, key, 0, &out, 1) == NOT_FOUND && untouched == 'u');
        return;
    }
    REQUIRE(calls.size >= 1 && calls.size <= TEXT_FIELD_SIZE);
    REQUIRE(calls.copied == calls.size && calls.terminated);
}

static void AskIdentity(PlinorIdentityText query, int32_t expected) {
    TwoCalls calls = TwoCallIdentity(query, (char **)16);
    REQUIRE(calls.size == expected && calls.copied == expected && calls.terminated);
}

/* The year, asked before the last hit is this key's game: the lookup must
   answer from the record a scan names. */
static int32_t AskYear(const char *catalogue, const char *key) {
    int32_t lastHit = gameTable.lastHit;
    int32_t year = GetYear(catalogue, key, 0), expected = RecordByScan(key, lastHit);
    if (expected < 0) REQUIRE(year == NOT_FOUND && gameTable.lastHit == lastHit);
    else REQUIRE(year == gameTable.records[expected].year && gameTable.lastHit == expected);
    return year;
}

void AskEverything(const char *catalogue, const char *key) {
    int32_t year = AskYear(catalogue, key);
    AskText(GetTitle, catalogue, key);
    AskText(GetMaker, catalogue, key);
    AskText(GetGenre, catalogue, key);
    AskText(GetMemo, catalogue, key);
    int32_t title = GetTitle(catalogue, key, 0, NULL, 1);
    REQUIRE(title != NOT_FOUND || year == NOT_FOUND);
    REQUIRE(GetPluginVersion() == 100);
    AskIdentity(GetPluginAuthor, 4);
    AskIdentity(GetPluginInfo, 49);
    CheckState();
}
