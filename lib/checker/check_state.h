/* Checker state (what the checker's files share while a text streams through) */
#ifndef PLINOR_CHECK_STATE_H
#define PLINOR_CHECK_STATE_H

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

#include "byte_facts.h"
#include "check_report.h"
#include "lines.h"
#include "parser.h"

/* Finished games by their 16-byte key, to find the first game with each. */
struct KeyIndex {
    std::vector<uint64_t> slots; /* 0, or a key's hash above its game's index + 1; over twice the games */
    size_t used;
};

struct KeyWork; /* the keys being explained: key_explanations.cpp */

/* Where a game past the plug-in's reading stands. */
enum Beyond { BEYOND_NOTHING, BEYOND_TABLE, BEYOND_END };

struct CatalogueCheck {
    CheckReport *report;
    CheckOptions options;
    ParseState parse;         /* the plug-in's own parse, into report->records */
    int32_t finished;         /* where that parse publishes its count */
    size_t line;              /* lines read whole: the one coming in is line + 1 */
    bool reading;             /* the parse goes on: lines are checked */
    bool full;                /* the table is full: the plug-in has stopped reading */
    bool stopped;             /* a "</games>" after the table filled: nothing more is counted */
    KeyIndex keys;

    /* The game being filled. */
    size_t setAt[LINE_OTHER]; /* where each of its fields first took effect */
    size_t keySetAt;          /* where its crc32 last took effect */
    size_t gameStart;         /* the first of those lines, 0 for none */
    size_t openedAt;          /* its last "<game>" after gameStart, 0 for none */
    bool toldLoneCarriageReturns;

    /* The line coming in: its first LINE_PREFIX_BYTES kept, the rest counted. */
    bool keepLines;           /* someone still looks at lines */
    size_t length, kept;
    size_t carriageReturns;
    bool endsInCarriageReturn;
    bool high;                /* it holds a byte that is not ASCII */
    bool jisStarted;          /* its Shift_JIS has been read from the kept part on */
    ShiftJisStream jis;
    char text[LINE_PREFIX_BYTES + 2 + TEXT_PADDING]; /* the kept part, a line feed, the reader's padding */

    /* Facts of the whole text, told when it ends. */
    Utf8Stream utf8;
    size_t firstHighLine;     /* the line of the first non-ASCII byte, 0 for none */
    int byteOrderMark;        /* 8 or 16 for a UTF-8 or UTF-16 mark, else 0 */
    bool textEnded;           /* a NUL ended it */
    size_t nulLine, afterNul;
    bool lookingAfterEnd;     /* after the "</games>" that ends the parse: the first text there is told */
    size_t endOfGamesLine;

    /* Games past the plug-in's reading, parsed as if it read on, for the keys. */
    Beyond beyond;
    GameRecord spare;
    size_t spareStart, spareKeyAt, tableEndLine;
    KeyWork *work;            /* null when no key is explained */
};

/* A finding, counted always and kept while fewer than MAX_FINDINGS_OF_A_KIND
   of its kind are: its text is made only then. */
static inline bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

/* What the catalogue as a whole says: all that is reported without line findings. */
static inline bool AboutTheWholeText(FindingKind kind) {
    return kind == FINDING_NUL_BYTE || kind == FINDING_NO_GAME || kind == FINDING_TOO_MANY_GAMES ||
           kind == FINDING_UTF8_TEXT || kind == FINDING_BYTE_ORDER_MARK;
}

template <typename Text> void Report(CatalogueCheck *c, FindingKind kind, size_t line, Text text) {
    if (!c->options.lineFindings && !AboutTheWholeText(kind)) return;
    if (c->report->counts[kind]++ < MAX_FINDINGS_OF_A_KIND) c->report->findings.push_back({kind, line, text()});
}

static inline std::string Say(const CatalogueCheck *c, MessageId id, std::initializer_list<std::string> args = {}) {
    return Say(c->options.language, id, args);
}

static inline GameRecord &Filling(CatalogueCheck *c) {
    return c->report->records.back();
}

/* A catalogue value as a person reads it: Shift_JIS decoded to UTF-8. */
std::string Shown(const char *bytes, size_t length);
std::string Shown(const char *text);

/* "12 bytes", "1 byte". */
std::string Bytes(const CatalogueCheck *c, size_t n);

/* A game as a finding names it: by its title, else its checksum. */
std::string GameName(const CatalogueCheck *c, const GameRecord &record);

/* line_checks.cpp: what the line will do, said before the parse's step takes it. */
void CheckLineBefore(CatalogueCheck *c, const CatalogueLine *line);

/* key_explanations.cpp: the keys' evidence as the text streams, and their verdicts at its end. */
void StartKeys(CatalogueCheck *c);
void NoteKeyGame(CatalogueCheck *c, int32_t game);
void NoteKeyBeyond(CatalogueCheck *c, Beyond where, const GameRecord &record, size_t gameLine, size_t keyLine);
void NoteKeyReplaced(CatalogueCheck *c, const char *old, size_t setLine, bool merged);
void NoteKeyIgnored(CatalogueCheck *c, KeyVerdict why, TextView value, LineKind taker);
void NoteKeyCut(CatalogueCheck *c, TextView value);
void NoteKeyUnfinished(CatalogueCheck *c);
void EndKeys(CatalogueCheck *c);

#endif
