/* Key explanations (why the plug-in answers a key as it does, and the values a host may have meant) */
#include <string.h>

#include <unordered_map>

#include "check_state.h"
#include "checker.h"
#include "keys.h"

/* A key asked, and the best evidence for it so far: found beats its value
   somewhere the plug-in misses, which beats a value only like it; among
   equals, the earliest line. */
struct KeyState {
    KeyExplanation said;
    int rank;       /* 0 nothing yet, 1 a likeness, 2 its value, 3 found */
    LineKind taker; /* LONG_LINE, SHADOWED: the tag that takes the line */
    bool findable;  /* CASE_OR_PADDING: some key finds the game that is like it */
};

enum { RANK_LIKE = 1, RANK_VALUE = 2, RANK_FOUND = 3 };

typedef std::unordered_map<std::string, std::vector<size_t>> KeyMap;

struct KeyWork {
    std::vector<KeyState> keys;
    KeyMap exact; /* by the key normalised, as 16 bytes; a key too long for that by its own bytes */
    KeyMap like;  /* by LooseForm */
};

static bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

/* Where a key's digits stand: without blanks around it, or a "0x" before it. */
static void Digits(const std::string &key, size_t *start, size_t *end) {
    *start = 0;
    *end = key.size();
    while (*start < *end && IsBlank(key[*start])) (*start)++;
    while (*end > *start && IsBlank(key[*end - 1])) (*end)--;
    if (*end - *start >= 2 && key[*start] == '0' && (key[*start + 1] == 'x' || key[*start + 1] == 'X')) {
        *start += 2;
        while (*start < *end && IsBlank(key[*start])) (*start)++;
    }
}

/* Where the loose form lies in the key: the digits, without leading zeros. */
static void LooseSpan(const std::string &key, size_t *start, size_t *end) {
    Digits(key, start, end);
    while (*end - *start > 1 && key[*start] == '0') (*start)++;
}

std::string LooseForm(const std::string &key) {
    size_t start, end;
    LooseSpan(key, &start, &end);
    std::string loose = key.substr(start, end - start);
    for (char &c : loose) c = c >= 'a' && c <= 'z' ? (char)(c - 'a' + 'A') : c;
    return loose;
}

bool LooseKey(const std::string &key, char loose[KEY_FIELD_SIZE]) {
    size_t start = 0, end = key.size();
    if (end == 0 || IsBlank(key[0]) || IsBlank(key[end - 1]) || (end >= 2 && key[1] == 'x') || (end >= 2 && key[1] == 'X'))
        LooseSpan(key, &start, &end); /* spaces or 0x: the long way */
    else
        while (end - start > 1 && key[start] == '0') start++;
    if (end - start >= KEY_FIELD_SIZE) return false;
    memset(loose, 0, KEY_FIELD_SIZE);
    for (size_t i = start; i < end; i++) loose[i - start] = (char)(key[i] >= 'a' && key[i] <= 'z' ? key[i] - 32 : key[i]);
    return true;
}

/* Hexadecimal digits with spaces, tabs or a "0x" around them. */
static bool Decorated(const char *value) {
    std::string key(value);
    size_t start, end;
    Digits(key, &start, &end);
    if (start == end || (start == 0 && end == key.size())) return false;
    for (size_t i = start; i < end; i++)
        if (!IsHexDigit(key[i])) return false;
    return true;
}

static std::string Field(const char *crc32) {
    return std::string(crc32, KEY_FIELD_SIZE);
}

void StartKeys(CatalogueCheck *c) {
    if (c->options.keys.empty()) return;
    c->work = new KeyWork;
    for (const std::string &key : c->options.keys) {
        size_t i = c->work->keys.size();
        KeyState state = {{key, KEY_NO_GAME, -1, 0, 0, 0, "", ""}, 0, LINE_OTHER, false};
        c->work->keys.push_back(state);
        char normalized[KEY_FIELD_SIZE];
        const char *asked = key.c_str(); /* the plug-in reads a key up to its NUL */
        c->work->exact[NormalizeKey(asked, normalized) ? Field(normalized) : std::string(asked)].push_back(i);
        if (LooseForm(asked) != "") c->work->like[LooseForm(asked)].push_back(i);
    }
}

static const std::vector<size_t> &Asking(const KeyMap &map, const std::string &key) {
    static const std::vector<size_t> none;
    KeyMap::const_iterator found = map.find(key);
    return found != map.end() ? found->second : none;
}

/* Evidence for the keys that `key` names in `map`. */
static void Evidence(CatalogueCheck *c, const KeyMap &map, const std::string &key, const KeyState &evidence) {
    for (size_t i : Asking(map, key)) {
        KeyState &state = c->work->keys[i];
        if (evidence.rank < state.rank || (evidence.rank == state.rank && evidence.said.keyLine >= state.said.keyLine))
            continue;
        std::string asked = state.said.key;
        state = evidence;
        state.said.key = asked;
    }
}

static KeyState Seen(KeyVerdict verdict, int rank, size_t gameLine, size_t keyLine, size_t otherLine,
                     const std::string &value) {
    return {{"", verdict, -1, gameLine, keyLine, otherLine, value, ""}, rank, LINE_OTHER, false};
}

static void AddKeyLike(CatalogueCheck *c, const char *value, size_t line, KeyLikeReason reason) {
    std::vector<KeyLike> &list = c->report->keyLikes;
    if (!c->options.listKeys || value[0] == '\0' || list.size() >= MAX_KEY_LIKES) return;
    KeyLike entry;
    memcpy(entry.value, value, KEY_FIELD_SIZE);
    entry.line = line < UINT32_MAX ? (uint32_t)line : UINT32_MAX;
    entry.reason = reason;
    list.push_back(entry);
}

/* A game the parse finished: found by its key, or hiding a later game
   with it; or like a key asked. */
void NoteKeyGame(CatalogueCheck *c, int32_t index) {
    const CheckedGame &game = c->report->games[(size_t)index];
    const GameRecord &record = c->report->records[(size_t)index];
    bool decorated = Decorated(record.crc32);
    if (game.findable || decorated)
        AddKeyLike(c, record.crc32, game.keyLine, decorated ? KEY_LIKE_DECORATED : KEY_LIKE_FINDABLE);
    else if (game.shadowedBy < 0) /* no earlier game has its key: only its length keeps it from being found */
        AddKeyLike(c, record.crc32, game.keyLine, KEY_LIKE_PADDED_AWAY);
    if (c->work == NULL) return;
    for (size_t i : Asking(c->work->exact, Field(record.crc32))) {
        KeyState &state = c->work->keys[i];
        if (game.findable) {
            state.rank = RANK_FOUND;
            state.said = {state.said.key, KEY_FOUND, index, game.firstLine, game.keyLine, 0, record.crc32, ""};
        } else if (game.shadowedBy >= 0 && state.said.verdict == KEY_FOUND) {
            state.said.verdict = KEY_HIDDEN;
            state.said.otherLine = game.keyLine;
        }
    }
    KeyState like = Seen(decorated ? KEY_DECORATED : KEY_CASE_OR_PADDING, RANK_LIKE, game.firstLine, game.keyLine, 0,
                         record.crc32);
    like.findable = game.findable;
    Evidence(c, c->work->like, LooseForm(record.crc32), like);
}

void NoteKeyBeyond(CatalogueCheck *c, Beyond where, const GameRecord &record, size_t gameLine, size_t keyLine) {
    AddKeyLike(c, record.crc32, keyLine, where == BEYOND_TABLE ? KEY_LIKE_PAST_TABLE : KEY_LIKE_AFTER_END);
    if (c->work == NULL) return;
    KeyVerdict verdict = where == BEYOND_TABLE ? KEY_PAST_TABLE : KEY_AFTER_END;
    size_t stop = where == BEYOND_TABLE ? c->tableEndLine : c->endOfGamesLine;
    Evidence(c, c->work->exact, Field(record.crc32), Seen(verdict, RANK_VALUE, gameLine, keyLine, stop, record.crc32));
}

void NoteKeyReplaced(CatalogueCheck *c, const char *old, size_t setLine, bool merged) {
    Evidence(c, c->work->exact, Field(old),
             Seen(merged ? KEY_MERGED : KEY_SET_AGAIN, RANK_VALUE, c->gameStart, setLine, c->line, old));
}

/* A crc32 value as the parse would store it: cut, and zero after its end. */
static std::string Stored(TextView value) {
    std::string field(KEY_FIELD_SIZE, '\0');
    memcpy(&field[0], value.start, value.length < KEY_FIELD_SIZE ? value.length : KEY_FIELD_SIZE - 1);
    return field;
}

void NoteKeyIgnored(CatalogueCheck *c, KeyVerdict why, TextView value, LineKind taker) {
    std::string bytes(value.start, value.length);
    KeyState ignored = Seen(why, RANK_VALUE, c->gameStart, c->line, 0, bytes);
    ignored.taker = taker;
    Evidence(c, c->work->exact, Stored(value), ignored);
    if (value.length >= KEY_FIELD_SIZE) Evidence(c, c->work->exact, bytes, ignored);
}

void NoteKeyCut(CatalogueCheck *c, TextView value) {
    std::string bytes(value.start, value.length);
    Evidence(c, c->work->exact, bytes,
             Seen(KEY_CUT, RANK_VALUE, c->gameStart != 0 ? c->gameStart : c->line, c->line, 0, bytes));
}

void NoteKeyUnfinished(CatalogueCheck *c) {
    const char *key = Filling(c).crc32;
    Evidence(c, c->work->exact, Field(key),
             Seen(KEY_UNFINISHED, RANK_VALUE, c->gameStart, c->keySetAt != 0 ? c->keySetAt : c->gameStart, 0, key));
}

static std::string Number(size_t n) {
    return std::to_string(n);
}

static std::string Explain(const CatalogueCheck *c, const KeyState &state) {
    const KeyExplanation &k = state.said;
    std::string crc32 = OpeningTag(LINE_CRC32), limit = Number(MAX_LINE_LENGTH);
    switch (k.verdict) {
    case KEY_FOUND: return Say(c, M_KEY_FOUND, {Number(k.gameLine), Number(k.keyLine)});
    case KEY_HIDDEN: return Say(c, M_KEY_HIDDEN, {Number(k.gameLine), Number(k.keyLine), Number(k.otherLine)});
    case KEY_PAST_TABLE:
        return Say(c, M_KEY_PAST_TABLE,
                   {Number(k.gameLine), Number(k.keyLine), Number(MAX_GAMES), Number(k.otherLine)});
    case KEY_AFTER_END:
        return Say(c, M_KEY_AFTER_END,
                   {Number(k.gameLine), Number(k.keyLine), OpeningTag(LINE_END_OF_GAMES), Number(k.otherLine)});
    case KEY_UNFINISHED:
        return Say(c, M_KEY_UNFINISHED, {Number(k.gameLine), Number(k.keyLine), OpeningTag(LINE_END_OF_GAME)});
    case KEY_MERGED:
        return Say(c, M_KEY_MERGED,
                   {Number(k.gameLine), Number(k.keyLine), OpeningTag(LINE_END_OF_GAME), Number(k.otherLine)});
    case KEY_SET_AGAIN: return Say(c, M_KEY_SET_AGAIN, {Number(k.gameLine), Number(k.keyLine), Number(k.otherLine)});
    case KEY_LONG_LINE:
        return state.taker == LINE_CRC32
                   ? Say(c, M_KEY_VALUE_DROPPED, {crc32, Number(k.keyLine), ClosingTag(LINE_CRC32), limit})
                   : Say(c, M_KEY_TAG_NOT_SEEN, {crc32, Number(k.keyLine), limit});
    case KEY_SHADOWED: return Say(c, M_KEY_SHADOWED, {Number(k.keyLine), OpeningTag(state.taker)});
    case KEY_CUT:
        return Say(c, M_KEY_CUT, {crc32, Shown(k.value.c_str()), Number(k.keyLine), Number(KEY_FIELD_SIZE - 1),
                                  Shown(k.value.substr(0, KEY_FIELD_SIZE - 1).c_str())});
    case KEY_CASE_OR_PADDING:
        return Say(c, state.findable ? M_KEY_CASE_OR_PADDING : M_KEY_PADDED_AWAY,
                   {Shown(k.value.c_str()), Number(k.keyLine)});
    case KEY_DECORATED: return Say(c, M_KEY_DECORATED, {Number(k.keyLine), Shown(k.value.c_str())});
    default: return Say(c, M_KEY_NO_GAME);
    }
}

void EndKeys(CatalogueCheck *c) {
    if (c->work == NULL) return;
    for (KeyState &state : c->work->keys) {
        state.said.message = Explain(c, state);
        c->report->keys.push_back(state.said);
    }
    delete c->work;
    c->work = NULL;
}
