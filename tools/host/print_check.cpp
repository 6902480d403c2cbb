/* Printing a check (the checker's findings in the compiler's style, or as JSON) */
#include "print_check.h"

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

std::string CheckText(const std::string &name, const CheckReport &report, Language language) {
    std::string shown = Visible(name), out;
    for (const Finding &f : report.findings) /* "warning:" is for editors to find, in every language */
        out += shown + (f.line != 0 ? ":" + std::to_string(f.line) : "") + ": warning: " +
               Visible(Utf8FromShiftJis(f.message)) + " [" + FindingName(f.kind) + "]\n";
    out += shown + ": " + GamesLine(report, language) + "\n";
    if (report.findings.empty()) return out + shown + ": " + MessageText(M_CHECK_NOTHING, language) + "\n";
    std::string findings = Plural(language, report.findings.size(), M_FINDING_ONE, M_FINDING_MANY);
    return out + shown + ": " + Say(language, M_CHECK_FINDINGS, {findings, KindsLine(report, language)}) + "\n";
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
                                   {"message", Utf8FromShiftJis(f.message)}});
    doc["games"] = nlohmann::ordered_json::array();
    for (size_t i = 0; i < report.games.size(); i++) {
        const CheckedGame &g = report.games[i];
        const GameRecord &r = report.records[i];
        nlohmann::ordered_json game = {{"line", g.firstLine}, {"end_line", g.endLine}};
        PutName(game, "key", r.crc32); /* as the query JSON gives a key */
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
