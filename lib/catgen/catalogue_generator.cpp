/* Catalogue generator (deterministic made-up catalogues of any size) */
#include "catalogue_generator.h"

#include <stdio.h>

#include "lines.h"

static const char *const kAdjectives[] = {
    "Crimson", "Silent", "Paper", "Hollow", "Brass", "Velvet", "Glass", "Iron", "Lunar", "Amber",
    "Frozen", "Wandering", "Clockwork", "Sunken", "Electric", "Feathered", "Painted", "Burning",
    "Quiet", "Restless", "Copper", "Emerald", "Midnight", "Tiny"};
static const char *const kNouns[] = {
    "Harbor", "Lantern", "Orchard", "Derby", "Citadel", "Moth", "Express", "Kingdom", "Rally",
    "Circus", "Garden", "Comet", "Lighthouse", "Tournament", "Labyrinth", "Voyage", "Engine",
    "Frontier", "Carnival", "Monastery", "Reef", "Orbit", "Tavern", "Island"};
static const char *const kSubtitles[] = {
    "", "", "", " II", " Deluxe", ": The Lost Keys", " Special", " 3", ": Twin Edition", " Gold"};
static const char *const kMakers[] = {
    "Quill Hollow", "Nimbus Works", "Tin Lantern", "Fernwick", "Harbor Light", "Red Kiln",
    "Bright Owl Soft", "Paper Crane Games", "Moonwell", "Copperpot", "Sable Systems",
    "Little Anvil", "Northgate Interactive", "Kettle & Co", "Orbital Toys", "Greenhouse"};
static const char *const kOpenings[] = {
    "Guide", "Race", "Defend", "Build", "Explore", "Rescue", "Outwit", "Collect", "Repair", "Map"};
static const char *const kObjects[] = {
    "the lighthouse keepers", "a fleet of paper boats", "seven clockwork towers",
    "the village orchard", "every lost comet", "a circus on wheels", "the sunken library",
    "forty brass beetles", "a tiny kingdom", "the midnight express"};
static const char *const kEndings[] = {
    " before the tide turns.", " with up to four friends.", " across twelve seasons.",
    " in two-player mode.", ", one puzzle at a time.", " against the clock.", "."};

#define PICK(list, r) list[(r) % (sizeof list / sizeof list[0])]

static uint64_t Next(uint64_t *state) { /* splitmix64 */
    uint64_t z = (*state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

/* An odd multiplier makes index -> checksum one-to-one over 32 bits. */
static std::string Checksum(size_t index, uint64_t seed) {
    char text[9];
    uint32_t value = (uint32_t)index * 0x9E3779B1u + (uint32_t)seed * 0x85EBCA77u;
    snprintf(text, sizeof text, "%08X", value);
    return text;
}

std::vector<GeneratedGame> GenerateGames(size_t count, uint64_t seed) {
    std::vector<GeneratedGame> games(count);
    uint64_t state = seed;
    for (size_t i = 0; i < count; i++) {
        GeneratedGame &g = games[i];
        g.title = std::string(PICK(kAdjectives, Next(&state))) + " " + PICK(kNouns, Next(&state)) +
                  PICK(kSubtitles, Next(&state));
        g.genre = std::to_string(i % 11);
        g.publisher = PICK(kMakers, Next(&state));
        g.year = 1983 + (int32_t)(Next(&state) % 25);
        char date[16];
        snprintf(date, sizeof date, "%d/%02d/%02d", g.year, (int)(Next(&state) % 12) + 1,
                 (int)(Next(&state) % 28) + 1);
        g.date = date;
        g.comment = std::string(PICK(kOpenings, Next(&state))) + " " + PICK(kObjects, Next(&state)) +
                    PICK(kEndings, Next(&state));
        g.crc32 = Checksum(i, seed);
    }
    return games;
}

static std::string Field(LineKind kind, const std::string &value, const std::string &eol) {
    return "    " + std::string(lineTags[kind].opening) + value + lineTags[kind].closing + eol;
}

std::string GameLines(const CatalogueGame &g, const char *eol) {
    const std::string e = eol;
    return "  " + std::string(GAME_OPENING_TAG) + e + Field(LINE_TITLE, g.title, e) + Field(LINE_GENRE, g.genre, e) +
           Field(LINE_PUBLISHER, g.publisher, e) + Field(LINE_DATE, g.date, e) + Field(LINE_COMMENT, g.comment, e) +
           Field(LINE_CRC32, g.crc32, e) + "  " + lineTags[LINE_END_OF_GAME].opening + e;
}

std::string CatalogueStart(const char *eol) {
    return std::string("<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>") + eol + GAMES_OPENING_TAG + eol;
}

std::string CatalogueEnd(const char *eol) {
    return lineTags[LINE_END_OF_GAMES].opening + std::string(eol);
}
