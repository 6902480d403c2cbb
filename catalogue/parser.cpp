/* Catalogue parser (fills the game table from the catalogue text, once) */
#include "parser.h"

#include <string.h>

#include "game_index.h"
#include "game_table.h"
#include "lines.h"
#include "memory.h"

/* Counts the game filled at *filling; false once the table is full. The
   index is the parse's own, so no other call can move it past the table.
   The record after the next is fetched ahead: filling records is otherwise
   a cache miss per field. */
static bool FinishGame(GameRecord *records, int32_t *filling) {
    int32_t finished = ++*filling;
    IndexGame(records, finished - 1);
    StoreShared(&gameTable.count, finished);
    if (finished >= MAX_GAMES) return false;
    if (finished + 1 < MAX_GAMES) {
        GameRecord *ahead = &records[finished + 1];
        __builtin_prefetch(ahead->title, 1);
        __builtin_prefetch(ahead->crc32, 1);
        __builtin_prefetch(ahead->genre + 16, 1);
        __builtin_prefetch(ahead->publisher, 1);
        __builtin_prefetch(&ahead->year, 1);
        __builtin_prefetch(ahead->comment + 32, 1);
    }
    return true;
}

static void ParseLines(const char *text, const char *end, GameRecord *records) {
    LineReader reader;
    CatalogueLine line;
    int32_t filling = 0;
    StartReading(&reader, text, end);
    while (ReadLine(&reader, &line)) {
        if (line.kind == LINE_END_OF_GAMES) return; /* nothing else on its line counts */
        if (line.kind == LINE_END_OF_GAME) {
            if (!FinishGame(records, &filling)) return;
        } else if (line.kind != LINE_OTHER) {
            ApplyLine(&line, &records[filling]);
        }
    }
}

void LoadCatalogue(const char *catalogueText) {
    GameRecord *records;
    if (LoadShared(&gameTable.count) != 0 || (records = GameTableReady()) == NULL) return;
    if (catalogueText == NULL) catalogueText = "";
    size_t size = strlen(catalogueText) + 1;
    char *copy = (char *)AllocateBytes(size + TEXT_PADDING); /* the host's text stays untouched */
    if (copy == NULL) return;                                /* a later query tries again */
    memcpy(copy, catalogueText, size);
    memset(copy + size, 0, TEXT_PADDING);
    ParseLines(copy, copy + size - 1, records);
    EndGameIndex(records, LoadShared(&gameTable.count));
    ReleaseMemory(copy);
}
