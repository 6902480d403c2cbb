/* The checker's report and options (what a check finds, and what it is asked) */
#ifndef PLINOR_CHECK_REPORT_H
#define PLINOR_CHECK_REPORT_H

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

/* Why the plug-in answers a key as it does. */
enum KeyVerdict {
    KEY_FOUND,           /* a finished game answers it */
    KEY_HIDDEN,          /* found; and a later game with that key is hidden by the one found */
    KEY_NO_GAME,         /* nothing in the catalogue holds it */
    KEY_PAST_TABLE,      /* its game comes after the table's MAX_GAMES */
    KEY_AFTER_END,       /* its game comes after "</games>" */
    KEY_UNFINISHED,      /* no "</game>" follows its game */
    KEY_MERGED,          /* its game ran into the next, whose crc32 replaced it */
    KEY_SET_AGAIN,       /* its game set its crc32 again */
    KEY_LONG_LINE,       /* its crc32 line sets nothing: the value or its tag ends past the examined part */
    KEY_SHADOWED,        /* its crc32 line sets nothing: another tag on it comes first */
    KEY_CUT,             /* the catalogue's crc32 is longer than a key, and cut */
    KEY_CASE_OR_PADDING, /* a game's crc32 differs from it only in letter case or leading zeros */
    KEY_DECORATED,       /* a game's crc32 holds it with spaces or "0x" around the digits */
    KEY_VERDICTS
};

/* One key asked: found where, or why not. Lines are 0 where they do not apply. */
struct KeyExplanation {
    std::string key; /* as asked */
    KeyVerdict verdict;
    int32_t game;     /* FOUND, HIDDEN: the record that answers it; else -1 */
    size_t gameLine;  /* the first line of the game concerned: the one found, or the one holding the value */
    size_t keyLine;   /* where that game's key was set, or the catalogue's value stands */
    size_t otherLine; /* HIDDEN: where the hidden game's key is set; MERGED, SET_AGAIN: where the value was
                         replaced; PAST_TABLE: the last game's "</game>"; AFTER_END: the "</games>" */
    std::string value;   /* the catalogue's value (its own bytes) */
    std::string message; /* ready for a person, UTF-8, in the check's language */
};

/* A value in the catalogue that a host may have meant by a key it did not find. */
enum KeyLikeReason : uint8_t {
    KEY_LIKE_FINDABLE,   /* a findable game's crc32 */
    KEY_LIKE_DECORATED,  /* a finished game's crc32 with spaces or "0x" around its digits */
    KEY_LIKE_PAST_TABLE, /* the crc32 of a game past the table's MAX_GAMES */
    KEY_LIKE_AFTER_END,  /* the crc32 of a game after "</games>" */
    KEY_LIKE_PADDED_AWAY /* a finished game's crc32 of 5 to 7 characters, which no padded key meets */
};

/* 24 bytes. A game with a key takes at least 25 bytes of catalogue
   ("<crc32>1</crc32>\n" and "</game>\n"), so the list never outgrows the
   text; at most MAX_KEY_LIKES entries (246 MB, for a 256 MB catalogue of
   nothing else); a catalogue of 20000 games takes 480 KB. */
struct KeyLike {
    char value[KEY_FIELD_SIZE]; /* as the plug-in stores it, or would */
    uint32_t line;              /* where it is set */
    KeyLikeReason reason;
};

enum { MAX_KEY_LIKES = (256 << 20) / 25 };

struct CheckReport {
    std::vector<Finding> findings; /* in line order, those about the whole catalogue last */
    std::vector<CheckedGame> games;
    std::vector<GameRecord> records;
    size_t counts[FINDING_KINDS]; /* every finding, the kept and the rest */
    size_t findable, unreachable;
    size_t ignored;    /* games finished past the table's end */
    size_t textLength; /* the bytes the plug-in sees: up to the first NUL */
    std::vector<KeyExplanation> keys; /* one for each key of the options, in their order */
    std::vector<KeyLike> keyLikes;    /* with listKeys: one for each game that has one, in line order */
};

struct CheckOptions {
    Language language = LANGUAGE_EN;
    std::vector<std::string> keys; /* to explain, as a host passes them: normalised as the plug-in does */
    bool listKeys = false;         /* fill keyLikes */
    bool lineFindings = true;      /* false: only what the catalogue as a whole says (NUL, no game, too
                                      many games, encodings), for a host that warns of those: faster */
};

#endif
