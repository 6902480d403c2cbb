/* Rows (what was asked, in the order asked, each answered through the plug-in) */
#include "rows.h"

#include <algorithm>

#include "game_files.h"
#include "keys_file.h"
#include "platform.h"
#include "text.h"

static GameAnswer KeyRow(const std::string &key, RowState state, const std::string &note) {
    return {ASKED_BY_KEY, "", {false, "", "", false}, key, state, note, false, "", "", "", "", 0, ""};
}

bool IsHexadecimal(const std::string &key) {
    return !key.empty() && key.find_first_not_of("0123456789ABCDEFabcdef") == std::string::npos;
}

static void AddKey(const std::string &key, std::vector<GameAnswer> *rows, void (*warn)(const std::string &)) {
    if (!IsHexadecimal(key)) warn("warning: key '" + key + "' is not hexadecimal");
    rows->push_back(KeyRow(key, ROW_ANSWERED, ""));
}

/* False when the file holds no keys, nor lines that fail. */
static bool AddKeysFile(const std::string &name, const std::string &bytes, std::vector<GameAnswer> *rows,
                        void (*warn)(const std::string &)) {
    std::vector<KeyLine> keys = KeysOf(bytes);
    std::string shown = name == "-" ? "standard input" : "'" + name + "'";
    for (const KeyLine &k : keys) {
        if (k.fault == NULL) AddKey(k.key, rows, warn);
        else rows->push_back(KeyRow("", ROW_FAILED, shown + " line " + std::to_string(k.line) + " " + k.fault));
    }
    if (keys.empty()) warn("warning: " + shown + " holds no keys");
    return !keys.empty();
}

static void AddFiles(const std::string &path, const ListOptions &options, std::vector<GameAnswer> *rows,
                     Listing *listing, void (*warn)(const std::string &)) {
    std::vector<GameFile> files;
    std::vector<std::string> warnings;
    ListGameFiles(path, options.recursive, options.archives, &files, &warnings);
    for (const std::string &w : warnings) warn("warning: " + w);
    listing->filesMissing = listing->filesMissing || !warnings.empty();
    for (const GameFile &f : files) {
        RowState state = f.state == GAME_FILE_SKIPPED ? ROW_SKIPPED
                       : f.state == GAME_FILE_FAILED  ? ROW_FAILED : ROW_ANSWERED;
        std::string key = f.state == GAME_FILE_HASHED ? FullKey(f.crc, options.lower) : ""; /* a member's, as recorded */
        rows->push_back({ASKED_BY_FILE, f.name, f.member, key, state, f.note, false, "", "", "", "", 0, ""});
    }
}

Listing ListRows(const std::vector<Request> &requests, const ListOptions &options, std::vector<GameAnswer> *rows,
                 void (*warn)(const std::string &)) {
    Listing listing = {false, false, ""};
    for (size_t i = 0; i < requests.size() && !Interrupted(); i++) {
        const Request &r = requests[i];
        std::string bytes, error;
        if (r.kind == REQUEST_KEY) {
            AddKey(r.value, rows, warn);
        } else if (r.kind == REQUEST_FILE) {
            AddFiles(r.value, options, rows, &listing, warn);
        } else if (!ReadWholeFile(r.value, options.maxKeysBytes, &bytes, &error)) {
            listing.error = "cannot read keys from '" + r.value + "': " + error;
            return listing;
        } else if (!AddKeysFile(r.value, bytes, rows, warn)) {
            listing.keysMissing = true;
        }
    }
    return listing;
}

/* A key without its leading zeros (one kept when all are), as hosts often
   write a file's. */
static std::string ShortKey(const std::string &key) {
    return key.substr(std::min(key.find_first_not_of('0'), key.empty() ? 0 : key.size() - 1));
}

/* Upper case, without leading zeros. */
static std::string LooseKey(const std::string &key) {
    std::string loose = ShortKey(key);
    for (char &c : loose) c = c >= 'a' && c <= 'z' ? (char)(c - 'a' + 'A') : c;
    return loose;
}

KeyHints HintsOf(const CheckReport &catalogue) {
    KeyHints hints;
    for (size_t i = 0; i < catalogue.games.size(); i++)
        if (catalogue.games[i].findable) hints.emplace(LooseKey(catalogue.records[i].crc32), catalogue.records[i].crc32);
    return hints;
}

void Ask(const Plugin &plugin, const std::string &catalogue, const KeyHints &hints, GameAnswer *g) {
    std::string text;
    g->found = AskText(plugin.title, catalogue, g->key, &text);
    if (!g->found && g->askedBy == ASKED_BY_FILE && ShortKey(g->key) != g->key) {
        g->found = AskText(plugin.title, catalogue, ShortKey(g->key), &text);
        if (g->found) g->key = ShortKey(g->key);
    }
    if (!g->found) {
        KeyHints::const_iterator hint = hints.find(LooseKey(g->key));
        if (hint != hints.end() && hint->second != g->key) g->hint = hint->second;
        return;
    }
    g->title = Utf8FromShiftJis(text);
    const struct {
        PlinorTextQuery query;
        std::string *field;
    } others[] = {{plugin.maker, &g->maker}, {plugin.genre, &g->genre}, {plugin.memo, &g->memo}};
    for (const auto &o : others) {
        AskText(o.query, catalogue, g->key, &text);
        *o.field = Utf8FromShiftJis(text);
    }
    g->year = plugin.year(catalogue.c_str(), g->key.c_str(), 0);
}
