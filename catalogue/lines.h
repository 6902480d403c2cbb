/* Catalogue lines (the line rules: what each line of data.dat does) */
#ifndef PLINOR_LINES_H
#define PLINOR_LINES_H

#include <stddef.h>
#include <stdint.h>

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

/* end is the text's terminator, followed by TEXT_PADDING zero bytes. */
void StartReading(LineReader *reader, const char *text, const char *end);

/* The next line, or false at the end of the text; a last line without a
   line feed is read like any other. */
bool ReadLine(LineReader *reader, CatalogueLine *line);

/* The kind of line-kind tag that starts at p, if it ends before limit. */
LineKind TagAt(const char *p, const char *limit);

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

#endif
