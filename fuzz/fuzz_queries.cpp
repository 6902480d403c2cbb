/* Fuzzing helpers: a fresh module life and every query asked both ways */
#include "fuzz_queries.h"

#include <stdlib.h>
#include <string.h>

#include "game_table.h"
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

/* A parse writes only the finished records and the one after them, so
   clearing those is as good as a new table, without reallocating 21 MB per
   input. Every FULL_RESET_EVERY inputs the whole table is checked for
   stray writes and the module really detaches and attaches. */
void FreshModule(void) {
    static unsigned inputs = 0;
    if (gameTable.records != NULL) {
        int32_t touched = gameTable.count < MAX_GAMES ? gameTable.count + 1 : MAX_GAMES;
        memset(gameTable.records, 0, sizeof(GameRecord) * (size_t)touched);
        gameTable.count = 0;
        gameTable.lastHit = -1;
        if (++inputs % FULL_RESET_EVERY != 0) return;
        REQUIRE(TableIsZero()); /* nothing was written past the records cleared */
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

void AskEverything(const char *catalogue, const char *key) {
    AskText(GetTitle, catalogue, key);
    AskText(GetMaker, catalogue, key);
    AskText(GetGenre, catalogue, key);
    AskText(GetMemo, catalogue, key);
    int32_t year = GetYear(catalogue, key, 0);
    int32_t title = GetTitle(catalogue, key, 0, NULL, 1);
    REQUIRE(title != NOT_FOUND || year == NOT_FOUND);
    REQUIRE(GetPluginVersion() == 100);
    AskIdentity(GetPluginAuthor, 4);
    AskIdentity(GetPluginInfo, 49);
    CheckState();
}
