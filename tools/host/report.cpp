/* Reports (the answers as a terminal table or as JSON) */
#include "report.h"

#include <nlohmann/json.hpp>

#include "text.h"

typedef std::vector<std::string> Row;

static std::string YearText(const GameAnswer &g) {
    return g.year != 0 ? std::to_string(g.year) : "-"; /* 0: the catalogue gives no date */
}

static Row RowFor(const GameAnswer &g, bool withFiles) {
    Row row;
    if (withFiles) row.push_back(g.file);
    row.push_back(g.key);
    if (!g.found) {
        row.push_back("(not in the catalogue)");
        return row;
    }
    for (const std::string *s : {&g.title, &g.maker, &g.genre}) row.push_back(*s);
    row.push_back(YearText(g));
    row.push_back(g.memo);
    return row;
}

/* Columns padded to their widest cell; the last column is not padded. */
static std::string Layout(const std::vector<Row> &rows) {
    std::vector<size_t> widths;
    for (const Row &row : rows)
        for (size_t c = 0; c < row.size(); c++) {
            if (widths.size() <= c) widths.push_back(0);
            widths[c] = std::max(widths[c], DisplayWidth(row[c]));
        }
    std::string out;
    for (const Row &row : rows) {
        std::string line;
        for (size_t c = 0; c < row.size(); c++) {
            line += row[c];
            if (c + 1 < row.size()) line += std::string(widths[c] - DisplayWidth(row[c]) + 2, ' ');
        }
        out += line.substr(0, line.find_last_not_of(' ') + 1) + "\n";
    }
    return out;
}

std::string TableReport(const std::vector<GameAnswer> &games, const Identity *about) {
    std::string out;
    if (about != NULL)
        out += "Plug-in version " + std::to_string(about->version) + " by " + about->author +
               "\n" + about->description + "\n";
    if (games.empty()) return out;
    if (about != NULL) out += "\n";
    bool withFiles = !games.front().file.empty();
    std::vector<Row> rows;
    Row header = {"KEY", "TITLE", "MAKER", "GENRE", "YEAR", "MEMO"};
    if (withFiles) header.insert(header.begin(), "FILE");
    rows.push_back(header);
    for (const GameAnswer &g : games) rows.push_back(RowFor(g, withFiles));
    return out + Layout(rows);
}

std::string JsonReport(const std::vector<GameAnswer> &games, const Identity *about) {
    nlohmann::ordered_json doc;
    if (about != NULL)
        doc["plugin"] = {{"version", about->version},
                         {"author", about->author},
                         {"description", about->description}};
    doc["games"] = nlohmann::ordered_json::array();
    for (const GameAnswer &g : games) {
        nlohmann::ordered_json entry;
        if (!g.file.empty()) entry["file"] = g.file;
        entry["key"] = g.key;
        entry["found"] = g.found;
        if (g.found) {
            entry["title"] = g.title;
            entry["maker"] = g.maker;
            entry["genre"] = g.genre;
            entry["memo"] = g.memo;
            entry["year"] = g.year;
        }
        doc["games"].push_back(entry);
    }
    return doc.dump(2) + "\n";
}
