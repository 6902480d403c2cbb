/* The checker fed a text in pieces, split anywhere, reports exactly what it reports on the whole */
#include <dirent.h>
#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <string>

#include "catalogue_generator.h"
#include "checker.h"
#include "text.h"

/* Everything a report holds, as text to compare. */
static std::string Everything(const CheckReport &r) {
    std::string out;
    for (const Finding &f : r.findings)
        out += std::to_string(f.line) + " " + FindingName(f.kind) + ": " + f.message + "\n";
    for (size_t i = 0; i < r.games.size(); i++) {
        const CheckedGame &g = r.games[i];
        out += std::to_string(g.firstLine) + "-" + std::to_string(g.endLine) + " key " + std::to_string(g.keyLine) +
               (g.findable ? " findable " : " unreachable ") + std::to_string(g.shadowedBy) + " " +
               HexBytes(std::string((const char *)&r.records[i], sizeof r.records[i])) + "\n";
    }
    for (size_t count : r.counts) out += std::to_string(count) + " ";
    out += std::to_string(r.findable) + " " + std::to_string(r.unreachable) + " " + std::to_string(r.ignored) + " " +
           std::to_string(r.textLength) + "\n";
    for (const KeyExplanation &k : r.keys)
        out += k.key + ": " + std::to_string(k.verdict) + " " + std::to_string(k.game) + " " +
               std::to_string(k.gameLine) + " " + std::to_string(k.keyLine) + " " + std::to_string(k.otherLine) + " " +
               HexBytes(k.value) + " " + k.message + "\n";
    for (const KeyLike &k : r.keyLikes)
        out += HexBytes(std::string(k.value, sizeof k.value)) + " " + std::to_string(k.line) + " " +
               std::to_string(k.reason) + "\n";
    return out;
}

static CheckOptions WithKeys(const std::string &text) {
    CheckOptions options;
    options.listKeys = true;
    options.keys = {"0BADF00D", "12345", "1A2B3C4D", "DEADBEEF", "0123456789ABCDEFGHIJ", "", text.substr(0, 8)};
    return options;
}

static std::string InPieces(const std::string &text, const std::vector<size_t> &cuts, const CheckOptions &options) {
    CheckReport report;
    CatalogueCheck *check = StartCheck(&report, options);
    size_t at = 0;
    for (size_t cut : cuts) {
        CheckBytes(check, text.data() + at, cut - at);
        at = cut;
    }
    CheckBytes(check, text.data() + at, text.size() - at);
    EndCheck(check);
    return Everything(report);
}

static void ExpectSameInRandomPieces(const std::string &text, std::mt19937 &random, const std::string &what) {
    CheckOptions options = WithKeys(text);
    CheckReport whole;
    CheckCatalogue(text, &whole, options);
    std::string expected = Everything(whole);
    for (int round = 0; round < 3; round++) {
        std::vector<size_t> cuts; /* the first round's a few bytes apart: mid-character, between CR and LF */
        size_t apart = round == 0 ? 4 : text.size() / 3 + 1;
        for (size_t at = 0; text.size() > 0 && (at += 1 + random() % apart) < text.size();) cuts.push_back(at);
        ASSERT_EQ(InPieces(text, cuts, options), expected) << what << ", round " << round;
    }
}

static std::string Slurp(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(CheckerInPieces, EveryCutOfATrickyText) {
    std::string text = "\xEF\xBB\xBF<games>\r\n<game>\r\n<title>\x83\x51\x81\x5b</title>\r\n"
                       "<crc32> 1A2B3C4D</crc32>\r\n</game>\r\n<title>Caf\xC3\xA9\r</title>\n<crc32>12345</crc32>\n"
                       "</game>\n</games>\n \n<crc32>0BADF00D</crc32>\n</game>\n" + std::string(1, '\0') + "after";
    CheckOptions options = WithKeys(text);
    CheckReport whole;
    CheckCatalogue(text, &whole, options);
    std::string expected = Everything(whole);
    for (size_t a = 0; a <= text.size(); a++)
        for (size_t b = a; b <= text.size(); b += 7)
            ASSERT_EQ(InPieces(text, {a, b}, options), expected) << a << " " << b;
}

TEST(CheckerInPieces, GeneratedSampleAndSeedCatalogues) {
    std::mt19937 random(7);
    ExpectSameInRandomPieces(CatalogueText(GenerateGames(MAX_GAMES + 3, 5), "\r\n"), random, "20003 games");
    for (const std::string dir : {std::string(SAMPLES_DIR), std::string(FUZZ_SEEDS) + "/catalogue",
                                  std::string(FUZZ_SEEDS) + "/structured"}) {
        DIR *d = opendir(dir.c_str());
        ASSERT_NE(d, nullptr) << dir;
        for (struct dirent *e; (e = readdir(d)) != NULL;)
            if (e->d_type == DT_REG) ExpectSameInRandomPieces(Slurp(dir + "/" + e->d_name), random, e->d_name);
        closedir(d);
    }
}

/* Lines of tags, values and bytes of every kind the checker tells of,
   some longer than the part of a line it keeps. */
static std::string RandomText(std::mt19937 &random) {
    static const char *const pieces[] = {
        "<games>", "</games>", "<game>", "</game>", "<title>", "</title>", "<genre>", "</genre>", "<crc32>",
        "</crc32>", "<comment>", "</comment>", "<date>", "</date>", "<TITLE>", "</GAME>", "0BADF00D", "12345",
        " 1A2B3C4D", "0x1A2B3C4D", "deadbeef", "7", "\x83\x51", "\x80", "\xE3\x81\x82", "\xEB\x40", "\x83", "\r",
        "\r\n", "\n", "\n", "\n", "\xEF\xBB\xBF", "\xFF\xFE"};
    std::string text;
    for (size_t n = random() % 300; n-- > 0;) {
        size_t what = random() % 40;
        if (what < 34) text += pieces[what];
        else if (what < 38) text += std::string(random() % 300, ' ');
        else if (what == 38 && random() % 8 == 0) text += std::string(LINE_PREFIX_BYTES + random() % 20, 'c');
        else if (random() % 4 == 0) text += '\0';
    }
    return text;
}

TEST(CheckerInPieces, RandomTexts) {
    std::mt19937 random(20261209);
    for (int i = 0; i < 300; i++)
        ExpectSameInRandomPieces(RandomText(random), random, "random text " + std::to_string(i));
}
