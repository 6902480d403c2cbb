/* Catalogue generator (deterministic made-up catalogues of any size) */
#ifndef PLINOR_CATALOGUE_GENERATOR_H
#define PLINOR_CATALOGUE_GENERATOR_H

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

struct GeneratedGame {
    std::string title, genreCode, publisher, date, comment, crc32;
    int32_t year; /* what the date gives */
};

/* N made-up games, the same for the same seed: every genre code in turn,
   and checksums that no two games share. */
std::vector<GeneratedGame> GenerateGames(size_t count, uint64_t seed = 1);

/* The games as a catalogue text, with LF or CR LF line ends. */
std::string CatalogueText(const std::vector<GeneratedGame> &games, bool crlf = false);

#endif
