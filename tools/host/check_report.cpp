/* Check reports (the checker's findings in the compiler's style, or as JSON) */
#include "check_report.h"

#include <string.h>

#include <algorithm>
#include <nlohmann/json.hpp>

#include "report.h"
#include "text.h"

static std::string Plural(size_t n, const char *one, const char *many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

static std::string GamesLine(const CheckReport &r) {
    std::string line = Plural(r.games.size(), "game", "games") + " finished: " +
                       std::to_string(r.findable) + " findable, " + std::to_string(r.unreachable) +
                       " unreachable";
    if (r.ignored != 0) line += "; " + Plural(r.ignored, "game", "games") + " ignored past " + std::to_string(MAX_GAMES);
    return line;
}

std::string CheckText(const std::string &name, const CheckReport &report) {
    std::string shown = Visible(name), out;
    for (const Finding &f : report.findings)
        out += shown + (f.line != 0 ? ":" + std::to_string(f.line) : "") + ": warning: " +
               Visible(f.message) + " [" + FindingName(f.kind) + "]\n";
    out += shown + ": " + GamesLine(report) + "\n";
    if (report.findings.empty()) return out + shown + ": nothing to report\n";
    std::string kinds;
    for (int k = 0; k < FINDING_KINDS; k++)
        if (report.counts[k] != 0)
            kinds += std::string(kinds.empty() ? "" : ", ") + std::to_string(report.counts[k]) + " " +
                     FindingName((FindingKind)k);
    return out + shown + ": " + Plural(report.findings.size(), "finding", "findings") + ": " + kinds + "\n";
}

std::string CheckJson(const std::string &name, const CheckReport &report) {
    nlohmann::ordered_json doc, counts = nlohmann::ordered_json::object();
    doc["catalogue"] = ValidUtf8(name);
    for (int k = 0; k < FINDING_KINDS; k++)
        if (report.counts[k] != 0) counts[FindingName((FindingKind)k)] = report.counts[k];
    doc["summary"] = {{"games_finished", report.games.size()}, {"findable", report.findable},
                      {"unreachable", report.unreachable}, {"ignored", report.ignored},
                      {"findings", counts}};
    doc["findings"] = nlohmann::ordered_json::array();
    for (const Finding &f : report.findings)
        doc["findings"].push_back({{"line", f.line}, {"kind", FindingName(f.kind)},
                                   {"message", f.message}});
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
    return doc.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}
