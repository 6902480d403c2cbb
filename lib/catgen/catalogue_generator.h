/* Catalogue generator (deterministic made-up catalogues of any size) */
#ifndef PLINOR_CATALOGUE_GENERATOR_H
#define PLINOR_CATALOGUE_GENERATOR_H

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

/* One game as a catalogue writes it: the genre as its code, the date as text. */
struct CatalogueGame {
    std::string title, crc32, genre, publisher, date, comment;
};

struct GeneratedGame : CatalogueGame {
    int32_t year; /* what the date gives */
};

/* N made-up games, the same for the same seed: every genre code in turn,
   and checksums that no two games share. */
std::vector<GeneratedGame> GenerateGames(size_t count, uint64_t seed = 1);

/* A game's lines, indented, in the plug-in's own tags. */
std::string GameLines(const CatalogueGame &game, const char *eol = "\n");

/* The games as a catalogue text, from its XML declaration to "</games>". */
std::string CatalogueStart(const char *eol);
std::string CatalogueEnd(const char *eol);
template <typename Games = std::vector<CatalogueGame>> std::string CatalogueText(const Games &games, const char *eol = "\n") {
    std::string text = CatalogueStart(eol);
    text.reserve(games.size() * 300);
    for (const CatalogueGame &g : games) text += GameLines(g, eol);
    return text + CatalogueEnd(eol);
}

#endif
