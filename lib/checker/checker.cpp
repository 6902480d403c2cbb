/* Catalogue checker (the text a piece at a time, through the plug-in's own parse step, and the report) */
#include "checker.h"

#include <string.h>

#include <algorithm>

#include "check_state.h"
#include "game_index.h"
#include "keys.h"
#include "text.h"

static const char *const kFindingNames[FINDING_KINDS] = {
    "long-line",        "unclosed-tag",    "shadowed-tag",      "unknown-tag",
    "long-crc32",       "odd-crc32",       "lower-case-crc32",  "duplicate-crc32",
    "no-crc32",         "unlisted-genre",  "odd-date",          "field-set-twice",
    "merged-game",      "unfinished-game", "no-end-of-games",   "after-end-of-games",
    "too-many-games",   "nul-byte",        "not-shift-jis",     "byte-order-mark",
    "utf8-text",        "lone-carriage-return", "no-game",
};

static_assert(M_KIND_NO_GAME - M_KIND_LONG_LINE == FINDING_NO_GAME, "a summary for each kind, in its order");

const char *FindingName(FindingKind kind) {
    return kind < FINDING_KINDS ? kFindingNames[kind] : "?";
}

std::string FindingSummary(FindingKind kind, Language language) {
    return kind < FINDING_KINDS ? Say(language, (MessageId)(M_KIND_LONG_LINE + kind)) : "";
}

/* The slot where a key is, or the empty slot where it would go: the hash
   kept beside each game tells most keys apart without reading its record. */
static size_t SlotOf(const KeyIndex *index, const std::vector<GameRecord> &records, KeyWords key, uint32_t hash) {
    size_t mask = index->slots.size() - 1, slot = hash & mask;
    for (uint64_t held; (held = index->slots[slot]) != 0; slot = (slot + 1) & mask)
        if ((uint32_t)(held >> 32) == hash && SameKey(records[(uint32_t)held - 1].crc32, key)) break;
    return slot;
}

/* Twice the slots, the games entered again: kept small for small texts. */
static void GrowIndex(KeyIndex *index) {
    std::vector<uint64_t> old(index->slots.size() * 2, 0);
    old.swap(index->slots);
    size_t mask = index->slots.size() - 1;
    for (uint64_t held : old) {
        size_t slot = (size_t)(held >> 32) & mask;
        while (held != 0 && index->slots[slot] != 0) slot = (slot + 1) & mask;
        if (held != 0) index->slots[slot] = held;
    }
}

/* The earlier game with this key, or -1 after noting `game` as its first. */
static int32_t FirstWithKey(KeyIndex *index, const std::vector<GameRecord> &records, int32_t game) {
    KeyWords key = KeyOf(records[(size_t)game].crc32);
    uint32_t hash = KeyHash(key);
    size_t slot = SlotOf(index, records, key, hash);
    if (index->slots[slot] != 0) return (int32_t)(uint32_t)index->slots[slot] - 1;
    index->slots[slot] = (uint64_t)hash << 32 | (uint32_t)(game + 1);
    if (++index->used * 2 > index->slots.size()) GrowIndex(index);
    return -1;
}

/* A field the parse has just set; oldKey is the crc32 it held before. */
static void NoteFieldSet(CatalogueCheck *c, LineKind kind, const char *oldKey) {
    size_t &first = c->setAt[kind];
    if (first != 0)
        Report(c, FINDING_FIELD_SET_TWICE, c->line, [&] {
            return Say(c, M_CHECK_FIELD_SET_TWICE,
                       {OpeningTag(kind), GameName(c, Filling(c)), std::to_string(first)});
        });
    else
        first = c->line;
    if (c->gameStart == 0) c->gameStart = c->line;
    if (kind != LINE_CRC32) return;
    bool replaced = c->keySetAt != 0 && memcmp(oldKey, Filling(c).crc32, KEY_FIELD_SIZE) != 0;
    if (replaced && c->work != NULL) NoteKeyReplaced(c, oldKey, c->keySetAt, c->openedAt > c->keySetAt);
    c->keySetAt = c->line;
}

static void StartGame(CatalogueCheck *c) {
    memset(c->setAt, 0, sizeof c->setAt);
    c->gameStart = c->keySetAt = c->openedAt = 0;
}

/* Whether keys are explained or listed: games are then followed for them. */
static bool WantsKeys(const CatalogueCheck *c) {
    return c->work != NULL || c->options.listKeys;
}

static void ClearSpare(CatalogueCheck *c) {
    memset(&c->spare, 0, sizeof c->spare);
    c->spareStart = c->spareKeyAt = 0;
}

/* The game the parse has just finished: whether a key finds it. */
static void NoteGameFinished(CatalogueCheck *c) {
    CheckReport *r = c->report;
    int32_t index = (int32_t)r->games.size();
    size_t keyLine = c->keySetAt != 0 ? c->keySetAt : c->line;
    CheckedGame game = {c->gameStart != 0 ? c->gameStart : c->line, c->line, keyLine, false, -1};
    const GameRecord &record = r->records[(size_t)index];
    char asked[KEY_FIELD_SIZE]; /* what a host's key for it becomes */
    bool reachable = NormalizeKey(record.crc32, asked) && memcmp(asked, record.crc32, KEY_FIELD_SIZE) == 0;
    if (reachable) game.shadowedBy = FirstWithKey(&c->keys, r->records, index);
    game.findable = reachable && game.shadowedBy < 0;
    if (game.shadowedBy >= 0) {
        const CheckedGame &first = r->games[(size_t)game.shadowedBy];
        Report(c, FINDING_DUPLICATE_CRC32, keyLine, [&] {
            const GameRecord &hider = r->records[(size_t)game.shadowedBy];
            return Say(c, M_CHECK_DUPLICATE_CRC32, {GameName(c, record), GameName(c, hider),
                                                    std::to_string(first.keyLine), Shown(record.crc32)});
        });
    } else if (reachable && record.crc32[0] == '\0') {
        Report(c, FINDING_NO_CRC32, c->line, [&] {
            return Say(c, c->setAt[LINE_CRC32] != 0 ? M_CHECK_EMPTY_CRC32 : M_CHECK_NO_CRC32,
                       {GameName(c, record), OpeningTag(LINE_CRC32)});
        });
    }
    (game.findable ? r->findable : r->unreachable)++;
    r->games.push_back(game);
    if (WantsKeys(c)) NoteKeyGame(c, index);
    StartGame(c);
}

/* Room for the next record: a few at first, for small texts, then the
   whole table at once, so that a large catalogue's records are never
   copied twice. */
static void NextRecord(CatalogueCheck *c) {
    std::vector<GameRecord> &records = c->report->records;
    size_t room = records.capacity();
    if (records.size() == room) records.reserve(room < 1024 ? room * 4 : MAX_GAMES + 1);
    records.emplace_back();
    c->parse.records = records.data(); /* the parse fills the records in place */
}

/* Past the plug-in's reading, the first text after the "</games>" that
   ended it is told of; games there are parsed on for the keys. */
static void StopReading(CatalogueCheck *c, bool lookAfterEnd) {
    c->reading = false;
    c->lookingAfterEnd = lookAfterEnd;
    bool keys = WantsKeys(c);
    if (c->full && c->beyond == BEYOND_NOTHING && keys) {
        c->beyond = BEYOND_TABLE;
        c->tableEndLine = c->line;
    } else if (!c->full || c->stopped) {
        c->endOfGamesLine = c->line;
        if (keys) c->beyond = BEYOND_END;
    }
    ClearSpare(c);
}

/* One line while the plug-in reads: the parse's own step, with what the
   checker says around it. */
static void CheckLine(CatalogueCheck *c, const CatalogueLine *line) {
    if (c->options.lineFindings || c->work != NULL) CheckLineBefore(c, line);
    char oldKey[KEY_FIELD_SIZE];
    if (line->kind == LINE_CRC32) memcpy(oldKey, Filling(c).crc32, KEY_FIELD_SIZE); /* the step may replace it */
    switch (ParseStep(&c->parse, line)) {
    case PARSE_SET: NoteFieldSet(c, line->kind, oldKey); return;
    case PARSE_FINISHED: NoteGameFinished(c); NextRecord(c); return;
    case PARSE_FULL:
        NoteGameFinished(c);
        c->full = true;
        StopReading(c, false);
        return;
    case PARSE_ENDED: StopReading(c, true); return;
    default: return;
    }
}

/* A game past the plug-in's reading, finished or given up at "</games>". */
static void NoteSpareGame(CatalogueCheck *c) {
    NoteKeyBeyond(c, c->beyond, c->spare, c->spareStart != 0 ? c->spareStart : c->line,
                  c->spareKeyAt != 0 ? c->spareKeyAt : c->line);
    ClearSpare(c);
}

/* A line the plug-in does not read: past a full table it counts the games
   it ignores, up to a "</games>"; for the keys, games are parsed on. */
static void PassLine(CatalogueCheck *c, const CatalogueLine *line) {
    bool endOfGames = line->kind == LINE_END_OF_GAMES;
    if (c->full && !c->stopped && line->kind == LINE_END_OF_GAME) c->report->ignored++;
    if (c->full && !c->stopped && endOfGames) {
        c->stopped = true;
        StopReading(c, c->report->ignored == 0); /* otherwise too-many-games tells of what follows */
        return;
    }
    if (c->beyond == BEYOND_NOTHING || line->kind == LINE_OTHER || endOfGames) return;
    if (line->kind == LINE_END_OF_GAME) {
        NoteSpareGame(c);
    } else if (ApplyLine(line, &c->spare)) {
        if (c->spareStart == 0) c->spareStart = c->line;
        if (line->kind == LINE_CRC32) c->spareKeyAt = c->line;
    }
}

/* The line's Shift_JIS, from its kept part on; on the first line, after a
   UTF-8 mark, which is told of already. ASCII needs no reading. */
static void StartLineShiftJis(CatalogueCheck *c, bool firstLine) {
    size_t skip = firstLine && c->kept >= 3 && memcmp(c->text, "\xEF\xBB\xBF", 3) == 0 ? 3 : 0;
    StartShiftJis(&c->jis, skip);
    if (c->high) ReadShiftJis(&c->jis, (const unsigned char *)c->text + skip, c->kept - skip);
    else c->jis.offset += c->kept - skip;
    c->jisStarted = true;
}

static void NoteByteOrderMark(CatalogueCheck *c) {
    const unsigned char *b = (const unsigned char *)c->text;
    if (c->kept >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) c->byteOrderMark = 8;
    else if (c->kept >= 2 && ((b[0] == 0xFF && b[1] == 0xFE) || (b[0] == 0xFE && b[1] == 0xFF))) c->byteOrderMark = 16;
}

/* The kept part as the plug-in's reader sees a line: with its line feed,
   and the reader's zero padding after. */
static void ReadKept(CatalogueCheck *c, CatalogueLine *line) {
    c->text[c->kept] = '\n';
    memset(c->text + c->kept + 1, 0, 1 + TEXT_PADDING);
    LineReader reader;
    StartReading(&reader, c->text, c->text + c->kept + 1);
    ReadLine(&reader, line);
}

static void FinishLine(CatalogueCheck *c) {
    c->line++;
    if (c->keepLines) {
        CatalogueLine line;
        ReadKept(c, &line);
        if (c->reading) {
            if (c->line == 1) NoteByteOrderMark(c);
            if (!c->jisStarted && c->options.lineFindings) StartLineShiftJis(c, c->line == 1);
            if (c->options.lineFindings) EndShiftJis(&c->jis);
            CheckLine(c, &line);
        } else {
            PassLine(c, &line);
        }
        c->keepLines = c->reading || (c->full && !c->stopped) || c->beyond != BEYOND_NOTHING;
    }
    c->length = c->kept = c->carriageReturns = 0;
    c->endsInCarriageReturn = c->jisStarted = c->high = false;
}

/* Up to LINE_PREFIX_BYTES of the line are kept; the Shift_JIS of the rest
   is read as it passes. */
static void Keep(CatalogueCheck *c, const char *p, size_t n) {
    size_t room = LINE_PREFIX_BYTES - c->kept, taken = n < room ? n : room;
    memcpy(c->text + c->kept, p, taken);
    c->kept += taken;
    if (taken == n || !c->reading || !c->options.lineFindings) return;
    if (!c->jisStarted) StartLineShiftJis(c, c->line == 0);
    ReadShiftJis(&c->jis, (const unsigned char *)p + taken, n - taken);
}

/* The part's carriage returns, and whether it holds a byte that is not
   ASCII: a word at a time. */
static void ScanPart(CatalogueCheck *c, const char *p, size_t n) {
    uint64_t high = 0, word, returns;
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        memcpy(&word, p + i, 8);
        high |= word;
        if ((returns = BytesEqual(word, '\r')) != 0) c->carriageReturns += (size_t)__builtin_popcountll(returns);
    }
    for (; i < n; i++) {
        high |= (unsigned char)p[i];
        c->carriageReturns += p[i] == '\r';
    }
    c->high = c->high || (high & 0x8080808080808080ull) != 0;
    if (c->high && c->firstHighLine == 0) c->firstHighLine = c->line + 1;
    if (n > 0) c->endsInCarriageReturn = p[n - 1] == '\r';
}

/* The first text after the "</games>" that ended the parse. */
static void LookAfterEnd(CatalogueCheck *c, const char *p, size_t n) {
    for (size_t i = 0; i < n; i++) {
        if (p[i] == ' ' || p[i] == '\t' || p[i] == '\r') continue;
        Report(c, FINDING_AFTER_END_OF_GAMES, c->line + 1, [&] {
            return Say(c, M_CHECK_AFTER_END_OF_GAMES,
                       {OpeningTag(LINE_END_OF_GAMES), std::to_string(c->endOfGamesLine)});
        });
        c->lookingAfterEnd = false;
        return;
    }
}

/* Part of a line, without its line feed. */
static void TakePart(CatalogueCheck *c, const char *p, size_t n) {
    ScanPart(c, p, n);
    if (c->lookingAfterEnd) LookAfterEnd(c, p, n);
    if (c->keepLines) Keep(c, p, n);
    c->length += n;
}

static void TakeText(CatalogueCheck *c, const char *p, size_t n) {
    for (const char *end = p + n; p < end;) {
        const char *feed = (const char *)memchr(p, '\n', (size_t)(end - p));
        TakePart(c, p, (size_t)((feed != NULL ? feed : end) - p));
        if (feed == NULL) return;
        FinishLine(c);
        p = feed + 1;
    }
}

/* The text the plug-in sees has ended; a last line without a line feed is
   read like any other. */
static void EndText(CatalogueCheck *c) {
    if (c->length > 0) FinishLine(c);
}

CatalogueCheck *StartCheck(CheckReport *report, const CheckOptions &options) {
    report->findings.clear();
    report->games.clear();
    report->records.assign(1, GameRecord());
    report->records.reserve(16);
    memset(report->counts, 0, sizeof report->counts);
    report->findable = report->unreachable = report->ignored = report->textLength = 0;
    report->keys.clear();
    report->keyLikes.clear();

    CatalogueCheck *c = new CatalogueCheck(); /* every count, line, flag and stream state 0 */
    c->report = report;
    c->options = options;
    StartParse(&c->parse, report->records.data(), &c->finished);
    c->reading = c->keepLines = true;
    c->keys.slots.assign(1024, 0);
    StartUtf8(&c->utf8);
    StartKeys(c);
    return c;
}

void CheckBytes(CatalogueCheck *c, const char *bytes, size_t length) {
    if (c->textEnded) {
        c->afterNul += length;
        return;
    }
    const char *nul = (const char *)memchr(bytes, '\0', length);
    size_t text = nul != NULL ? (size_t)(nul - bytes) : length;
    c->report->textLength += text;
    ReadUtf8(&c->utf8, (const unsigned char *)bytes, text);
    TakeText(c, bytes, text);
    if (nul == NULL) return;
    c->textEnded = true;
    c->nulLine = c->line + 1;
    c->afterNul = length - text - 1;
    EndText(c);
}

/* What the plug-in's reading came to, said when the text ends. */
static void ReportEnd(CatalogueCheck *c) {
    CheckReport *r = c->report;
    std::string games = std::to_string(MAX_GAMES);
    if (c->full && r->ignored > 0)
        Report(c, FINDING_TOO_MANY_GAMES, r->games.back().endLine, [&] {
            return r->ignored == 1 ? Say(c, M_CHECK_TOO_MANY_GAMES_ONE, {games})
                                   : Say(c, M_CHECK_TOO_MANY_GAMES, {games, std::to_string(r->ignored)});
        });
    else if (c->reading)
        Report(c, FINDING_NO_END_OF_GAMES, c->line,
               [&] { return Say(c, M_CHECK_NO_END_OF_GAMES, {OpeningTag(LINE_END_OF_GAMES)}); });
    if (!c->full && c->gameStart != 0) {
        Report(c, FINDING_UNFINISHED_GAME, c->gameStart,
               [&] { return Say(c, M_CHECK_UNFINISHED_GAME, {OpeningTag(LINE_END_OF_GAME)}); });
        if (c->work != NULL) NoteKeyUnfinished(c);
    }
    if (!c->full) r->records.pop_back(); /* the unfinished record */
    if (r->games.empty())
        Report(c, FINDING_NO_GAME, 0, [&] { return Say(c, M_CHECK_NO_GAME); });
}

/* Byte-order marks, a NUL, and whether the text's non-ASCII bytes read as
   UTF-8: the findings a whole text gives, first where lines tie. Each
   line's Shift_JIS was checked while it was not yet known: when the text
   turns out UTF-8, those findings go. */
static void ReportText(CatalogueCheck *c) {
    CheckReport *r = c->report;
    std::vector<Finding> facts;
    if (c->byteOrderMark != 0)
        facts.push_back({FINDING_BYTE_ORDER_MARK, 1,
                         Say(c, c->byteOrderMark == 8 ? M_CHECK_UTF8_MARK : M_CHECK_UTF16_MARK)});
    if (c->textEnded)
        facts.push_back({FINDING_NUL_BYTE, c->nulLine, Say(c, M_CHECK_NUL_BYTE, {Bytes(c, c->afterNul)})});
    if (c->firstHighLine != 0 && EndUtf8(&c->utf8)) {
        r->findings.erase(std::remove_if(r->findings.begin(), r->findings.end(),
                                         [](const Finding &f) { return f.kind == FINDING_NOT_SHIFT_JIS; }),
                          r->findings.end());
        r->counts[FINDING_NOT_SHIFT_JIS] = 0;
        facts.push_back({FINDING_UTF8_TEXT, c->firstHighLine, Say(c, M_CHECK_UTF8_TEXT)});
    }
    for (const Finding &f : facts) r->counts[f.kind]++;
    r->findings.insert(r->findings.begin(), facts.begin(), facts.end());
}

void EndCheck(CatalogueCheck *c) {
    if (!c->textEnded) EndText(c);
    ReportEnd(c);
    ReportText(c);
    EndKeys(c);
    std::stable_sort(c->report->findings.begin(), c->report->findings.end(), [](const Finding &a, const Finding &b) {
        return a.line - 1 < b.line - 1; /* line order, as a compiler gives them; the catalogue as a whole last */
    });
    delete c;
}

void CheckCatalogue(const std::string &bytes, CheckReport *report, const CheckOptions &options) {
    CatalogueCheck *check = StartCheck(report, options);
    CheckBytes(check, bytes.data(), bytes.size());
    EndCheck(check);
}
