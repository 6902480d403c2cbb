/* Reports (the answers, row by row, as a terminal table, JSON or CSV) */
#ifndef PLINORHOST_REPORT_H
#define PLINORHOST_REPORT_H

#include <stddef.h>
#include <stdint.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "checker.h"
#include "game_files.h"

enum AskedBy { ASKED_BY_KEY, ASKED_BY_FILE };
enum RowState { ROW_ANSWERED, ROW_SKIPPED, ROW_FAILED };

/* One thing asked, in the order asked, and what the plug-in said. */
struct GameAnswer {
    AskedBy askedBy;
    std::string file; /* the name as given or found, when asked by file; a member's archive */
    ArchiveMember member;
    std::string key;  /* the key asked; for a file, the form that matched */
    RowState state;
    std::string note; /* why skipped or failed */
    bool found;
    std::string title, maker, genre, memo; /* UTF-8 */
    int32_t year;
    std::string hint; /* not found: the catalogue's key that differs only in letter case or padding */
};

struct Identity {
    int32_t version;
    std::string author, description;
};

enum ReportFormat { REPORT_TABLE, REPORT_JSON, REPORT_CSV };

enum Column { COLUMN_FILE, COLUMN_KEY, COLUMN_TITLE, COLUMN_MAKER, COLUMN_GENRE, COLUMN_YEAR, COLUMNS };

/* A report written a row at a time, each row as soon as it is answered. */
struct Report {
    ReportFormat format;
    bool withFiles;         /* the table has a FILE column */
    size_t widths[COLUMNS]; /* the table's, fixed before its first row */
    size_t rows;            /* written so far */
};

/* The table's columns fit every cell they can get, before the first row
   is answered: the catalogue's findable games, then the names and keys
   asked; each up to a limit, past which a cell pushes the rest of its row
   right. */
Report StartReport(ReportFormat format, const CheckReport &catalogue);
void FitRows(Report *report, const std::vector<GameAnswer> &games);

/* What comes before the rows: the plug-in's identity, and the table's
   header or the CSV's header row (after a UTF-8 byte-order mark on Windows). */
std::string ReportHead(const Report &report, const Identity *about, bool anyRows);

/* Names and keys that are not UTF-8 appear with U+FFFD in place of each
   bad byte, and again whole in hexadecimal as "file_hex" or "key_hex". A
   member's row names its archive as the file, and the member by its
   decoded name, with the recorded bytes in "member_hex" when they differ. */
std::string ReportRow(Report *report, const GameAnswer &game);

std::string ReportTail(const Report &report);

/* A name or key in JSON: as UTF-8, and whole in hexadecimal in FIELD_hex
   when it is not. */
void PutName(nlohmann::ordered_json &entry, const char *field, const std::string &bytes);

#endif
