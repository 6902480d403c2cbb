/* Printing (rows as a terminal table, JSON or CSV: pure functions from a row to text) */
#ifndef PLINORHOST_PRINTING_H
#define PLINORHOST_PRINTING_H

#include <stddef.h>

#include <nlohmann/json.hpp>
#include <string>

#include "plugin.h"
#include "row.h"
#include "settings.h"

enum Column { COLUMN_FILE, COLUMN_KEY, COLUMN_TITLE, COLUMN_MAKER, COLUMN_GENRE, COLUMN_YEAR, COLUMNS };

/* The table's columns, fixed before its first row. */
struct TableLayout {
    Language language = LANGUAGE_EN; /* of the headers and the notes in cells */
    bool withFiles = false; /* a FILE column */
    size_t widths[COLUMNS] = {};
    size_t limit = 0;       /* a console's width: cells are cut to fit it; 0 for none */
};

/* A layout as wide as the headers. */
TableLayout StartLayout(Language language);

/* Widens a column to fit the cell, up to the column's limit, past which a
   cell pushes the rest of its row right. */
void FitCell(TableLayout *layout, Column column, const std::string &cell);

/* Whether the column has reached its limit: no cell can widen it. */
bool ColumnFull(const TableLayout &layout, Column column);

/* Fits the table to a console this many columns wide: the widest of the
   names, titles, makers and genres shrink first, and the memo has what is
   left; each cell is then cut to its column, "..." showing the cut. */
void FitToConsole(TableLayout *layout, size_t columns);

/* The year as the table shows it: "-" for 0, the catalogue giving none. */
std::string YearText(int32_t year);

/* FILE: a member below its archive, marked when it is encrypted. */
std::string FileCell(const Row &row, Language language);

/* What comes before the rows: the plug-in's identity (or nothing), then
   for CSV its header row (for spreadsheets after a UTF-8 byte-order mark,
   which tells them the encoding; neither without a header), for JSON the
   document's opening. */
std::string ReportHead(Format format, const Identity *about, bool header, Language language);

/* What comes before the first row: the table's header line. */
std::string FirstRowHead(Format format, const TableLayout &layout, bool about);

/* One row; `written` counts the rows before it. Names and keys that are
   not UTF-8 appear in JSON and CSV with U+FFFD in place of each bad byte,
   and again whole in hexadecimal as "file_hex" or "key_hex". A member's
   row names its archive as the file, and the member by its decoded name,
   with the recorded bytes in "member_hex" when they differ. */
void PrintRow(Format format, const TableLayout &layout, const Row &row, size_t written, std::string *out);

std::string ReportTail(Format format, size_t written);

/* The table's line for the cells, each padded to its column, the last not. */
std::string TableLine(const TableLayout &layout, const std::vector<std::string> &cells);

/* A name or key in JSON: as UTF-8, and whole in hexadecimal in FIELD_hex
   when it is not. */
void PutName(nlohmann::ordered_json &entry, const char *field, const std::string &bytes);

/* A JSON value as one line, bad UTF-8 replaced. */
std::string JsonText(const nlohmann::ordered_json &value, int indent = -1);

/* A row as the JSON and CSV give it. */
nlohmann::ordered_json JsonRow(const Row &row);

/* RFC 4180: the header row, and a row's cells, CR LF after each. For
   spreadsheets every text is quoted and goes through SpreadsheetText;
   otherwise the values are untouched, quoted only when they must be. */
std::string CsvHeader(void);
std::string CsvRow(const nlohmann::ordered_json &entry, bool forSpreadsheets);

/* A text as a spreadsheet keeps it when it opens the CSV: one that would
   run as a formula (starting, after any spaces, with = + - @, a tab or a
   line end) after an apostrophe; a key (hexadecimal) or one that would
   turn into a number, date, time or truth value as a formula giving the
   text, ="0058DE32"; one too long for a formula after an apostrophe. */
std::string SpreadsheetText(const std::string &text, bool key);

#endif
