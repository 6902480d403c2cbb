/* Printing as CSV (RFC 4180: the JSON's fields, one column each, guarded for spreadsheets or untouched) */
#include <string.h>

#include "keys_file.h"
#include "printing.h"
#include "text.h"

/* The CSV's columns: every field a JSON row may have. Keys and bytes in
   hexadecimal stay text in a spreadsheet, however they look. */
static const struct {
    const char *name;
    bool key;
} kCsvFields[] = {{"asked", false},  {"file", false},  {"file_hex", true}, {"member", false},
                  {"member_hex", true}, {"encrypted", false}, {"key", true}, {"key_hex", true},
                  {"found", false},  {"title", false}, {"maker", false},  {"genre", false},
                  {"memo", false},   {"year", false},  {"catalogue_has", true}, {"catalogue_line", false},
                  {"why_not_found", false}, {"skipped", false}, {"error", false}};

enum {
    MAX_FORMULA_TEXT = 255 /* bytes: the longest text Excel lets a formula hold is 255 characters */
};

/* Whether a spreadsheet may run it as a formula: it starts, after any
   spaces, with = + - @, a tab or a line end. */
static bool StartsFormula(const std::string &text) {
    size_t first = text.find_first_not_of(' ');
    return first != std::string::npos && std::string("=+-@\t\r\n").find(text[first]) != std::string::npos;
}

/* The bytes of one character that numbers, dates, times, percentages and
   amounts are written with, and whether it is a digit; 0 for any other. */
static size_t NumberMark(const std::string &text, size_t at, bool *digit) {
    unsigned char c = (unsigned char)text[at], third = at + 2 < text.size() ? (unsigned char)text[at + 2] : 0;
    bool wide = text.compare(at, 2, "\xEF\xBC") == 0 && third >= 0x90 && third <= 0x99; /* ０ to ９ */
    *digit = (c >= '0' && c <= '9') || wide;
    if (*digit) return wide ? 3 : 1;
    if (std::string(" .,:/-+%()$eE").find((char)c) != std::string::npos) return 1;
    for (const char *mark : {"\xC2\xA3", "\xC2\xA5", "\xE2\x82\xAC", "\xEF\xBF\xA5"}) /* £ ¥ € ￥ */
        if (text.compare(at, strlen(mark), mark) == 0) return strlen(mark);
    return 0;
}

/* Whether a spreadsheet may read it as a number, date, time, percentage,
   amount or truth value instead of keeping the text: "007", "1E5",
   "12:30" and "TRUE" would not come back as they went. */
static bool LooksLikeNumber(const std::string &text) {
    std::string lower = AsciiLower(text);
    if (lower == "true" || lower == "false") return true;
    bool anyDigit = false, digit = false;
    for (size_t at = 0, length; at < text.size(); at += length) {
        length = NumberMark(text, at, &digit);
        if (length == 0) return false;
        anyDigit = anyDigit || digit;
    }
    return anyDigit;
}

std::string SpreadsheetText(const std::string &text, bool key) {
    if (StartsFormula(text)) return "'" + text;
    if (!(key && IsHexadecimal(text)) && !LooksLikeNumber(text)) return text;
    return text.size() <= MAX_FORMULA_TEXT ? "=\"" + text + "\"" : "'" + text;
}

static std::string Quoted(const std::string &text) {
    std::string quoted = "\"";
    for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

/* For programs: the value, quoted when it holds a comma, a quote or a line end. */
static std::string PlainCell(const nlohmann::ordered_json &value) {
    std::string text = value.is_string() ? value.get<std::string>() : JsonText(value);
    return text.find_first_of(",\"\r\n") == std::string::npos ? text : Quoted(text);
}

/* For spreadsheets: numbers and truth values bare; every text guarded and
   quoted, so that no separator a spreadsheet guesses (a semicolon, a tab)
   splits it. */
static std::string SpreadsheetCell(const nlohmann::ordered_json &value, bool key) {
    return value.is_string() ? Quoted(SpreadsheetText(value.get<std::string>(), key)) : JsonText(value);
}

static std::string CsvLine(const std::vector<std::string> &cells) {
    std::string line;
    for (size_t i = 0; i < cells.size(); i++) line += (i != 0 ? "," : "") + cells[i];
    return line + "\r\n";
}

std::string CsvHeader(void) {
    std::vector<std::string> names;
    for (const auto &field : kCsvFields) names.push_back(field.name);
    return CsvLine(names);
}

std::string CsvRow(const nlohmann::ordered_json &entry, bool forSpreadsheets) {
    std::vector<std::string> cells;
    for (const auto &field : kCsvFields) {
        auto value = entry.find(field.name);
        if (value == entry.end()) cells.push_back("");
        else if (forSpreadsheets) cells.push_back(SpreadsheetCell(*value, field.key));
        else cells.push_back(PlainCell(*value));
    }
    return CsvLine(cells);
}
