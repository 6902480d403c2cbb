/* Catalogue parser (fills the game table from the catalogue text, once) */
#include "parser.h"

#include <stdint.h>
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

/* Tags are kept zero-padded to 16 bytes so that they compare a word at a time. */
struct LineTag {
    char opening[16];
    size_t openingLength;
    char closing[16];
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

static uint64_t Word(const char *p) {
    uint64_t word;
    memcpy(&word, p, 8);
    return word;
}

/* Whether p starts with a tag of 6 to 16 bytes. Reads eight bytes at p and
   at p + length - 8: the text's copy is padded for the first. */
static bool StartsWithTag(const char *p, const char *tag, size_t length) {
    uint64_t mask = length >= 8 ? ~0ull : (1ull << (8 * length)) - 1;
    if (((Word(p) ^ Word(tag)) & mask) != 0) return false;
    return length <= 8 || Word(p + length - 8) == Word(tag + length - 8);
}

/* The kind of tag that starts at p ('<'), told apart by its next letters; a
   tag counts only if it ends before limit. */
static LineKind TagAt(const char *p, const char *limit) {
    LineKind kind;
    switch (p[1]) { /* p[1] is at worst the text's terminator */
    case 't': kind = LINE_TITLE; break;
    case 'g': kind = LINE_GENRE; break;
    case 'p': kind = LINE_PUBLISHER; break;
    case 'd': kind = LINE_DATE; break;
    case 'c': kind = p[2] == 'o' ? LINE_COMMENT : LINE_CRC32; break;
    case '/': kind = LINE_END_OF_GAME; break;
    default: return LINE_OTHER;
    }
    const LineTag *tag = &lineTags[kind], *games = &lineTags[LINE_END_OF_GAMES];
    size_t rest = (size_t)(limit - p);
    if (kind == LINE_END_OF_GAME && rest >= games->openingLength &&
        StartsWithTag(p, games->opening, games->openingLength))
        return LINE_END_OF_GAMES;
    if (rest < tag->openingLength || !StartsWithTag(p, tag->opening, tag->openingLength))
        return LINE_OTHER;
    return kind;
}

/* The value between the opening tag at `opening` and the first closing tag
   after it; `next` is the first '<' after the opening tag, or null. A line
   without the closing tag has no value. */
static bool ExtractTagValue(const LineTag *tag, const char *opening, const char *next,
                            const char *lineEnd, TextView *value) {
    for (const char *p = next; p != NULL && p + tag->closingLength <= lineEnd; p++) {
        if (*p == '<' && StartsWithTag(p, tag->closing, tag->closingLength)) {
            value->start = opening + tag->openingLength;
            value->length = (size_t)(p - value->start);
            return true;
        }
    }
    return false;
}

/* Copies as much of the value as the field holds. */
static void StoreText(char *field, size_t capacity, TextView value) {
    size_t length = value.length < capacity - 1 ? value.length : capacity - 1;
    size_t i = 0;
    for (; i + 8 <= length; i += 8) /* values are short: words beat a block copy's start-up */
        memcpy(field + i, value.start + i, 8);
    for (; i < length; i++) field[i] = value.start[i];
    field[length] = '\0';
}

/* The rest of a key field is zeroed so that keys compare as whole fields. */
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

/* Counts the game; false once the table is full. The record after the next
   is fetched ahead: filling records is otherwise a cache miss per field. */
static bool FinishGame(void) {
    if (++gameTable.count >= MAX_GAMES) return false;
    if (gameTable.count + 1 < MAX_GAMES) {
        GameRecord *ahead = &gameTable.records[gameTable.count + 1];
        __builtin_prefetch(ahead->title, 1);
        __builtin_prefetch(ahead->crc32, 1);
        __builtin_prefetch(ahead->genre + 16, 1);
        __builtin_prefetch(ahead->publisher, 1);
        __builtin_prefetch(&ahead->year, 1);
        __builtin_prefetch(ahead->comment + 32, 1);
    }
    return true;
}

/* What the scan has learnt of the current line. */
struct LineScan {
    const char *limit;   /* the end of the part examined */
    LineKind kind;       /* the lowest-ranked tag seen so far */
    const char *opening; /* its first occurrence */
    const char *next;    /* the first '<' after it: where its closing tag should be */
};

static void StartLine(LineScan *scan, const char *line, const char *end) {
    scan->limit = end - line > MAX_LINE_LENGTH ? line + MAX_LINE_LENGTH : end;
    scan->kind = LINE_OTHER;
    scan->opening = scan->next = NULL;
}

/* Acts on a finished line; false when the parse must stop. */
static bool HandleLine(const LineScan *scan, const char *lineEnd) {
    GameRecord *record = &gameTable.records[gameTable.count];
    const char *end = lineEnd < scan->limit ? lineEnd : scan->limit;
    TextView value;
    if (scan->kind == LINE_OTHER) return true;
    if (scan->kind == LINE_END_OF_GAME) return FinishGame(); /* "</games>" never gets here */
    if (!ExtractTagValue(&lineTags[scan->kind], scan->opening, scan->next, end, &value)) return true;
    switch (scan->kind) {
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

/* Notes a '<' at p; false when it ends the parse. */
static bool SeeMark(LineScan *scan, const char *p) {
    if (p >= scan->limit) return true; /* past the examined part */
    LineKind tag = TagAt(p, scan->limit);
    if (tag < scan->kind) {
        if (tag == LINE_END_OF_GAMES) return false; /* nothing else on its line counts */
        scan->kind = tag;
        scan->opening = p;
        scan->next = NULL;
    } else if (scan->next == NULL) {
        scan->next = p;
    }
    return true;
}

#if !defined(__BYTE_ORDER__) || __BYTE_ORDER__ != __ORDER_LITTLE_ENDIAN__
#error "the scan takes the first byte of a word as its lowest"
#endif

enum { WORD_PADDING = 8 }; /* zero bytes after the copy's terminator */

static const uint64_t LOW_SEVEN = 0x7F7F7F7F7F7F7F7Full, ONES = 0x0101010101010101ull;

/* The high bit of each byte of word that equals c, and of no other byte. */
static uint64_t BytesEqual(uint64_t word, unsigned char c) {
    uint64_t x = word ^ (c * ONES);
    return ~(((x & LOW_SEVEN) + LOW_SEVEN) | x | LOW_SEVEN);
}

/* One pass over the text, eight bytes a step, stopping only at each '<'
   and line feed. A line's kind is the lowest-ranked tag among those in its
   first MAX_LINE_LENGTH bytes. */
static void ParseLines(const char *text, const char *end) {
    LineScan scan;
    StartLine(&scan, text, end);
    for (const char *word = text; word < end; word += 8) {
        uint64_t bytes;
        memcpy(&bytes, word, 8); /* may read into the padding, never past it */
        for (uint64_t marks = BytesEqual(bytes, '<') | BytesEqual(bytes, '\n'); marks != 0;
             marks &= marks - 1) {
            const char *p = word + __builtin_ctzll(marks) / 8;
            if (*p == '<') {
                if (!SeeMark(&scan, p)) return;
            } else {
                if (!HandleLine(&scan, p)) return;
                StartLine(&scan, p + 1, end);
            }
        }
    }
    HandleLine(&scan, end); /* a last line without a line feed */
}

void LoadCatalogue(const char *catalogueText) {
    if (gameTable.count != 0 || !GameTableReady()) return;
    if (catalogueText == NULL) catalogueText = "";
    size_t size = strlen(catalogueText) + 1;
    char *copy = (char *)AllocateBytes(size + WORD_PADDING); /* the host's text stays untouched */
    if (copy == NULL) return;                                /* a later query tries again */
    memcpy(copy, catalogueText, size);
    memset(copy + size, 0, WORD_PADDING);
    ParseLines(copy, copy + size - 1);
    ReleaseMemory(copy);
}
