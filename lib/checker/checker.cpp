/* Catalogue checker (what the plug-in makes of a data.dat, and what it ignores) */
#include "checker.h"

#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <memory>

#include "encodings.h"
#include "game_index.h"
#include "genres.h"
#include "keys.h"
#include "lines.h"
#include "parser.h"
#include "text.h"

static const char *const kFindingNames[FINDING_KINDS] = {
    "long-line",        "unclosed-tag",    "shadowed-tag",      "unknown-tag",
    "long-crc32",       "odd-crc32",       "lower-case-crc32",  "duplicate-crc32",
    "no-crc32",         "unlisted-genre",  "odd-date",          "field-set-twice",
    "merged-game",      "unfinished-game", "no-end-of-games",   "after-end-of-games",
    "too-many-games",   "nul-byte",        "not-shift-jis",     "byte-order-mark",
    "utf8-text",        "lone-carriage-return", "no-game",
};

const char *FindingName(FindingKind kind) {
    return kind < FINDING_KINDS ? kFindingNames[kind] : "?";
}

/* Finished games by their 16-byte key, to find the first game with each. */
struct KeyIndex {
    std::vector<int32_t> slots; /* game index + 1, or 0; a power of two, over twice the games */
};

/* The earlier game with this key, or -1 after noting `game` as its first. */
static int32_t FirstWithKey(KeyIndex *index, const std::vector<GameRecord> &records, int32_t game) {
    KeyWords key = KeyOf(records[(size_t)game].crc32);
    size_t mask = index->slots.size() - 1;
    for (size_t slot = KeyHash(key) & mask;; slot = (slot + 1) & mask) {
        int32_t held = index->slots[slot];
        if (held == 0) {
            index->slots[slot] = game + 1;
            return -1;
        }
        if (SameKey(records[(size_t)held - 1].crc32, key)) return held - 1;
    }
}

struct Checker {
    CheckReport *report;
    ParseState parse;         /* the plug-in's own parse, into report->records */
    int32_t finished;         /* where that parse publishes its count */
    size_t line;
    size_t setAt[LINE_OTHER]; /* where each field of the game being filled took effect */
    size_t gameStart;         /* the first of those lines, 0 for none */
    bool checkShiftJis;
    size_t byteOrderMark;     /* the UTF-8 mark's bytes at the start, 0 for none */
    bool loneCarriageReturns; /* somewhere a CR ends no CR LF: lines are then looked at for it */
    bool toldLoneCarriageReturns;
    bool full;                /* the table is full: the plug-in has stopped reading */
    KeyIndex keys;
};

static void Report(Checker *c, FindingKind kind, size_t line, const std::string &message) {
    c->report->findings.push_back({kind, line, message});
    c->report->counts[kind]++;
}

static std::string Quoted(const char *text) {
    return std::string("\"") + text + "\"";
}

static std::string Tag(LineKind kind) {
    return OpeningTag(kind);
}

/* The game being filled, by its title or checksum when it has one. */
static std::string GameName(const GameRecord &record) {
    if (record.title[0] != '\0') return "game " + Quoted(record.title);
    if (record.crc32[0] != '\0') return "game " + std::string(record.crc32);
    return "a game";
}

static GameRecord &Filling(Checker *c) {
    return c->report->records.back();
}

static bool GameOpeningAt(const char *p, const char *end) {
    size_t length = sizeof GAME_OPENING_TAG - 1;
    return (size_t)(end - p) >= length && memcmp(p, GAME_OPENING_TAG, length) == 0;
}

/* A tag that looks like a line kind's but is not one: another letter case,
   or one letter wrong, missing, extra or swapped. Only the tags that decide
   a line count ("<game>" and "<games>" decide nothing). */
static bool OneEditApart(const char *a, size_t m, const char *b, size_t n) {
    if (m > n) return OneEditApart(b, n, a, m);
    if (n - m > 1) return false;
    size_t i = 0;
    while (i < m && a[i] == b[i]) i++;
    if (m < n) return memcmp(a + i, b + i + 1, m - i) == 0;
    if (i + 1 < m && a[i] == b[i + 1] && a[i + 1] == b[i] && memcmp(a + i + 2, b + i + 2, m - i - 2) == 0)
        return true;
    return memcmp(a + i + 1, b + i + 1, m - i - (i < m)) == 0;
}

static LineKind NearMissAt(const char *p, const char *end, bool *caseOnly) {
    char name[16];
    size_t n = 0;
    for (const char *q = p + 1; q < end && *q != '>'; q++) {
        bool letter = (*q >= 'a' && *q <= 'z') || (*q >= 'A' && *q <= 'Z') || (*q >= '0' && *q <= '9') ||
                      (*q == '/' && q == p + 1);
        if (!letter || n == sizeof name - 2) return LINE_OTHER;
        name[n++] = (char)(*q >= 'A' && *q <= 'Z' ? *q - 'A' + 'a' : *q);
    }
    if (p + 1 + n >= end || n < 4) return LINE_OTHER; /* no '>' */
    name[n++] = '>';
    for (int edits = 0; edits <= 1; edits++) { /* another case first: "</GAME>" is no "</games>" */
        for (int k = LINE_END_OF_GAMES; k < LINE_OTHER; k++) {
            const char *tag = lineTags[k].opening + 1;
            size_t length = lineTags[k].openingLength - 1;
            if ((name[0] == '/') != (tag[0] == '/')) continue; /* a closing tag is no opening one */
            if (edits == 0 ? n == length && memcmp(name, tag, n) == 0 : OneEditApart(name, n, tag, length)) {
                *caseOnly = edits == 0;
                return (LineKind)k;
            }
        }
    }
    return LINE_OTHER;
}

/* What the checker notes of each '<' on a line: the line-kind tags the
   plug-in sees (they end within the examined part; no more than fit in
   it), the first of each kind that it does not, whether "<game>" stands
   there, and the first tag that only looks like a line kind's. */
struct LineTags {
    enum { SEEN_MAX = MAX_LINE_LENGTH / 6 + 1 }; /* the shortest tag, "<date>", is 6 bytes */
    struct {
        LineKind kind;
        const char *at;
    } seen[SEEN_MAX];
    size_t seenCount;
    const char *unseen[LINE_OTHER]; /* set where unseenKinds has the kind's bit */
    unsigned unseenKinds;
    bool gameOpening;
    const char *nearMiss;
    LineKind nearMissOf;
    bool nearMissCaseOnly;
};

static void NoteOtherTag(LineTags *tags, const char *p, const char *end) {
    if (GameOpeningAt(p, end)) {
        tags->gameOpening = true;
    } else if (tags->nearMiss == NULL) {
        tags->nearMissOf = NearMissAt(p, end, &tags->nearMissCaseOnly);
        if (tags->nearMissOf != LINE_OTHER) tags->nearMiss = p;
    }
}

static void ClearTags(LineTags *tags) {
    tags->seenCount = 0;
    tags->unseenKinds = 0;
    tags->gameOpening = false;
    tags->nearMiss = NULL;
}

static void FindTags(const CatalogueLine *line, LineTags *tags) {
    ClearTags(tags);
    for (const char *p = line->start; (p = (const char *)memchr(p, '<', (size_t)(line->end - p))) != NULL; p++) {
        LineKind kind = TagAt(p, line->end);
        if (kind == LINE_OTHER) NoteOtherTag(tags, p, line->end);
        else if (p < line->limit && TagAt(p, line->limit) == kind) tags->seen[tags->seenCount++] = {kind, p};
        else if (!(tags->unseenKinds & 1u << kind)) {
            tags->unseen[kind] = p;
            tags->unseenKinds |= 1u << kind;
        }
    }
}

/* Whether the line's '<' are just those its kind explains (for a field, its
   tag and, when closed, its closing tag): no search needed. */
static bool PlainLine(const CatalogueLine *line, bool closed) {
    switch (line->kind) {
    case LINE_OTHER: return line->marks <= 1;
    case LINE_END_OF_GAMES: case LINE_END_OF_GAME: return line->marks == 1;
    default: return line->marks == 1 || (line->marks == 2 && closed);
    }
}

/* A plain line's one '<', when its kind does not explain it. */
static void NoteLoneTag(const CatalogueLine *line, LineTags *tags) {
    ClearTags(tags);
    if (line->kind == LINE_OTHER && line->marks == 1 && line->next != NULL)
        NoteOtherTag(tags, line->next, line->end);
}

/* Whether the line's value would close if the whole line were examined. */
static bool ClosesBeyondTheLimit(const CatalogueLine *line) {
    CatalogueLine whole = *line;
    whole.limit = line->end;
    whole.next = line->opening + strlen(OpeningTag(line->kind)); /* any '<' past it may close */
    TextView value;
    return LineValue(&whole, &value);
}

static bool IsField(LineKind kind) {
    return kind >= LINE_TITLE && kind <= LINE_CRC32;
}

static std::string Bytes(size_t n) {
    return std::to_string(n) + (n == 1 ? " byte" : " bytes");
}

static const std::string kLimit = std::to_string(MAX_LINE_LENGTH);

/* What a tag the plug-in does not take would have done, or "". */
static const char *Lost(LineKind kind) {
    return kind == LINE_END_OF_GAME ? "no game ends here" : kind == LINE_END_OF_GAMES ? "the parse does not end here" : "";
}

/* The same, after a comma, unless the line's own kind does it anyway. */
static std::string AlsoLost(LineKind kind, LineKind lineKind) {
    return *Lost(kind) != '\0' && kind != lineKind ? std::string(", so ") + Lost(kind) : "";
}

/* Says what of a long line is lost; true when that is its field's value. */
static bool ReportLongLine(Checker *c, const CatalogueLine *line, bool closed, const LineTags *tags) {
    std::string lost;
    bool valueLost = false;
    if (IsField(line->kind) && !closed && ClosesBeyondTheLimit(line)) {
        lost = "the " + Tag(line->kind) + " value is dropped whole, because its " +
               ClosingTag(line->kind) + " ends past byte " + kLimit;
        valueLost = true;
    }
    for (unsigned left = tags->unseenKinds; left != 0;) { /* in the order they stand */
        int first = -1;
        for (int k = 0; k < LINE_OTHER; k++)
            if ((left & 1u << k) && (first < 0 || tags->unseen[k] < tags->unseen[first])) first = k;
        lost += std::string(lost.empty() ? "" : "; ") + Tag((LineKind)first) + " at byte " +
                std::to_string(tags->unseen[first] - line->start + 1) + " is not seen" +
                AlsoLost((LineKind)first, line->kind);
        left &= ~(1u << first);
    }
    if (lost.empty()) lost = "nothing of use lies past byte " + kLimit;
    Report(c, FINDING_LONG_LINE, c->line,
           "the line is " + Bytes((size_t)(line->end - line->start)) + "; the plug-in reads only the first " +
               kLimit + ": " + lost);
    return valueLost;
}

/* Tags on the line that lose to the one that counts. */
static void ReportShadowed(Checker *c, const CatalogueLine *line, const LineTags *tags) {
    bool named[LINE_OTHER] = {false};
    for (size_t i = 0; i < tags->seenCount; i++) {
        LineKind kind = tags->seen[i].kind;
        if (tags->seen[i].at == line->opening || named[kind]) continue;
        named[kind] = true;
        std::string why;
        if (line->kind == LINE_END_OF_GAMES) why = "</games> on this line ends the parse";
        else if (kind == line->kind) why = "only a line's first " + Tag(kind) + " counts";
        else why = Tag(line->kind) + " comes first in the order the plug-in tests, and takes this line";
        why += kind == LINE_END_OF_GAME && line->kind == LINE_END_OF_GAME ? ": one game ends here, not two"
                                                                         : AlsoLost(kind, line->kind);
        Report(c, FINDING_SHADOWED_TAG, c->line,
               (kind == line->kind ? "a second " + Tag(kind) : Tag(kind)) + " is ignored: " + why);
    }
}

/* A tag the plug-in does not know, on a line it therefore skips. */
static void ReportNearMiss(Checker *c, const CatalogueLine *line, const LineTags *tags) {
    const char *p = tags->nearMiss, *close = (const char *)memchr(p, '>', (size_t)(line->end - p));
    std::string shown(p, (size_t)(close - p + 1)), meant = Tag(tags->nearMissOf);
    const char *effect = *Lost(tags->nearMissOf) != '\0' ? Lost(tags->nearMissOf) : "the line sets nothing";
    Report(c, FINDING_UNKNOWN_TAG, c->line,
           shown + (tags->nearMissCaseOnly ? " is not " + meant + ": tags match exactly, letter case included, so "
                             : " is not a tag the plug-in knows (" + meant + "?), so ") + effect);
}

static bool IsHex(char ch) {
    return (ch >= '0' && ch <= '9') || (ch >= 'A' && ch <= 'F') || (ch >= 'a' && ch <= 'f');
}

static void CheckChecksum(Checker *c, TextView value) {
    std::string shown = Quoted(std::string(value.start, value.length).c_str());
    if (value.length >= KEY_FIELD_SIZE) {
        Report(c, FINDING_LONG_CRC32, c->line,
               "<crc32> " + shown + " is " + std::to_string(value.length) +
                   " bytes, cut to " + std::to_string(KEY_FIELD_SIZE - 1) + ": the game cannot be found by its full value");
        return;
    }
    bool hex = value.length == 8, lower = false;
    for (size_t i = 0; i < value.length; i++) {
        hex = hex && IsHex(value.start[i]);
        lower = lower || (value.start[i] >= 'a' && value.start[i] <= 'f');
    }
    std::string key(value.start, value.length);
    char asked[KEY_FIELD_SIZE];
    if (NormalizeKey(key.c_str(), asked) && key != asked)
        Report(c, FINDING_ODD_CRC32, c->line,
               "<crc32> " + shown + " can be found by no key: a key of its length is first padded with zeros, to " +
                   Quoted(asked));
    else if (!hex && value.length != 0) /* an empty key is told of when its game ends */
        Report(c, FINDING_ODD_CRC32, c->line, "<crc32> " + shown + " is not 8 hexadecimal digits");
    else if (lower)
        Report(c, FINDING_LOWER_CASE_CRC32, c->line,
               "<crc32> " + shown + " is in lower case: hosts usually ask in upper case, and keys match case");
}

static void CheckGenre(Checker *c, TextView code) {
    if (GenreName(code.start, code.length) != NULL) return;
    const char *genre = Filling(c).genre;
    Report(c, FINDING_UNLISTED_GENRE, c->line,
           "genre code " + Quoted(std::string(code.start, code.length).c_str()) +
               " is not one of 0 to 10: the genre " +
               (genre[0] != '\0' ? "keeps " + Quoted(genre) : std::string("stays empty")));
}

static void CheckDate(Checker *c, TextView date) {
    bool year = date.length >= 4;
    for (size_t i = 0; year && i < 4; i++) year = date.start[i] >= '0' && date.start[i] <= '9';
    if (year) return;
    Report(c, FINDING_ODD_DATE, c->line,
           "date " + Quoted(std::string(date.start, date.length).c_str()) +
               " does not begin with a four-digit year: the year reads as " +
               std::to_string(ReadYear(date)));
}

/* What a field line's value will do; value is null when the line's tag is
   not closed within the examined part. */
static void CheckValue(Checker *c, const CatalogueLine *line, const TextView *value, bool valueLost) {
    if (value == NULL) {
        if (!valueLost)
            Report(c, FINDING_UNCLOSED_TAG, c->line,
                   Tag(line->kind) + " has no " + ClosingTag(line->kind) +
                       " after it on this line: the line sets nothing");
        return;
    }
    if (line->kind == LINE_CRC32) CheckChecksum(c, *value);
    if (line->kind == LINE_GENRE) CheckGenre(c, *value);
    if (line->kind == LINE_DATE) CheckDate(c, *value);
}

/* A field the parse has just set. */
static void NoteFieldSet(Checker *c, LineKind kind) {
    size_t &first = c->setAt[kind];
    if (first != 0)
        Report(c, FINDING_FIELD_SET_TWICE, c->line,
               Tag(kind) + " is set again in " + GameName(Filling(c)) + " (first at line " +
                   std::to_string(first) + "): the later value wins");
    else
        first = c->line;
    if (c->gameStart == 0) c->gameStart = c->line;
}

static void NoteGameOpening(Checker *c) {
    if (c->gameStart == 0) return;
    Report(c, FINDING_MERGED_GAME, c->line,
           "a game begins, but no </game> came since line " + std::to_string(c->gameStart) + ": " +
               GameName(Filling(c)) + " and the game that begins here become one, the later lines winning");
}

/* The game the parse has just finished: whether a key finds it. */
static void NoteGameFinished(Checker *c) {
    CheckReport *r = c->report;
    int32_t index = (int32_t)r->games.size();
    size_t keyLine = c->setAt[LINE_CRC32] != 0 ? c->setAt[LINE_CRC32] : c->line;
    CheckedGame game = {c->gameStart != 0 ? c->gameStart : c->line, c->line, keyLine, false, -1};
    const GameRecord &record = r->records[(size_t)index];
    char asked[KEY_FIELD_SIZE]; /* what a host's key for it becomes */
    bool reachable = NormalizeKey(record.crc32, asked) && memcmp(asked, record.crc32, KEY_FIELD_SIZE) == 0;
    if (reachable) game.shadowedBy = FirstWithKey(&c->keys, r->records, index);
    game.findable = reachable && game.shadowedBy < 0;
    if (game.shadowedBy >= 0) {
        const CheckedGame &first = r->games[(size_t)game.shadowedBy];
        Report(c, FINDING_DUPLICATE_CRC32, keyLine,
               GameName(record) + " is unreachable: " + GameName(r->records[(size_t)game.shadowedBy]) +
                   " (line " + std::to_string(first.keyLine) + ") has the same key " +
                   Quoted(record.crc32) + ", and every query finds that one first");
    } else if (reachable && record.crc32[0] == '\0') {
        Report(c, FINDING_NO_CRC32, c->line,
               GameName(record) + (c->setAt[LINE_CRC32] != 0 ? " has an empty <crc32>" : " has no <crc32>") +
                   ": it can be found only by the empty key");
    }
    (game.findable ? r->findable : r->unreachable)++;
    r->games.push_back(game);
    memset(c->setAt, 0, sizeof c->setAt);
    c->gameStart = 0;
}

/* The first bytes of the line that a host shows as U+FFFD: a byte that
   starts no Shift_JIS character, or a pair the code page leaves unassigned. */
static void CheckShiftJis(Checker *c, const CatalogueLine *line) {
    const char *start = line->start + (c->line == 1 ? c->byteOrderMark : 0), *p = start; /* told of already */
    while (p < line->end && (unsigned char)*p < 0x80) p++;
    if (p == line->end) return;
    ShiftJisFault bad;
    Utf8FromShiftJis(std::string(start, (size_t)(line->end - start)), &bad);
    if (bad.length == 0) return;
    bad.offset += (size_t)(start - line->start);
    const unsigned char *at = (const unsigned char *)line->start + bad.offset;
    char bytes[16];
    if (bad.length == 1) snprintf(bytes, sizeof bytes, "byte 0x%02X", at[0]);
    else snprintf(bytes, sizeof bytes, "bytes 0x%02X 0x%02X", at[0], at[1]);
    Report(c, FINDING_NOT_SHIFT_JIS, c->line,
           std::string(bytes) + " at column " + std::to_string(bad.offset + 1) +
               (bad.length == 1 ? " is" : " are") + " not Shift_JIS: hosts show something else in its place");
}

/* Carriage returns inside the line, where the line feeds should be. */
static bool LoneCarriageReturns(Checker *c, const CatalogueLine *line) {
    size_t lines = 1;
    for (const char *p = line->start; p + 1 < line->end; p++) { /* a last one ends a CR LF line */
        if ((p = (const char *)memchr(p, '\r', (size_t)(line->end - 1 - p))) == NULL) break;
        lines++;
    }
    if (lines == 1) return false;
    if (!c->toldLoneCarriageReturns)
        Report(c, FINDING_LONE_CARRIAGE_RETURN, c->line,
               "lines end in a carriage return alone: the plug-in ends a line only at a line feed, so it reads " +
                   std::to_string(lines) + " lines here as one, and only its first " + kLimit + " bytes");
    c->toldLoneCarriageReturns = true;
    return true;
}

/* What the line will do, said before the parse's step takes it. */
static void CheckLineBefore(Checker *c, const CatalogueLine *line) {
    if (c->checkShiftJis) CheckShiftJis(c, line);
    LineTags tags;
    TextView value;
    bool closed = IsField(line->kind) && LineValue(line, &value);
    bool longLine = line->end - line->start > MAX_LINE_LENGTH, searched = longLine || !PlainLine(line, closed);
    bool runTogether = c->loneCarriageReturns && LoneCarriageReturns(c, line);
    if (searched) FindTags(line, &tags);
    else NoteLoneTag(line, &tags);
    bool valueLost = longLine && !runTogether && ReportLongLine(c, line, closed, &tags);
    if (!runTogether && tags.seenCount > 1) ReportShadowed(c, line, &tags);
    if (tags.nearMiss != NULL && line->kind == LINE_OTHER && !runTogether) ReportNearMiss(c, line, &tags);
    if (tags.gameOpening && line->kind != LINE_END_OF_GAME && line->kind != LINE_END_OF_GAMES) NoteGameOpening(c);
    if (IsField(line->kind)) CheckValue(c, line, closed ? &value : NULL, valueLost);
}

/* One line: the parse's own step, with what the checker says around it;
   false when the parse has ended. */
static bool CheckLine(Checker *c, const CatalogueLine *line) {
    c->line++;
    if (c->full) { /* the plug-in stopped at the table's end: only count */
        if (line->kind == LINE_END_OF_GAME) c->report->ignored++;
        return line->kind != LINE_END_OF_GAMES;
    }
    CheckLineBefore(c, line);
    switch (ParseStep(&c->parse, line)) {
    case PARSE_SET: NoteFieldSet(c, line->kind); return true;
    case PARSE_FINISHED:
        NoteGameFinished(c);
        c->report->records.emplace_back();
        c->parse.records = c->report->records.data(); /* the parse fills the records in place */
        return true;
    case PARSE_FULL: NoteGameFinished(c); c->full = true; return true;
    case PARSE_ENDED: return false;
    default: return true;
    }
}

/* Whatever stands after the "</games>" line. */
static void CheckAfterEnd(Checker *c, const char *rest, const char *end) {
    size_t line = c->line + 1;
    for (const char *p = rest; p < end; p++) {
        if (*p == '\n') line++;
        else if (*p != ' ' && *p != '\t' && *p != '\r') {
            Report(c, FINDING_AFTER_END_OF_GAMES, line,
                   "never read: it comes after </games> (line " + std::to_string(c->line) + ")");
            return;
        }
    }
}

static size_t LineOf(const std::string &bytes, size_t offset) {
    size_t line = 1;
    for (size_t i = 0; i < offset; i++) line += bytes[i] == '\n';
    return line;
}

/* Byte-order marks, a NUL, and whether the text's non-ASCII bytes read as
   UTF-8; true when each line's Shift_JIS is worth checking. */
static bool CheckEncoding(Checker *c, const std::string &bytes) {
    const unsigned char *b = (const unsigned char *)bytes.data();
    if (bytes.size() >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) {
        Report(c, FINDING_BYTE_ORDER_MARK, 1, "a UTF-8 byte-order mark: its three bytes begin the first line as text");
        c->byteOrderMark = 3;
    } else if (bytes.size() >= 2 && ((b[0] == 0xFF && b[1] == 0xFE) || (b[0] == 0xFE && b[1] == 0xFF)))
        Report(c, FINDING_BYTE_ORDER_MARK, 1, "a UTF-16 byte-order mark: the plug-in reads 8-bit text, and finds nothing in UTF-16");
    size_t length = c->report->textLength;
    if (length < bytes.size())
        Report(c, FINDING_NUL_BYTE, LineOf(bytes, length),
               "a NUL byte: the plug-in sees nothing after it (" + Bytes(bytes.size() - length - 1) + ")");
    size_t i = 0;
    while (i + 8 <= length) { /* ASCII goes by a word at a time */
        uint64_t word;
        memcpy(&word, b + i, 8);
        if (word & 0x8080808080808080ull) break;
        i += 8;
    }
    while (i < length && b[i] < 0x80) i++;
    size_t firstHigh = i;
    bool utf8 = true;
    while (i < length && utf8) {
        uint32_t cp;
        size_t n = b[i] < 0x80 ? 1 : Utf8Length(b + i, length - i, &cp);
        utf8 = n != 0;
        i += n;
    }
    if (firstHigh == length) return false;
    if (!utf8) return true;
    Report(c, FINDING_UTF8_TEXT, LineOf(bytes, firstHigh),
           "the text reads as UTF-8, but hosts take it as Shift_JIS: its non-ASCII text comes out garbled, "
           "and genre names are Shift_JIS");
    return false;
}

void CheckCatalogue(const std::string &bytes, CheckReport *report) {
    report->findings.clear();
    report->games.clear();
    report->records.assign(1, GameRecord());
    memset(report->counts, 0, sizeof report->counts);
    report->findable = report->unreachable = report->ignored = 0;
    const void *nul = memchr(bytes.data(), '\0', bytes.size());
    report->textLength = nul != NULL ? (size_t)((const char *)nul - bytes.data()) : bytes.size();

    Checker c;
    memset(c.setAt, 0, sizeof c.setAt);
    c.report = report;
    c.line = 0;
    c.gameStart = 0;
    c.toldLoneCarriageReturns = c.full = false;
    c.byteOrderMark = 0;
    c.loneCarriageReturns = false;
    for (const char *p = bytes.data(), *end = p + report->textLength;
         (p = (const char *)memchr(p, '\r', (size_t)(end - p))) != NULL && !c.loneCarriageReturns; p++)
        c.loneCarriageReturns = p + 1 < end && p[1] != '\n';
    /* Each game ends with a "</game>": room for them all. */
    size_t games = std::min((size_t)MAX_GAMES, report->textLength / lineTags[LINE_END_OF_GAME].openingLength);
    size_t slots = 16;
    while (slots < 2 * games) slots *= 2;
    c.keys.slots.assign(slots, 0);
    report->records.reserve(games + 1);
    StartParse(&c.parse, report->records.data(), &c.finished);
    c.checkShiftJis = CheckEncoding(&c, bytes);

    size_t length = report->textLength;
    std::unique_ptr<char[]> copy(new char[PaddedSize(length)]); /* not zeroed first: CopyPadded writes it all */
    CopyPadded(copy.get(), bytes.data(), length);
    const char *end = copy.get() + length;
    LineReader reader;
    CatalogueLine line;
    StartReading(&reader, copy.get(), end);
    bool ended = false;
    while (!ended && ReadLine(&reader, &line)) ended = !CheckLine(&c, &line);
    size_t lastLine = c.line;

    if (c.full && report->ignored > 0)
        Report(&c, FINDING_TOO_MANY_GAMES, report->games.back().endLine,
               std::to_string(MAX_GAMES) + " games fill the plug-in's table, and it stops reading here: " +
                   std::string(report->ignored == 1 ? "the game" : "the " + std::to_string(report->ignored) + " games") +
                   " after this line " + (report->ignored == 1 ? "is" : "are") + " ignored");
    else if (ended)
        CheckAfterEnd(&c, line.end < end ? line.end + 1 : end, end);
    else if (!c.full)
        Report(&c, FINDING_NO_END_OF_GAMES, lastLine, "no </games>: the plug-in reads to the end of the text");
    if (!c.full && c.gameStart != 0)
        Report(&c, FINDING_UNFINISHED_GAME, c.gameStart,
               "the fields from here on are never findable: no </game> follows them");
    if (!c.full) report->records.pop_back(); /* the unfinished record */
    if (report->games.empty())
        Report(&c, FINDING_NO_GAME, 0,
               "no game is finished: every query parses the whole text again, and finds nothing");
    std::stable_sort(report->findings.begin(), report->findings.end(), [](const Finding &a, const Finding &b) {
        return a.line - 1 < b.line - 1; /* line order, as a compiler gives them; the catalogue as a whole last */
    });
}
