/* Printing as CSV (RFC 4180: the JSON's fields, one column each, for spreadsheets) */
#include "printing.h"

/* The CSV's columns: every field a JSON row may have. */
static const char *const kCsvFields[] = {"asked", "file", "file_hex", "member", "member_hex", "encrypted",
                                         "key", "key_hex", "found", "title", "maker", "genre", "memo", "year",
                                         "catalogue_has", "catalogue_line", "why_not_found", "skipped", "error"};

/* Quoted when it holds a comma, a quote or a line end; quotes doubled. */
static std::string CsvCell(const nlohmann::ordered_json &value) {
    std::string text = value.is_string() ? value.get<std::string>() : JsonText(value);
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

std::string CsvHeader(void) {
    return CsvLine(std::vector<std::string>(std::begin(kCsvFields), std::end(kCsvFields)));
}

std::string CsvRow(const nlohmann::ordered_json &entry) {
    std::vector<std::string> cells;
    for (const char *field : kCsvFields) cells.push_back(entry.contains(field) ? CsvCell(entry[field]) : "");
    return CsvLine(cells);
}
