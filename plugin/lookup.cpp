/* Lookup (the game a normalised key names, and the answer copied to the host) */
#include "lookup.h"

#include <stdint.h>
#include <string.h>

/* A key field as two words. Both sides are zero after their terminator,
   so comparing whole fields compares the texts. */
struct KeyWords {
    uint64_t low, high;
};

static KeyWords KeyOf(const char *field) {
    KeyWords k;
    memcpy(&k.low, field, 8);
    memcpy(&k.high, field + 8, 8);
    return k;
}

static bool SameKey(const char *field, KeyWords key) {
    KeyWords k = KeyOf(field);
    return ((k.low ^ key.low) | (k.high ^ key.high)) == 0;
}

const GameRecord *FindGame(const char normalized[KEY_FIELD_SIZE]) {
    const GameRecord *records = gameTable.records;
    if (records == NULL) return NULL;
    KeyWords key = KeyOf(normalized);
    int32_t hit = LoadShared(&gameTable.lastHit), count = LoadShared(&gameTable.count);
    if (hit >= 0 && hit < MAX_GAMES && SameKey(records[hit].crc32, key)) return &records[hit];
    for (int32_t i = 0; i < count; i++) {
        if (SameKey(records[i].crc32, key)) {
            StoreShared(&gameTable.lastHit, i);
            return &records[i];
        }
    }
    return NULL;
}

int32_t AnswerText(const char *text, int32_t size, char **out, int32_t copyFlag) {
    if (copyFlag != 0 && out != NULL && *out != NULL) memcpy(*out, text, (size_t)size);
    return size;
}
