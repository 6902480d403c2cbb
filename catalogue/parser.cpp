/* Catalogue parser (fills the game table from the catalogue text, once) */
#include "parser.h"

#include <string.h>

#include "game_index.h"
#include "memory.h"

void CopyPadded(char *copy, const char *text, size_t length) {
    memcpy(copy, text, length);
    memset(copy + length, 0, 1 + TEXT_PADDING);
}

void LoadCatalogue(const char *catalogueText) {
    GameRecord *records;
    if (LoadShared(&gameTable.count) != 0 || (records = GameTableReady()) == NULL) return;
    if (catalogueText == NULL) catalogueText = "";
    size_t length = strlen(catalogueText);
    char *copy = (char *)AllocateBytes(PaddedSize(length)); /* the host's text stays untouched */
    if (copy == NULL) return;                               /* a later query tries again */
    CopyPadded(copy, catalogueText, length);
    LineReader reader;
    CatalogueLine line;
    ParseState parse;
    StartReading(&reader, copy, copy + length);
    StartParse(&parse, records, &gameTable.count);
    ParseEffect effect = PARSE_SKIPPED;
    while (effect < PARSE_FULL && ReadLine(&reader, &line)) {
        effect = ParseStep(&parse, &line);
        if (effect == PARSE_FINISHED || effect == PARSE_FULL) IndexGame(records, parse.filling - 1);
    }
    EndGameIndex(records, parse.filling);
    ReleaseMemory(copy);
}
