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
    if (withFiles) row.push_back(g.askedBy == ASKED_BY_FILE ? g.file : "-");
    if (g.state != ROW_ANSWERED) {
        row.push_back("-");
        row.push_back((g.state == ROW_SKIPPED ? "(skipped: " : "(cannot read: ") + g.note + ")");
        return row;
    }
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
static std::string Layout(std::vector<Row> rows) {
    std::vector<size_t> widths;
    for (Row &row : rows)
        for (size_t c = 0; c < row.size(); c++) {
            row[c] = Visible(row[c]); /* no cell may move the cursor */
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
        out += Visible("Plug-in version " + std::to_string(about->version) + " by " + about->author) +
               "\n" + Visible(about->description) + "\n";
    if (games.empty()) return out;
    if (about != NULL) out += "\n";
    bool withFiles = false;
    for (const GameAnswer &g : games) withFiles = withFiles || g.askedBy == ASKED_BY_FILE;
    std::vector<Row> rows;
    Row header = {"KEY", "TITLE", "MAKER", "GENRE", "YEAR", "MEMO"};
    if (withFiles) header.insert(header.begin(), "FILE");
    rows.push_back(header);
    for (const GameAnswer &g : games) rows.push_back(RowFor(g, withFiles));
    return out + Layout(rows);
}

/* A name or key: as UTF-8, and whole in hexadecimal when it is not. */
static void PutName(nlohmann::ordered_json &entry, const char *field, const std::string &bytes) {
    entry[field] = ValidUtf8(bytes);
    if (!IsValidUtf8(bytes)) entry[std::string(field) + "_hex"] = HexBytes(bytes);
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
        entry["asked"] = g.askedBy == ASKED_BY_FILE ? "file" : "key";
        if (g.askedBy == ASKED_BY_FILE) PutName(entry, "file", g.file);
        if (g.state != ROW_ANSWERED) {
            entry[g.state == ROW_SKIPPED ? "skipped" : "error"] = ValidUtf8(g.note);
            doc["games"].push_back(entry);
            continue;
        }
        PutName(entry, "key", g.key);
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
    return doc.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}
