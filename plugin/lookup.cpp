/* Lookup (the game a normalised key names, and the answer copied to the host) */
#include "lookup.h"

#include <string.h>

#include "game_index.h"

static int32_t ScanGames(const GameRecord *records, int32_t count, KeyWords key) {
    for (int32_t i = 0; i < count; i++)
        if (SameKey(records[i].crc32, key)) return i;
    return -1;
}

const GameRecord *FindGame(const char normalized[KEY_FIELD_SIZE]) {
    const GameRecord *records = gameTable.records;
    if (records == NULL) return NULL;
    KeyWords key = KeyOf(normalized);
    int32_t hit = LoadShared(&gameTable.lastHit), count = LoadShared(&gameTable.count);
    if (hit >= 0 && hit < MAX_GAMES && SameKey(records[hit].crc32, key)) return &records[hit];
    int32_t found = IndexedGame(records, count, key);
    if (found == NOT_INDEXED) found = ScanGames(records, count, key);
    if (found < 0) return NULL;
    StoreShared(&gameTable.lastHit, found);
    return &records[found];
}

int32_t AnswerText(const char *text, int32_t size, char **out, int32_t copyFlag) {
    if (copyFlag != 0 && out != NULL && *out != NULL) memcpy(*out, text, (size_t)size);
    return size;
}
