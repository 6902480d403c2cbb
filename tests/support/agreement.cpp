/* Agreement (the checker's view of a catalogue against the plug-in itself) */
#include "agreement.h"

#include <string.h>

#include "checker.h"
#include "game_table.h"
#include "keys.h"
#include "two_calls.h"

static bool SameText(PlinorTextQuery query, const char *catalogue, const char *key, const char *field) {
    TwoCalls calls = TwoCallText(query, catalogue, key);
    return calls.size == (int32_t)strlen(field) + 1 && calls.copied == calls.size && calls.terminated &&
           calls.text == field;
}

static bool SameFacts(const char *catalogue, const char *key, const GameRecord &r) {
    return SameText(GetTitle, catalogue, key, r.title) && SameText(GetMaker, catalogue, key, r.publisher) &&
           SameText(GetGenre, catalogue, key, r.genre) && SameText(GetMemo, catalogue, key, r.comment) &&
           GetYear(catalogue, key, 0) == r.year;
}

/* The record the plug-in answers the key from, or -1. */
static int32_t AnsweredFrom(const char *catalogue, const char *key) {
    if (GetTitle(catalogue, key, 0, NULL, 0) == NOT_FOUND) return -1;
    return gameTable.lastHit; /* every hit leaves the record it found there */
}

static std::string Game(const CheckReport &report, size_t i) {
    return "game " + std::to_string(i) + " (line " + std::to_string(report.games[i].firstLine) + ", key '" +
           report.records[i].crc32 + "')";
}

/* Whatever the plug-in finds for the key must be the checker's findable game of it. */
static std::string Known(const CheckReport &report, const char *catalogue, const char *key) {
    int32_t found = AnsweredFrom(catalogue, key);
    char normalized[KEY_FIELD_SIZE];
    if (found < 0 || !NormalizeKey(key, normalized)) return "";
    if ((size_t)found >= report.games.size()) return "the plug-in finds key '" + std::string(key) + "' in a game the checker has not";
    if (!report.games[(size_t)found].findable || memcmp(report.records[(size_t)found].crc32, normalized, KEY_FIELD_SIZE) != 0)
        return "the plug-in finds key '" + std::string(key) + "' in " + Game(report, (size_t)found) +
               ", which the checker does not call findable by it";
    return "";
}

std::string Disagreement(const std::string &bytes) {
    CheckReport report;
    CheckCatalogue(bytes, &report);
    const char *catalogue = bytes.c_str(); /* the plug-in reads up to the first NUL, as the checker says */
    for (size_t i = 0; i < report.games.size(); i++) {
        const char *key = report.records[i].crc32;
        int32_t found = AnsweredFrom(catalogue, key);
        if (report.games[i].findable && (found != (int32_t)i || !SameFacts(catalogue, key, report.records[i])))
            return Game(report, i) + " is findable, but the plug-in answers " +
                   (found < 0 ? "nothing" : "otherwise, from record " + std::to_string(found));
        if (!report.games[i].findable && found == (int32_t)i)
            return Game(report, i) + " is unreachable, but the plug-in answers from it";
        std::string unknown = Known(report, catalogue, key);
        if (!unknown.empty()) return unknown;
    }
    if (gameTable.count != (int32_t)report.games.size())
        return "the plug-in holds " + std::to_string(gameTable.count) + " games, the checker " +
               std::to_string(report.games.size());
    size_t tail = bytes.size() < 12 ? bytes.size() : 12; /* keys that no game may have */
    for (const std::string &key : {std::string(), bytes.substr(bytes.size() - tail), bytes.substr(0, tail / 2)}) {
        std::string unknown = Known(report, catalogue, key.c_str());
        if (!unknown.empty()) return unknown;
    }
    return "";
}
