/* Line checks (what the checker says of a line before the parse's step takes it) */
#include <stdio.h>
#include <string.h>

#include "check_state.h"
#include "genres.h"
#include "keys.h"

static std::string Tag(LineKind kind) {
    return OpeningTag(kind);
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

/* The value a field tag at `opening` would have if the whole line were
   examined: false when its closing tag does not follow on the line. */
static bool WholeLineValue(const CatalogueLine *line, LineKind kind, const char *opening, TextView *value) {
    CatalogueLine whole = *line;
    whole.kind = kind;
    whole.opening = opening;
    whole.limit = line->end;
    whole.next = opening + strlen(OpeningTag(kind)); /* any '<' past it may close */
    return LineValue(&whole, value);
}

static bool IsField(LineKind kind) {
    return kind >= LINE_TITLE && kind <= LINE_CRC32;
}

static const std::string kLimit = std::to_string(MAX_LINE_LENGTH);

/* What a tag the plug-in does not take would have done, or "". */
static std::string Lost(const CatalogueCheck *c, LineKind kind) {
    return kind == LINE_END_OF_GAME ? Say(c, M_CHECK_NO_GAME_ENDS)
           : kind == LINE_END_OF_GAMES ? Say(c, M_CHECK_PARSE_GOES_ON) : "";
}

/* The same, after a comma, unless the line's own kind does it anyway. */
static std::string AlsoLost(const CatalogueCheck *c, LineKind kind, LineKind lineKind) {
    std::string lost = Lost(c, kind);
    return !lost.empty() && kind != lineKind ? Say(c, M_CHECK_SO, {lost}) : "";
}

/* The tags of the line the plug-in does not see, in the order they stand. */
static std::string UnseenTags(const CatalogueCheck *c, const CatalogueLine *line, const LineTags *tags,
                              std::string lost) {
    for (unsigned left = tags->unseenKinds; left != 0;) {
        int first = -1;
        for (int k = 0; k < LINE_OTHER; k++)
            if ((left & 1u << k) && (first < 0 || tags->unseen[k] < tags->unseen[first])) first = k;
        std::string unseen = Say(c, M_CHECK_TAG_NOT_SEEN, {Tag((LineKind)first),
                                                           std::to_string(tags->unseen[first] - line->start + 1),
                                                           AlsoLost(c, (LineKind)first, line->kind)});
        lost = lost.empty() ? unseen : Say(c, M_CHECK_JOIN, {lost, unseen});
        left &= ~(1u << first);
    }
    return lost;
}

/* Says what of a long line is lost; true when that is its field's value.
   A line run together by lone carriage returns is told of only when its
   value is lost: what else it hides, the carriage returns explain. */
static bool ReportLongLine(CatalogueCheck *c, const CatalogueLine *line, bool closed, const LineTags *tags,
                           bool runTogether) {
    TextView value;
    bool valueLost = IsField(line->kind) && !closed && WholeLineValue(line, line->kind, line->opening, &value);
    if (runTogether && !valueLost) return false;
    Report(c, FINDING_LONG_LINE, c->line, [&] {
        std::string lost = valueLost ? Say(c, M_CHECK_VALUE_DROPPED, {Tag(line->kind), ClosingTag(line->kind), kLimit})
                                     : "";
        if (!runTogether) lost = UnseenTags(c, line, tags, lost);
        if (lost.empty()) lost = Say(c, M_CHECK_NOTHING_PAST, {kLimit});
        return Say(c, M_CHECK_LONG_LINE, {Bytes(c, c->length), kLimit, lost});
    });
    return valueLost;
}

/* Tags on the line that lose to the one that counts. */
static void ReportShadowed(CatalogueCheck *c, const CatalogueLine *line, const LineTags *tags) {
    bool named[LINE_OTHER] = {false};
    for (size_t i = 0; i < tags->seenCount; i++) {
        LineKind kind = tags->seen[i].kind;
        if (tags->seen[i].at == line->opening || named[kind]) continue;
        named[kind] = true;
        Report(c, FINDING_SHADOWED_TAG, c->line, [&] {
            std::string why;
            if (line->kind == LINE_END_OF_GAMES) why = Say(c, M_CHECK_END_OF_GAMES_ENDS_PARSE, {Tag(line->kind)});
            else if (kind == line->kind) why = Say(c, M_CHECK_FIRST_TAG_COUNTS, {Tag(kind)});
            else why = Say(c, M_CHECK_TAG_COMES_FIRST, {Tag(line->kind)});
            why += kind == LINE_END_OF_GAME && line->kind == LINE_END_OF_GAME ? Say(c, M_CHECK_ONE_GAME_ENDS)
                                                                             : AlsoLost(c, kind, line->kind);
            std::string what = kind == line->kind ? Say(c, M_CHECK_A_SECOND, {Tag(kind)}) : Tag(kind);
            return Say(c, M_CHECK_SHADOWED_TAG, {what, why});
        });
    }
}

/* A tag the plug-in does not know, on a line it therefore skips. */
static void ReportNearMiss(CatalogueCheck *c, const CatalogueLine *line, const LineTags *tags) {
    Report(c, FINDING_UNKNOWN_TAG, c->line, [&] {
        const char *p = tags->nearMiss, *close = (const char *)memchr(p, '>', (size_t)(line->end - p));
        std::string shown = Shown(p, (size_t)(close - p + 1)), meant = Tag(tags->nearMissOf);
        std::string effect = Lost(c, tags->nearMissOf);
        if (effect.empty()) effect = Say(c, M_CHECK_LINE_SETS_NOTHING);
        return Say(c, tags->nearMissCaseOnly ? M_CHECK_TAG_WRONG_CASE : M_CHECK_TAG_UNKNOWN, {shown, meant, effect});
    });
}

static void CheckChecksum(CatalogueCheck *c, TextView value) {
    std::string crc32 = Tag(LINE_CRC32);
    if (value.length >= KEY_FIELD_SIZE) {
        Report(c, FINDING_LONG_CRC32, c->line, [&] {
            return Say(c, M_CHECK_LONG_CRC32, {crc32, Shown(value.start, value.length), std::to_string(value.length),
                                              std::to_string(KEY_FIELD_SIZE - 1)});
        });
        return;
    }
    bool hex = value.length == 8, lower = false;
    for (size_t i = 0; i < value.length; i++) {
        hex = hex && IsHexDigit(value.start[i]);
        lower = lower || (value.start[i] >= 'a' && value.start[i] <= 'f');
    }
    std::string key(value.start, value.length);
    char asked[KEY_FIELD_SIZE];
    if (NormalizeKey(key.c_str(), asked) && key != asked)
        Report(c, FINDING_ODD_CRC32, c->line,
               [&] { return Say(c, M_CHECK_PADDED_CRC32, {crc32, Shown(key.c_str()), Shown(asked)}); });
    else if (!hex && value.length != 0) /* an empty key is told of when its game ends */
        Report(c, FINDING_ODD_CRC32, c->line, [&] { return Say(c, M_CHECK_ODD_CRC32, {crc32, Shown(key.c_str())}); });
    else if (lower)
        Report(c, FINDING_LOWER_CASE_CRC32, c->line,
               [&] { return Say(c, M_CHECK_LOWER_CASE_CRC32, {crc32, Shown(key.c_str())}); });
}

static void CheckGenre(CatalogueCheck *c, TextView code) {
    if (GenreName(code.start, code.length) != NULL) return;
    const char *genre = Filling(c).genre;
    Report(c, FINDING_UNLISTED_GENRE, c->line, [&] {
        std::string shown = Shown(code.start, code.length);
        return genre[0] != '\0' ? Say(c, M_CHECK_GENRE_KEPT, {shown, Shown(genre)})
                                : Say(c, M_CHECK_GENRE_EMPTY, {shown});
    });
}

static void CheckDate(CatalogueCheck *c, TextView date) {
    bool year = date.length >= 4;
    for (size_t i = 0; year && i < 4; i++) year = date.start[i] >= '0' && date.start[i] <= '9';
    if (year) return;
    Report(c, FINDING_ODD_DATE, c->line, [&] {
        return Say(c, M_CHECK_ODD_DATE, {Shown(date.start, date.length), std::to_string(ReadYear(date))});
    });
}

/* What a field line's value will do; value is null when the line's tag is
   not closed within the examined part. */
static void CheckValue(CatalogueCheck *c, const CatalogueLine *line, const TextView *value, bool valueLost) {
    if (value == NULL) {
        if (!valueLost)
            Report(c, FINDING_UNCLOSED_TAG, c->line, [&] {
                return Say(c, M_CHECK_UNCLOSED_TAG, {Tag(line->kind), ClosingTag(line->kind)});
            });
        return;
    }
    if (line->kind == LINE_CRC32) CheckChecksum(c, *value);
    if (line->kind == LINE_GENRE) CheckGenre(c, *value);
    if (line->kind == LINE_DATE) CheckDate(c, *value);
}

/* The first bytes of the line that a host shows as U+FFFD: a byte that
   starts no Shift_JIS character, or a pair the code page leaves unassigned. */
static void CheckShiftJis(CatalogueCheck *c) {
    const ShiftJisStream *jis = &c->jis;
    if (!jis->found) return;
    Report(c, FINDING_NOT_SHIFT_JIS, c->line, [&] {
        char bytes[2][8];
        for (size_t i = 0; i < jis->faultLength; i++) snprintf(bytes[i], sizeof bytes[i], "0x%02X", jis->faultBytes[i]);
        std::string column = std::to_string(jis->faultAt + 1);
        return jis->faultLength == 1 ? Say(c, M_CHECK_NOT_SHIFT_JIS_BYTE, {bytes[0], column})
                                     : Say(c, M_CHECK_NOT_SHIFT_JIS_BYTES, {bytes[0], bytes[1], column});
    });
}

/* Carriage returns inside the line, where the line feeds should be (a
   last one ends a CR LF line). */
static bool LoneCarriageReturns(CatalogueCheck *c) {
    size_t lines = 1 + c->carriageReturns - (c->endsInCarriageReturn ? 1 : 0);
    if (lines == 1) return false;
    if (!c->toldLoneCarriageReturns)
        Report(c, FINDING_LONE_CARRIAGE_RETURN, c->line,
               [&] { return Say(c, M_CHECK_LONE_CARRIAGE_RETURN, {std::to_string(lines), kLimit}); });
    c->toldLoneCarriageReturns = true;
    return true;
}

/* A "<crc32>" on the line that the parse does not take, for the keys
   explained: its tag or its value ends past the examined part, or another
   tag takes the line. */
static void NoteIgnoredChecksum(CatalogueCheck *c, const CatalogueLine *line, bool closed, const LineTags *tags) {
    TextView value;
    if (line->kind == LINE_CRC32) {
        if (!closed && WholeLineValue(line, LINE_CRC32, line->opening, &value))
            NoteKeyIgnored(c, KEY_LONG_LINE, value, LINE_CRC32);
        return;
    }
    const char *opening = (tags->unseenKinds & 1u << LINE_CRC32) ? tags->unseen[LINE_CRC32] : NULL;
    for (size_t i = tags->seenCount; i-- > 0;) /* one seen stands before any unseen */
        if (tags->seen[i].kind == LINE_CRC32) opening = tags->seen[i].at;
    if (opening == NULL || !WholeLineValue(line, LINE_CRC32, opening, &value)) return;
    bool seen = opening < line->limit && TagAt(opening, line->limit) == LINE_CRC32;
    NoteKeyIgnored(c, seen ? KEY_SHADOWED : KEY_LONG_LINE, value, line->kind);
}

/* A "<game>" on a line while a game is being filled: the two become one. */
static void NoteGameOpening(CatalogueCheck *c) {
    if (c->gameStart == 0) return;
    c->openedAt = c->line;
    Report(c, FINDING_MERGED_GAME, c->line, [&] {
        return Say(c, M_CHECK_MERGED_GAME,
                   {OpeningTag(LINE_END_OF_GAME), std::to_string(c->gameStart), GameName(c, Filling(c))});
    });
}

void CheckLineBefore(CatalogueCheck *c, const CatalogueLine *line) {
    CheckShiftJis(c);
    LineTags tags;
    TextView value;
    bool closed = IsField(line->kind) && LineValue(line, &value);
    bool longLine = c->length > MAX_LINE_LENGTH, searched = longLine || !PlainLine(line, closed);
    bool runTogether = LoneCarriageReturns(c);
    if (searched) FindTags(line, &tags);
    else NoteLoneTag(line, &tags);
    bool valueLost = longLine && ReportLongLine(c, line, closed, &tags, runTogether);
    if (!runTogether && tags.seenCount > 1) ReportShadowed(c, line, &tags);
    if (tags.nearMiss != NULL && line->kind == LINE_OTHER && !runTogether) ReportNearMiss(c, line, &tags);
    if (tags.gameOpening && line->kind != LINE_END_OF_GAME && line->kind != LINE_END_OF_GAMES) NoteGameOpening(c);
    if (IsField(line->kind)) CheckValue(c, line, closed ? &value : NULL, valueLost);
    if (line->kind == LINE_CRC32 && closed && value.length >= KEY_FIELD_SIZE && c->work != NULL) NoteKeyCut(c, value);
    if (searched && c->work != NULL) NoteIgnoredChecksum(c, line, closed, &tags);
}
