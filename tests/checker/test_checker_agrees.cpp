/* The checker never disagrees with the plug-in, on generated, sample, seed,
   hand-made and random catalogues: a fresh table for each */
#include <dirent.h>
#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <string>

#include "agreement.h"
#include "catalogue_generator.h"
#include "game_table.h"
#include "lines.h"
#include "module_life.h"

static void ExpectAgreement(const std::string &bytes, const std::string &what) {
    CreateGameTable();
    EXPECT_EQ(Disagreement(bytes), "") << what;
    ReleaseGameTable();
}

static std::string Slurp(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(CheckerAgreesWithThePlugin, OnGeneratedCatalogues) {
    ExpectAgreement(CatalogueText(GenerateGames(MAX_GAMES)), "20000 games");
    ExpectAgreement(CatalogueText(GenerateGames(MAX_GAMES + 3, 5), "\r\n"), "20003 games, CR LF");
}

TEST(CheckerAgreesWithThePlugin, OnTheSamplesAndTheFuzzSeeds) {
    for (const std::string dir : {std::string(SAMPLES_DIR), std::string(FUZZ_SEEDS) + "/catalogue",
                                  std::string(FUZZ_SEEDS) + "/structured"}) {
        DIR *d = opendir(dir.c_str());
        ASSERT_NE(d, nullptr) << dir;
        for (struct dirent *e; (e = readdir(d)) != NULL;)
            if (e->d_type == DT_REG) ExpectAgreement(Slurp(dir + "/" + e->d_name), dir + "/" + e->d_name);
        closedir(d);
    }
}

TEST(CheckerAgreesWithThePlugin, OnHandMadeFaultyCatalogues) {
    const char *catalogues[] = {
        "<games>\n<game><title>A</title>\n<crc32>0BADF00D</crc32>\n</game>\n"
        "<game>\n<title>B</title>\n<crc32>0BADF00D</crc32>\n</game>\n</games>\n",
        "<games>\n<game>\n<title>Padded</title>\n<crc32>12345</crc32>\n</game>\n"
        "<game>\n<title>Full</title>\n<crc32>00012345</crc32>\n</game>\n</games>\n",
        "<games>\n<game>\n<title>No key</title>\n</game>\n<game>\n<title>Nor this</title>\n</game>\n",
        "<games>\n<game>\n<title>Old</title>\n<genre>3</genre>\n<game>\n<title>New</title>\n"
        "<genre>11</genre>\n<crc32>ABCDEF01</crc32>\n</game>\n<title>Tail</title>\n</games>\n",
        "<games>\n<game>\n<crc32>K</crc32></game>\n<date>-512</date>\n</game>\n</games>\n",
    };
    for (const char *text : catalogues) ExpectAgreement(text, text);
}

/* Catalogues of the format's own lines, mutated: duplicated and padded
   keys, missing closing tags, long lines, games that run together. */
static std::string RandomCatalogue(std::mt19937 &random) {
    static const char *const values[] = {"0BADF00D", "12345", "00012345", "", "deadbeef", "3", "11",
                                         "1999/01", "-512", "\x83\x51\x81\x5b", "X"};
    auto pick = [&](size_t n) { return (size_t)random() % n; };
    std::string text = pick(8) ? GAMES_OPENING_TAG + std::string("\n") : "";
    for (size_t lines = 5 + pick(60); lines-- > 0;) {
        size_t what = pick(20);
        std::string eol = pick(4) ? "\n" : "\r\n", indent = pick(3) ? "  " : "";
        if (what < 3) text += indent + lineTags[LINE_END_OF_GAME].opening + eol;
        else if (what == 3) text += GAME_OPENING_TAG + eol;
        else if (what == 4 && pick(10) == 0) text += lineTags[LINE_END_OF_GAMES].opening + eol;
        else if (what == 5) text += std::string(250 + pick(20), ' ') + "<title>Far</title>" + eol;
        else {
            const LineTag &tag = lineTags[LINE_TITLE + pick(6)];
            std::string value = pick(3) ? values[pick(11)] : std::to_string(pick(100000));
            text += indent + tag.opening + value + (pick(12) ? tag.closing : "") +
                    (pick(15) ? "" : lineTags[LINE_END_OF_GAME].opening) + eol;
        }
    }
    return text;
}

TEST(CheckerAgreesWithThePlugin, OnRandomCatalogues) {
    std::mt19937 random(20261208);
    for (int i = 0; i < 400; i++) ExpectAgreement(RandomCatalogue(random), "random catalogue " + std::to_string(i));
}
