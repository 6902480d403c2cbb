/* Catalogue lines (the line rules: what each line of data.dat does) */
#ifndef PLINOR_LINES_H
#define PLINOR_LINES_H

#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "game_table.h"

enum { MAX_LINE_LENGTH = 259 }; /* bytes of a line that are examined */

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

struct TextView {
    const char *start;
    size_t length;
};

/* One line as the parse sees it. */
struct CatalogueLine {
    const char *start, *end; /* the line, without its line feed */
    const char *limit;       /* the end of the part examined: at most MAX_LINE_LENGTH bytes */
    LineKind kind;           /* the lowest-ranked tag within the examined part */
    const char *opening;     /* its first occurrence */
    const char *next;        /* the first '<' after it: where its closing tag should be */
    unsigned marks;          /* how many '<' the whole line holds */
};

/* Reads a text line by line, eight bytes a step, stopping only at each '<'
   and line feed. */
struct LineReader {
    const char *word, *end, *lineStart;
    uint64_t marks; /* the current word's '<' and line feeds not yet handled */
    bool done;
};

enum { TEXT_PADDING = 8 }; /* zero bytes the text must have after its terminator */

/* A line kind's opening and closing tags ("" for none). */
const char *OpeningTag(LineKind kind);
const char *ClosingTag(LineKind kind);

/* The value between the line's tags: false when its closing tag does not
   end within the examined part, and the line then sets nothing. */
bool LineValue(const CatalogueLine *line, TextView *value);

/* The year: the first four bytes of the date read as a decimal integer. */
int32_t ReadYear(TextView date);

/* What a field line (title to crc32) does to the game being filled; false
   when it sets nothing (no closing tag, or an unlisted genre code). */
bool ApplyLine(const CatalogueLine *line, GameRecord *record);

/* The same, for a value already taken from a line of that kind. */
bool ApplyValue(LineKind kind, TextView value, GameRecord *record);

/* The reader, inline: it is the parse's inner loop. */

/* Tags are kept zero-padded to 16 bytes so that they compare a word at a time. */
struct LineTag {
    char opening[16];
    size_t openingLength;
    char closing[16];
    size_t closingLength;
};

#define TAG(s) s, sizeof(s) - 1

/* The format's other tags: no line kind, so the plug-in skips their lines;
   writers write them, and the checker tells by "<game>" that a game begins. */
static const char GAMES_OPENING_TAG[] = "<games>", GAME_OPENING_TAG[] = "<game>";

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

static inline uint64_t Word(const char *p) {
    uint64_t word;
    memcpy(&word, p, 8);
    return word;
}

/* Whether p starts with a tag of 6 to 16 bytes. Reads eight bytes at p and
   at p + length - 8: the text is padded for the first. */
static inline bool StartsWithTag(const char *p, const char *tag, size_t length) {
    uint64_t mask = length >= 8 ? ~0ull : (1ull << (8 * length)) - 1;
    if (((Word(p) ^ Word(tag)) & mask) != 0) return false;
    return length <= 8 || Word(p + length - 8) == Word(tag + length - 8);
}

/* The kind of line-kind tag that starts at p, if it ends before limit:
   told apart by the tag's next letters, then compared whole. */
static inline LineKind TagAt(const char *p, const char *limit) {
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

#if !defined(__BYTE_ORDER__) || __BYTE_ORDER__ != __ORDER_LITTLE_ENDIAN__
#error "the scan takes the first byte of a word as its lowest"
#endif

static const uint64_t LOW_SEVEN = 0x7F7F7F7F7F7F7F7Full, ONES = 0x0101010101010101ull;

/* The high bit of each byte of word that equals c, and of no other byte. */
static inline uint64_t BytesEqual(uint64_t word, unsigned char c) {
    uint64_t x = word ^ (c * ONES);
    return ~(((x & LOW_SEVEN) + LOW_SEVEN) | x | LOW_SEVEN);
}

static inline uint64_t MarksIn(const char *word) {
    uint64_t bytes = Word(word); /* may read into the padding, never past it */
    return BytesEqual(bytes, '<') | BytesEqual(bytes, '\n');
}

static inline void StartLine(CatalogueLine *line, const char *start, const char *textEnd) {
    line->start = start;
    line->limit = textEnd - start > MAX_LINE_LENGTH ? start + MAX_LINE_LENGTH : textEnd;
    line->kind = LINE_OTHER;
    line->opening = line->next = NULL;
    line->marks = 0;
}

/* Notes a '<' at p: a tag of lower rank takes the line; any other '<' may
   start the closing tag. */
static inline void SeeMark(CatalogueLine *line, const char *p) {
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

/* end is the text's terminator, followed by TEXT_PADDING zero bytes. */
static inline void StartReading(LineReader *reader, const char *text, const char *end) {
    reader->word = text;
    reader->end = end;
    reader->lineStart = text;
    reader->marks = text < end ? MarksIn(text) : 0;
    reader->done = false;
}

/* The next line, or false at the end of the text; a last line without a
   line feed is read like any other. */
static inline bool ReadLine(LineReader *reader, CatalogueLine *line) {
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

#endif
