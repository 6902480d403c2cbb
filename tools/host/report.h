/* Reports (the answers as a terminal table or as JSON) */
#ifndef PLINORHOST_REPORT_H
#define PLINORHOST_REPORT_H

#include <stdint.h>

#include <string>
#include <vector>

enum AskedBy { ASKED_BY_KEY, ASKED_BY_FILE };
enum RowState { ROW_ANSWERED, ROW_SKIPPED, ROW_FAILED };

/* One thing asked, in the order asked, and what the plug-in said. */
struct GameAnswer {
    AskedBy askedBy;
    std::string file; /* the name as given or found, when asked by file */
    std::string key;  /* the key asked; for a file, the form that matched */
    RowState state;
    std::string note; /* why skipped or failed */
    bool found;
    std::string title, maker, genre, memo; /* UTF-8 */
    int32_t year;
};

struct Identity {
    int32_t version;
    std::string author, description;
};

std::string TableReport(const std::vector<GameAnswer> &games, const Identity *about);

/* Names and keys that are not UTF-8 appear with U+FFFD in place of each
   bad byte, and again whole in hexadecimal as "file_hex" or "key_hex". */
std::string JsonReport(const std::vector<GameAnswer> &games, const Identity *about);

#endif
