/* Catalogue parser (fills the game table from the catalogue text, once) */
#ifndef PLINOR_PARSER_H
#define PLINOR_PARSER_H

#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "game_table.h"
#include "lines.h"

/* Parses the host's text into the game table unless it already holds a
   finished game. The text is never modified; null reads as empty. */
void LoadCatalogue(const char *catalogueText);

/* The working copy the line reader needs: the text's length bytes, its
   terminator and TEXT_PADDING zero bytes. */
static inline size_t PaddedSize(size_t length) {
    return length + 1 + TEXT_PADDING;
}
void CopyPadded(char *copy, const char *text, size_t length);

/* One parse: the records it fills and where it publishes how many are
   finished. The number of the record being filled is the parse's own, so
   no other call can move it past the table. */
struct ParseState {
    GameRecord *records; /* MAX_GAMES of them */
    int32_t *count;
    int32_t filling;
};

/* What one line did. */
enum ParseEffect {
    PARSE_SKIPPED,  /* no line kind: nothing */
    PARSE_SET,      /* a field of the game being filled */
    PARSE_UNSET,    /* a field line that sets nothing: no closing tag, or an unlisted genre */
    PARSE_FINISHED, /* a game is finished */
    PARSE_FULL,     /* a game is finished and the table is full: the parse ends */
    PARSE_ENDED     /* "</games>": the parse ends, and nothing else on its line counts */
};

/* A text that finished no game left its fields in record 0; another
   text's first game must not inherit them. A racing parse clears only
   this record, inside the table, and refills it from its own text. */
static inline void StartParse(ParseState *state, GameRecord *records, int32_t *count) {
    memset(&records[0], 0, sizeof records[0]);
    state->records = records;
    state->count = count;
    state->filling = 0;
}

/* The record after the next is fetched ahead: filling records is otherwise
   a cache miss per field. */
static inline ParseEffect FinishGame(ParseState *state) {
    int32_t finished = ++state->filling;
    StoreShared(state->count, finished);
    if (finished >= MAX_GAMES) return PARSE_FULL;
    if (finished + 1 < MAX_GAMES) {
        GameRecord *ahead = &state->records[finished + 1];
        __builtin_prefetch(ahead->title, 1);
        __builtin_prefetch(ahead->crc32, 1);
        __builtin_prefetch(ahead->genre + 16, 1);
        __builtin_prefetch(ahead->publisher, 1);
        __builtin_prefetch(&ahead->year, 1);
        __builtin_prefetch(ahead->comment + 32, 1);
    }
    return PARSE_FINISHED;
}

/* The parse's step: what a line does to the table. Whoever drives it
   stops at PARSE_FULL and PARSE_ENDED. */
static inline ParseEffect ParseStep(ParseState *state, const CatalogueLine *line) {
    switch (line->kind) {
    case LINE_OTHER: return PARSE_SKIPPED;
    case LINE_END_OF_GAMES: return PARSE_ENDED;
    case LINE_END_OF_GAME: return FinishGame(state);
    default: return ApplyLine(line, &state->records[state->filling]) ? PARSE_SET : PARSE_UNSET;
    }
}

#endif
