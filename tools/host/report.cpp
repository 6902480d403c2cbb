/* Reports (the answers, row by row, as a terminal table, JSON or CSV) */
#include "report.h"

#include <nlohmann/json.hpp>

#include "platform.h"
#include "text.h"

typedef std::vector<std::string> Row;

static const char *const kHeader[COLUMNS + 1] = {"FILE", "KEY", "TITLE", "MAKER", "GENRE", "YEAR", "MEMO"};

/* Wide enough for most catalogues' cells, narrow enough for a terminal. */
static const size_t kColumnLimit[COLUMNS] = {60, 16, 40, 24, 16, 6};

/* The CSV's columns: every field a JSON row may have. */
static const char *const kCsvFields[] = {"asked", "file", "file_hex", "member", "member_hex", "encrypted",
                                         "key", "key_hex", "found", "title", "maker", "genre", "memo", "year",
                                         "catalogue_has", "skipped", "error"};

static std::string YearText(int32_t year) {
    return year != 0 ? std::to_string(year) : "-"; /* 0: the catalogue gives no date */
}

static void Fit(Report *report, Column column, const std::string &cell) {
    size_t width = std::min(DisplayWidth(Visible(cell)), kColumnLimit[column]);
    report->widths[column] = std::max(report->widths[column], width);
}

Report StartReport(ReportFormat format, const CheckReport &catalogue) {
    Report report = {format, false, {0}, 0};
    for (int c = 0; c < COLUMNS; c++) Fit(&report, (Column)c, kHeader[c]);
    Fit(&report, COLUMN_YEAR, YearText(0));
    for (size_t i = 0; format == REPORT_TABLE && i < catalogue.games.size(); i++) {
        if (!catalogue.games[i].findable) continue;
        const GameRecord &r = catalogue.records[i];
        Fit(&report, COLUMN_TITLE, Utf8FromShiftJis(r.title));
        Fit(&report, COLUMN_MAKER, Utf8FromShiftJis(r.publisher));
        Fit(&report, COLUMN_GENRE, Utf8FromShiftJis(r.genre));
        Fit(&report, COLUMN_YEAR, YearText(r.year));
    }
    return report;
}

/* FILE: a member below its archive, marked when it is encrypted. */
static std::string FileCell(const GameAnswer &g) {
    if (!g.member.present) return g.file;
    return MemberName(g.file, g.member.name) + (g.member.encrypted ? " (encrypted)" : "");
}

void FitRows(Report *report, const std::vector<GameAnswer> &games) {
    for (const GameAnswer &g : games) {
        report->withFiles = report->withFiles || g.askedBy == ASKED_BY_FILE;
        Fit(report, COLUMN_FILE, FileCell(g));
        Fit(report, COLUMN_KEY, g.askedBy == ASKED_BY_FILE ? "00000000" : g.key);
    }
}

static Row RowFor(const GameAnswer &g, bool withFiles) {
    Row row;
    if (withFiles) row.push_back(g.askedBy == ASKED_BY_FILE ? FileCell(g) : "-");
    if (g.state != ROW_ANSWERED) {
        row.push_back("-");
        row.push_back((g.state == ROW_SKIPPED ? "(skipped: " : "(cannot read: ") + g.note + ")");
        return row;
    }
    row.push_back(g.key);
    if (!g.found) {
        row.push_back(g.hint.empty() ? "(not in the catalogue)" : "(not in the catalogue; it has " + g.hint + ")");
        return row;
    }
    for (const std::string *s : {&g.title, &g.maker, &g.genre}) row.push_back(*s);
    row.push_back(YearText(g.year));
    row.push_back(g.memo);
    return row;
}

/* Each cell padded to its column; the last is not padded. */
static std::string Line(const Report &report, const Row &row) {
    const size_t *widths = report.withFiles ? report.widths : report.widths + 1;
    std::string line;
    for (size_t c = 0; c < row.size(); c++) {
        std::string cell = Visible(row[c]); /* no cell may move the cursor */
        line += cell;
        if (c + 1 < row.size()) line += std::string(std::max(widths[c], DisplayWidth(cell)) - DisplayWidth(cell) + 2, ' ');
    }
    return line.substr(0, line.find_last_not_of(' ') + 1) + "\n";
}

void PutName(nlohmann::ordered_json &entry, const char *field, const std::string &bytes) {
    entry[field] = ValidUtf8(bytes);
    if (!IsValidUtf8(bytes)) entry[std::string(field) + "_hex"] = HexBytes(bytes);
}

static nlohmann::ordered_json Entry(const GameAnswer &g) {
    nlohmann::ordered_json entry;
    entry["asked"] = g.askedBy == ASKED_BY_FILE ? "file" : "key";
    if (g.askedBy == ASKED_BY_FILE) PutName(entry, "file", g.file);
    if (g.member.present) {
        entry["member"] = g.member.name;
        if (g.member.recorded != g.member.name) entry["member_hex"] = HexBytes(g.member.recorded);
        if (g.member.encrypted) entry["encrypted"] = true;
    }
    if (g.state != ROW_ANSWERED) {
        entry[g.state == ROW_SKIPPED ? "skipped" : "error"] = ValidUtf8(g.note);
        return entry;
    }
    PutName(entry, "key", g.key);
    entry["found"] = g.found;
    if (g.found) {
        entry["title"] = g.title;
        entry["maker"] = g.maker;
        entry["genre"] = g.genre;
        entry["memo"] = g.memo;
        entry["year"] = g.year;
    } else if (!g.hint.empty()) {
        entry["catalogue_has"] = ValidUtf8(g.hint);
    }
    return entry;
}

static std::string Dump(const nlohmann::ordered_json &value) {
    return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

/* RFC 4180: quoted when it holds a comma, a quote or a line end; quotes doubled. */
static std::string CsvCell(const nlohmann::ordered_json &value) {
    std::string text = value.is_string() ? value.get<std::string>() : Dump(value);
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

static std::string CsvLine(const std::vector<std::string> &cells) {
    std::string line;
    for (size_t i = 0; i < cells.size(); i++) line += (i != 0 ? "," : "") + cells[i];
    return line + "\r\n";
}

std::string ReportHead(const Report &report, const Identity *about, bool anyRows) {
    if (report.format == REPORT_CSV) {
#ifdef _WIN32
        std::string head = "\xEF\xBB\xBF"; /* spreadsheet programs then read UTF-8 */
#else
        std::string head;
#endif
        return head + CsvLine(std::vector<std::string>(std::begin(kCsvFields), std::end(kCsvFields)));
    }
    if (report.format == REPORT_JSON) {
        std::string head = "{\n";
        if (about != NULL)
            head += "  \"plugin\": " + Dump({{"version", about->version}, {"author", about->author},
                                             {"description", about->description}}) + ",\n";
        return head + "  \"games\": [";
    }
    std::string head;
    if (about != NULL)
        head += Visible("Plug-in version " + std::to_string(about->version) + " by " + about->author) + "\n" +
                Visible(about->description) + "\n";
    if (!anyRows) return head;
    Row header(kHeader + (report.withFiles ? 0 : 1), kHeader + COLUMNS + 1);
    return head + (about != NULL ? "\n" : "") + Line(report, header);
}

std::string ReportRow(Report *report, const GameAnswer &game) {
    report->rows++;
    if (report->format == REPORT_TABLE) return Line(*report, RowFor(game, report->withFiles));
    nlohmann::ordered_json entry = Entry(game);
    if (report->format == REPORT_JSON) return (report->rows == 1 ? "\n    " : ",\n    ") + Dump(entry);
    std::vector<std::string> cells;
    for (const char *field : kCsvFields) cells.push_back(entry.contains(field) ? CsvCell(entry[field]) : "");
    return CsvLine(cells);
}

std::string ReportTail(const Report &report) {
    if (report.format != REPORT_JSON) return "";
    return std::string(report.rows != 0 ? "\n  ]" : "]") + "\n}\n";
}
