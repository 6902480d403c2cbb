/* Catalogue parser (fills the game table from the catalogue text, once) */
#include "parser.h"

#include <string.h>

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
    while (ReadLine(&reader, &line) && ParseStep(&parse, &line) < PARSE_FULL) {}
    ReleaseMemory(copy);
}
