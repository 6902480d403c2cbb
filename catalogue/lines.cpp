/* Catalogue lines (the line rules: what each line of data.dat does) */
#include "lines.h"

#include <string.h>

#include "genres.h"

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

const char *OpeningTag(LineKind kind) {
    return kind < LINE_OTHER ? lineTags[kind].opening : "";
}

const char *ClosingTag(LineKind kind) {
    return kind < LINE_OTHER ? lineTags[kind].closing : "";
}

static uint64_t Word(const char *p) {
    uint64_t word;
    memcpy(&word, p, 8);
    return word;
}

/* Whether p starts with a tag of 6 to 16 bytes. Reads eight bytes at p and
   at p + length - 8: the text is padded for the first. */
static bool StartsWithTag(const char *p, const char *tag, size_t length) {
    uint64_t mask = length >= 8 ? ~0ull : (1ull << (8 * length)) - 1;
    if (((Word(p) ^ Word(tag)) & mask) != 0) return false;
    return length <= 8 || Word(p + length - 8) == Word(tag + length - 8);
}

/* Told apart by the tag's next letters, then compared whole. */
LineKind TagAt(const char *p, const char *limit) {
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

bool LineValue(const CatalogueLine *line, TextView *value) {
    if (line->kind >= LINE_END_OF_GAME || line->kind == LINE_END_OF_GAMES) return false;
    const LineTag *tag = &lineTags[line->kind];
    const char *end = line->end < line->limit ? line->end : line->limit;
    for (const char *p = line->next; p != NULL && p + tag->closingLength <= end; p++) {
        if (*p == '<' && StartsWithTag(p, tag->closing, tag->closingLength)) {
            value->start = line->opening + tag->openingLength;
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

int32_t ReadYear(TextView date) {
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

static bool StoreGenre(GameRecord *record, TextView code) {
    const char *name = GenreName(code.start, code.length);
    if (name == NULL) return false; /* an unlisted code keeps the earlier genre */
    TextView text = {name, strlen(name)};
    StoreText(record->genre, sizeof record->genre, text);
    return true;
}

bool ApplyLine(const CatalogueLine *line, GameRecord *record) {
    TextView value;
    if (!LineValue(line, &value)) return false;
    switch (line->kind) {
    case LINE_TITLE: StoreText(record->title, sizeof record->title, value); return true;
    case LINE_GENRE: return StoreGenre(record, value);
    case LINE_PUBLISHER: StoreText(record->publisher, sizeof record->publisher, value); return true;
    case LINE_DATE: record->year = ReadYear(value); return true;
    case LINE_COMMENT: StoreText(record->comment, sizeof record->comment, value); return true;
    case LINE_CRC32: StoreKey(record->crc32, value); return true;
    default: return false;
    }
}

#if !defined(__BYTE_ORDER__) || __BYTE_ORDER__ != __ORDER_LITTLE_ENDIAN__
#error "the scan takes the first byte of a word as its lowest"
#endif

static const uint64_t LOW_SEVEN = 0x7F7F7F7F7F7F7F7Full, ONES = 0x0101010101010101ull;

/* The high bit of each byte of word that equals c, and of no other byte. */
static uint64_t BytesEqual(uint64_t word, unsigned char c) {
    uint64_t x = word ^ (c * ONES);
    return ~(((x & LOW_SEVEN) + LOW_SEVEN) | x | LOW_SEVEN);
}

static uint64_t MarksIn(const char *word) {
    uint64_t bytes = Word(word); /* may read into the padding, never past it */
    return BytesEqual(bytes, '<') | BytesEqual(bytes, '\n');
}

static void StartLine(CatalogueLine *line, const char *start, const char *textEnd) {
    line->start = start;
    line->limit = textEnd - start > MAX_LINE_LENGTH ? start + MAX_LINE_LENGTH : textEnd;
    line->kind = LINE_OTHER;
    line->opening = line->next = NULL;
    line->marks = 0;
}

/* Notes a '<' at p: a tag of lower rank takes the line; any other '<' may
   start the closing tag. */
static void SeeMark(CatalogueLine *line, const char *p) {
    line->marks++;
    if (p >= line->limit) return; /* past the examined part */
    LineKind tag = TagAt(p, line->limit);
    if (tag < line->kind) {
        line->kind = tag;
        line->opening = p;
        line->next = NULL;
    } else if (line->next == NULL) {
        line->next = p;
    }
}

void StartReading(LineReader *reader, const char *text, const char *end) {
    reader->word = text;
    reader->end = end;
    reader->lineStart = text;
    reader->marks = text < end ? MarksIn(text) : 0;
    reader->done = false;
}

bool ReadLine(LineReader *reader, CatalogueLine *line) {
    if (reader->done) return false;
    StartLine(line, reader->lineStart, reader->end);
    for (;;) {
        while (reader->marks == 0) {
            reader->word += 8;
            if (reader->word >= reader->end) {
                reader->done = true;
                line->end = reader->end;
                return line->start < line->end;
            }
            reader->marks = MarksIn(reader->word);
        }
        const char *p = reader->word + __builtin_ctzll(reader->marks) / 8;
        reader->marks &= reader->marks - 1;
        if (*p == '<') {
            SeeMark(line, p);
        } else {
            line->end = p;
            reader->lineStart = p + 1;
            return true;
        }
    }
}
