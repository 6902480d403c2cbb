/* Catalogue checker (what the plug-in makes of a data.dat, and what it ignores) */
#ifndef PLINOR_CHECKER_H
#define PLINOR_CHECKER_H

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

#include "game_table.h"
#include "messages.h"

enum FindingKind {
    FINDING_LONG_LINE,
    FINDING_UNCLOSED_TAG,
    FINDING_SHADOWED_TAG,
    FINDING_UNKNOWN_TAG,
    FINDING_LONG_CRC32,
    FINDING_ODD_CRC32,
    FINDING_LOWER_CASE_CRC32,
    FINDING_DUPLICATE_CRC32,
    FINDING_NO_CRC32,
    FINDING_UNLISTED_GENRE,
    FINDING_ODD_DATE,
    FINDING_FIELD_SET_TWICE,
    FINDING_MERGED_GAME,
    FINDING_UNFINISHED_GAME,
    FINDING_NO_END_OF_GAMES,
    FINDING_AFTER_END_OF_GAMES,
    FINDING_TOO_MANY_GAMES,
    FINDING_NUL_BYTE,
    FINDING_NOT_SHIFT_JIS,
    FINDING_BYTE_ORDER_MARK,
    FINDING_UTF8_TEXT,
    FINDING_LONE_CARRIAGE_RETURN,
    FINDING_NO_GAME,
    FINDING_KINDS
};

enum {
    MAX_FINDINGS_OF_A_KIND = 1000, /* kept of each kind, the first in line order; all are counted */
    /* Of a line, the bytes kept and looked at: far more than the plug-in
       examines, but a tag past them is not seen by the checker either. */
    LINE_PREFIX_BYTES = 64 << 10
};

/* The short name a finding is known by ("long-line"); not translated. */
const char *FindingName(FindingKind kind);

/* What the plug-in does, for a kind of finding, in a sentence. */
std::string FindingSummary(FindingKind kind, Language language);

struct Finding {
    FindingKind kind;
    size_t line;         /* from 1; 0 for the catalogue as a whole */
    std::string message; /* UTF-8: the catalogue's values in it decoded from Shift_JIS */
};

/* A game the plug-in finishes; records[i] holds it as the plug-in stores it. */
struct CheckedGame {
    size_t firstLine, endLine; /* its first field that took effect, and its "</game>" */
    size_t keyLine;            /* where the crc32 it keeps took effect (the last that did), else endLine */
    bool findable;             /* some key finds it */
    int32_t shadowedBy;        /* the earlier game that has its key, or -1 */
};

struct CheckReport {
    std::vector<Finding> findings; /* in line order, those about the whole catalogue last */
    std::vector<CheckedGame> games;
    std::vector<GameRecord> records;
    size_t counts[FINDING_KINDS]; /* every finding, the kept and the rest */
    size_t findable, unreachable;
    size_t ignored;    /* games finished past the table's end */
    size_t textLength; /* the bytes the plug-in sees: up to the first NUL */
};

struct CheckOptions {
    Language language = LANGUAGE_EN;
};

/* A check under way: the text comes in pieces, split anywhere. Memory
   stays within the records of the table's games, the findings kept and
   one line's kept part. */
struct CatalogueCheck;

CatalogueCheck *StartCheck(CheckReport *report, const CheckOptions &options = CheckOptions());
void CheckBytes(CatalogueCheck *check, const char *bytes, size_t length);

/* The text has ended: the report is complete, and the check is freed.
   Call it once for every check started, also to abandon one. */
void EndCheck(CatalogueCheck *check);

/* Checks a catalogue's bytes as a host would pass them to the plug-in. */
void CheckCatalogue(const std::string &bytes, CheckReport *report, const CheckOptions &options = CheckOptions());

/* A catalogue value as a person reads it: its Shift_JIS decoded to UTF-8,
   as findings quote it. */
std::string ShownValue(const std::string &bytes);

#endif
