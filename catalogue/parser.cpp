/* Catalogue parser (fills the game table from the catalogue text, once) */
#include "parser.h"

#include <string.h>

#include "game_table.h"
#include "genres.h"
#include "memory.h"

/* Line kinds in the order they are tested: the first one a line holds wins. */
enum LineKind {
    LINE_END_OF_GAMES,
    LINE_TITLE,
    LINE_GENRE,
    LINE_PUBLISHER,
    LINE_DATE,
    LINE_COMMENT,
    LINE_CRC32,
    LINE_END_OF_GAME,
    LINE_OTHER
};

struct LineTag {
    const char *opening;
    size_t openingLength;
    const char *closing;
    size_t closingLength;
};

#define TAG(s) s, sizeof(s) - 1

static const LineTag lineTags[LINE_OTHER] = {
    {TAG("</games>"), TAG("")},
    {TAG("<title>"), TAG("</title>")},
    {TAG("<genre>"), TAG("</genre>")},
    {TAG("<publisher>"), TAG("</publisher>")},
    {TAG("<date>"), TAG("</date>")},
    {TAG("<comment>"), TAG("</comment>")},
    {TAG("<crc32>"), TAG("</crc32>")},
    {TAG("</game>"), TAG("")},
};

struct TextView {
    const char *start;
    size_t length;
};

/* The kind of tag that starts at p, told apart by its first letters. */
static LineKind TagAt(const char *p, const char *end) {
    size_t rest = (size_t)(end - p);
    LineKind kind;
    if (rest < 2) return LINE_OTHER;
    switch (p[1]) {
    case 't': kind = LINE_TITLE; break;
    case 'g': kind = LINE_GENRE; break;
    case 'p': kind = LINE_PUBLISHER; break;
    case 'd': kind = LINE_DATE; break;
    case 'c': kind = (rest > 2 && p[2] == 'o') ? LINE_COMMENT : LINE_CRC32; break;
    case '/': kind = (rest > 6 && p[6] == 's') ? LINE_END_OF_GAMES : LINE_END_OF_GAME; break;
    default: return LINE_OTHER;
    }
    const LineTag *tag = &lineTags[kind];
    if (rest < tag->openingLength || memcmp(p, tag->opening, tag->openingLength) != 0)
        return LINE_OTHER;
    return kind;
}

/* One pass over the line's '<' marks finds every tag it holds; the kind
   tested first wins, and *opening is where its first occurrence stands. */
static LineKind ClassifyLine(const char *line, const char *end, const char **opening) {
    const char *first[LINE_OTHER] = {NULL};
    const char *p = line;
    while ((p = (const char *)memchr(p, '<', (size_t)(end - p))) != NULL) {
        LineKind kind = TagAt(p, end);
        if (kind != LINE_OTHER && first[kind] == NULL) {
            first[kind] = p;
            if (kind == LINE_END_OF_GAMES) break; /* nothing outranks it */
        }
        p++;
    }
    for (int kind = 0; kind < LINE_OTHER; kind++) {
        if (first[kind] != NULL) {
            *opening = first[kind];
            return (LineKind)kind;
        }
    }
    return LINE_OTHER;
}

static const char *FindText(const char *from, const char *end, const char *text, size_t length) {
    while ((size_t)(end - from) >= length) {
        from = (const char *)memchr(from, text[0], (size_t)(end - from) - length + 1);
        if (from == NULL) return NULL;
        if (memcmp(from, text, length) == 0) return from;
        from++;
    }
    return NULL;
}

/* The value between the opening tag at `opening` and the first closing tag
   after it. A line without the closing tag has no value. */
static bool ExtractTagValue(const LineTag *tag, const char *opening, const char *lineEnd,
                            TextView *value) {
    const char *start = opening + tag->openingLength;
    const char *close = FindText(start, lineEnd, tag->closing, tag->closingLength);
    if (close == NULL) return false;
    value->start = start;
    value->length = (size_t)(close - start);
    return true;
}

/* Copies as much of the value as the field holds; the rest of a key field
   is zeroed so that keys compare as whole fields. */
static void StoreText(char *field, size_t capacity, TextView value) {
    size_t length = value.length < capacity - 1 ? value.length : capacity - 1;
    memcpy(field, value.start, length);
    field[length] = '\0';
}

static void StoreKey(char *field, TextView value) {
    memset(field, 0, KEY_FIELD_SIZE);
    StoreText(field, KEY_FIELD_SIZE, value);
}

static bool IsSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

/* The year is the first four bytes of the date read as a decimal integer. */
static int32_t ReadYear(TextView date) {
    size_t end = date.length < 4 ? date.length : 4;
    size_t i = 0;
    int32_t sign = 1, year = 0;
    while (i < end && IsSpace(date.start[i])) i++;
    if (i < end && (date.start[i] == '+' || date.start[i] == '-')) {
        if (date.start[i] == '-') sign = -1;
        i++;
    }
    for (; i < end && date.start[i] >= '0' && date.start[i] <= '9'; i++)
        year = year * 10 + (date.start[i] - '0');
    return sign * year;
}

static void StoreGenre(GameRecord *record, TextView code) {
    const char *name = GenreName(code.start, code.length);
    if (name != NULL) { /* an unlisted code keeps the earlier genre */
        TextView text = {name, strlen(name)};
        StoreText(record->genre, sizeof record->genre, text);
    }
}

/* Handles one line; false when the parse must stop there. */
static bool HandleLine(const char *line, const char *end) {
    GameRecord *record = &gameTable.records[gameTable.count];
    const char *opening = NULL;
    TextView value;
    LineKind kind = ClassifyLine(line, end, &opening);
    switch (kind) {
    case LINE_END_OF_GAMES: return false;
    case LINE_END_OF_GAME: return ++gameTable.count < MAX_GAMES; /* the table is full */
    case LINE_OTHER: return true;
    default: break;
    }
    if (!ExtractTagValue(&lineTags[kind], opening, end, &value)) return true;
    switch (kind) {
    case LINE_TITLE: StoreText(record->title, sizeof record->title, value); break;
    case LINE_GENRE: StoreGenre(record, value); break;
    case LINE_PUBLISHER: StoreText(record->publisher, sizeof record->publisher, value); break;
    case LINE_DATE: record->year = ReadYear(value); break;
    case LINE_COMMENT: StoreText(record->comment, sizeof record->comment, value); break;
    case LINE_CRC32: StoreKey(record->crc32, value); break;
    default: break;
    }
    return true;
}

/* Lines end at a line feed or at the end of the text; only the first
   MAX_LINE_LENGTH bytes of each are examined. */
static void ParseLines(const char *text, const char *textEnd) {
    const char *line = text;
    for (;;) {
        const char *feed = (const char *)memchr(line, '\n', (size_t)(textEnd - line));
        const char *lineEnd = feed != NULL ? feed : textEnd;
        const char *examinedEnd = lineEnd - line > MAX_LINE_LENGTH ? line + MAX_LINE_LENGTH : lineEnd;
        if (!HandleLine(line, examinedEnd) || feed == NULL) return;
        line = feed + 1;
    }
}

void LoadCatalogue(const char *catalogueText) {
    if (gameTable.count != 0 || !GameTableReady()) return;
    if (catalogueText == NULL) catalogueText = "";
    size_t size = strlen(catalogueText) + 1;
    char *copy = (char *)AllocateBytes(size); /* the host's text stays untouched */
    if (copy == NULL) return;                 /* a later query tries again */
    memcpy(copy, catalogueText, size);
    ParseLines(copy, copy + size - 1);
    ReleaseMemory(copy);
}
