/* Printing a check (the checker's findings in the compiler's style, or as JSON) */
#include "print_check.h"

#include <string.h>

#include <algorithm>
#include <nlohmann/json.hpp>

#include "printing.h"
#include "text.h"

static std::string Plural(Language language, size_t n, MessageId one, MessageId many) {
    return Say(language, n == 1 ? one : many, {std::to_string(n)});
}

static std::string GamesLine(const CheckReport &r, Language l) {
    std::string line = Say(l, M_CHECK_GAMES, {Plural(l, r.games.size(), M_GAME_ONE, M_GAME_MANY),
                                              std::to_string(r.findable), std::to_string(r.unreachable)});
    if (r.ignored != 0)
        line += Say(l, M_CHECK_IGNORED, {Plural(l, r.ignored, M_GAME_ONE, M_GAME_MANY), std::to_string(MAX_GAMES)});
    return line;
}

/* The findings' kinds and how many of each: "1 long-line, 2 odd-date". */
static std::string KindsLine(const CheckReport &r, Language l) {
    std::string kinds;
    for (int k = 0; k < FINDING_KINDS; k++)
        if (r.counts[k] != 0)
            kinds += (kinds.empty() ? "" : MessageText(M_LIST_SEPARATOR, l)) +
                     Say(l, M_KIND_COUNT, {std::to_string(r.counts[k]), FindingName((FindingKind)k)});
    return kinds;
}

/* How many were not kept of each kind, said once each after the findings. */
static std::string NotKept(const std::string &shown, const CheckReport &report, Language language) {
    size_t kept[FINDING_KINDS] = {0};
    for (const Finding &f : report.findings) kept[f.kind]++;
    std::string out;
    for (int k = 0; k < FINDING_KINDS; k++)
        if (report.counts[k] > kept[k])
            out += shown + ": " + Say(language, M_CHECK_MORE_OF_KIND, {std::to_string(report.counts[k] - kept[k])}) +
                   " [" + FindingName((FindingKind)k) + "]\n";
    return out;
}

/* "data.dat:12: note: key '58DE32': ..." for each key asked. */
static std::string KeysText(const std::string &shown, const CheckReport &report, Language language) {
    std::string out;
    for (const KeyExplanation &k : report.keys) {
        size_t line = k.keyLine != 0 ? k.keyLine : k.gameLine;
        out += shown + (line != 0 ? ":" + std::to_string(line) : "") + ": note: " +
               Visible(Say(language, M_CHECK_KEY, {k.key, k.message})) + "\n";
    }
    return out;
}

std::string CheckText(const std::string &name, const CheckReport &report, Language language) {
    std::string shown = Visible(name), out;
    for (const Finding &f : report.findings) /* "warning:" is for editors to find, in every language */
        out += shown + (f.line != 0 ? ":" + std::to_string(f.line) : "") + ": warning: " +
               Visible(f.message) + " [" + FindingName(f.kind) + "]\n";
    out += NotKept(shown, report, language) + KeysText(shown, report, language);
    out += shown + ": " + GamesLine(report, language) + "\n";
    size_t total = 0;
    for (size_t count : report.counts) total += count;
    if (total == 0) return out + shown + ": " + MessageText(M_CHECK_NOTHING, language) + "\n";
    std::string findings = Plural(language, total, M_FINDING_ONE, M_FINDING_MANY);
    return out + shown + ": " + Say(language, M_CHECK_FINDINGS, {findings, KindsLine(report, language)}) + "\n";
}

/* What scripts read of each key's fate. */
static const char *const kVerdicts[KEY_VERDICTS] = {
    "found",    "hidden",  "no-game",  "past-table", "after-end",       "unfinished-game", "merged-game",
    "set-again", "long-line", "shadowed", "cut",        "case-or-padding", "spaces-or-0x"};

static nlohmann::ordered_json KeysJson(const CheckReport &report) {
    nlohmann::ordered_json keys = nlohmann::ordered_json::array();
    for (const KeyExplanation &k : report.keys) {
        nlohmann::ordered_json key;
        PutName(key, "key", k.key);
        key["verdict"] = kVerdicts[k.verdict];
        if (k.gameLine != 0) key["line"] = k.gameLine;
        if (k.keyLine != 0) key["key_line"] = k.keyLine;
        if (k.otherLine != 0) key["other_line"] = k.otherLine;
        if (!k.value.empty()) key["catalogue_has"] = ShownValue(k.value);
        key["message"] = k.message;
        keys.push_back(key);
    }
    return keys;
}

std::string CheckJson(const std::string &name, const CheckReport &report) {
    nlohmann::ordered_json doc, counts = nlohmann::ordered_json::object();
    doc["catalogue"] = ValidUtf8(name);
    for (int k = 0; k < FINDING_KINDS; k++)
        if (report.counts[k] != 0) counts[FindingName((FindingKind)k)] = report.counts[k];
    doc["summary"] = {{"games_finished", report.games.size()}, {"findable", report.findable},
                      {"unreachable", report.unreachable}, {"ignored", report.ignored},
                      {"findings", counts}};
    size_t kept[FINDING_KINDS] = {0};
    doc["findings"] = nlohmann::ordered_json::array();
    for (const Finding &f : report.findings) {
        kept[f.kind]++;
        doc["findings"].push_back({{"line", f.line}, {"kind", FindingName(f.kind)},
                                   {"message", f.message}});
    }
    nlohmann::ordered_json notListed = nlohmann::ordered_json::object();
    for (int k = 0; k < FINDING_KINDS; k++)
        if (report.counts[k] > kept[k]) notListed[FindingName((FindingKind)k)] = report.counts[k] - kept[k];
    if (!notListed.empty()) doc["summary"]["findings_not_listed"] = notListed;
    if (!report.keys.empty()) doc["keys"] = KeysJson(report);
    doc["games"] = nlohmann::ordered_json::array();
    for (size_t i = 0; i < report.games.size(); i++) {
        const CheckedGame &g = report.games[i];
        const GameRecord &r = report.records[i];
        nlohmann::ordered_json game = {{"line", g.firstLine}, {"end_line", g.endLine}};
        game["key"] = ShownValue(r.crc32); /* Shift_JIS, as the findings quote it */
        if (!std::all_of(r.crc32, r.crc32 + strlen(r.crc32), [](char c) { return (unsigned char)c < 0x80; }))
            game["key_hex"] = HexBytes(r.crc32);
        game["findable"] = g.findable;
        if (g.shadowedBy >= 0) game["hidden_by_line"] = report.games[(size_t)g.shadowedBy].firstLine;
        game["title"] = Utf8FromShiftJis(r.title);
        game["maker"] = Utf8FromShiftJis(r.publisher);
        game["genre"] = Utf8FromShiftJis(r.genre);
        game["memo"] = Utf8FromShiftJis(r.comment);
        game["year"] = r.year;
        doc["games"].push_back(game);
    }
    return JsonText(doc, 2) + "\n";
}
