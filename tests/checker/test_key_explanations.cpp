/* Why a key is found or not: each verdict of the checker, against what the plug-in itself answers */
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "catalogue_generator.h"
#include "checker.h"
#include "game_table.h"
#include "module_life.h"
#include "plinorinfo.h"

struct Expected {
    const char *key;
    KeyVerdict verdict;
    size_t gameLine, keyLine, otherLine;
    const char *says; /* part of the message */
};

/* The plug-in, its table attached, answers a key the checker calls found
   from the record it names, and no other key at all. */
static void ExpectThePluginAgrees(const std::string &catalogue, const KeyExplanation &k) {
    int32_t size = GetTitle(catalogue.c_str(), k.key.c_str(), 0, NULL, 0);
    if (k.verdict == KEY_FOUND || k.verdict == KEY_HIDDEN) {
        EXPECT_NE(size, NOT_FOUND) << k.key << ": " << k.message;
        EXPECT_EQ(gameTable.lastHit, k.game) << k.key;
    } else {
        EXPECT_EQ(size, NOT_FOUND) << k.key << ": " << k.message;
    }
}

static void ExpectExplanations(const std::string &catalogue, const std::vector<Expected> &expected) {
    CheckOptions options;
    for (const Expected &e : expected) options.keys.push_back(e.key);
    CheckReport report;
    CheckCatalogue(catalogue, &report, options);
    ASSERT_EQ(report.keys.size(), expected.size());
    CreateGameTable();
    for (size_t i = 0; i < expected.size(); i++) {
        const KeyExplanation &k = report.keys[i];
        const Expected &e = expected[i];
        EXPECT_EQ(k.key, e.key);
        EXPECT_EQ(k.verdict, e.verdict) << e.key << ": " << k.message;
        EXPECT_EQ(k.gameLine, e.gameLine) << e.key << ": " << k.message;
        EXPECT_EQ(k.keyLine, e.keyLine) << e.key << ": " << k.message;
        EXPECT_EQ(k.otherLine, e.otherLine) << e.key << ": " << k.message;
        EXPECT_NE(k.message.find(e.says), std::string::npos) << e.key << ": " << k.message;
        ExpectThePluginAgrees(catalogue, k);
    }
    ReleaseGameTable();
}

static const std::string kFaulty =
    "<games>\n<game>\n<title>Set twice</title>\n<crc32>0BADF00D</crc32>\n<crc32>1BADF00D</crc32>\n</game>\n" /* 1-6 */
    "<game>\n<title>First</title>\n<crc32>2BADF00D</crc32>\n</game>\n"                                     /* 7-10 */
    "<game>\n<title>Second</title>\n<crc32>2BADF00D</crc32>\n</game>\n"                                    /* 11-14 */
    "<game>\n<crc32>c0ffee42</crc32>\n</game>\n<game>\n<crc32>7D00C0F</crc32>\n</game>\n"                   /* 15-20 */
    "<game>\n<crc32> 1A2B3C4D</crc32>\n</game>\n<game>\n<crc32>0123456789ABCDEFGH</crc32>\n</game>\n"       /* 21-26 */
    "<game>\n<title>Far</title>\n" + std::string(250, ' ') + "<crc32>3BADF00D</crc32>\n" +                 /* 27-29 */
    std::string(260, ' ') + "<crc32>4BADF00D</crc32>\n<title>X</title><crc32>5BADF00D</crc32>\n</game>\n"  /* 30-32 */
    "<game>\n<crc32>6BADF00D</crc32>\n<game>\n<crc32>7BADF00D</crc32>\n</game>\n"                          /* 33-37 */
    "<game>\n<crc32>0058DE32</crc32>\n</game>\n<game>\n<crc32>8BADF00D</crc32>\n</games>\n"               /* 38-43 */
    "<game>\n<crc32>9BADF00D</crc32>\n</game>\n";                                                          /* 44-46 */

TEST(KeyExplanations, EachVerdictAsThePluginAnswers) {
    ExpectExplanations(kFaulty, {
        {"1BADF00D", KEY_FOUND, 3, 5, 0, "found: the game at line 3, its key set at line 5"},
        {"58DE32", KEY_FOUND, 39, 39, 0, "found"}, /* normalised as the plug-in does */
        {"2BADF00D", KEY_HIDDEN, 8, 9, 13, "the later game whose key is set at line 13 has the same key"},
        {"DEADBEEF", KEY_NO_GAME, 0, 0, 0, "no game in the catalogue has this key"},
        {"0BADF00D", KEY_SET_AGAIN, 3, 4, 5, "sets its key at line 4 and again at line 5"},
        {"6BADF00D", KEY_MERGED, 34, 34, 36, "has no </game> before the next game begins"},
        {"8BADF00D", KEY_UNFINISHED, 42, 42, 0, "never ends: no </game> follows it"},
        {"9BADF00D", KEY_AFTER_END, 45, 45, 43, "comes after the </games> at line 43"},
        {"3BADF00D", KEY_LONG_LINE, 28, 29, 0, "is dropped whole, because its </crc32> ends past byte 259"},
        {"4BADF00D", KEY_LONG_LINE, 28, 30, 0, "the <crc32> on line 30 ends past byte 259"},
        {"5BADF00D", KEY_SHADOWED, 28, 31, 0, "<title> comes first on that line"},
        {"0123456789ABCDEFGH", KEY_CUT, 25, 25, 0, "is cut to 15 bytes, \"0123456789ABCDE\""},
        {"C0FFEE42", KEY_CASE_OR_PADDING, 16, 16, 0, "the catalogue has \"c0ffee42\" (line 16), and keys match"},
        {"07D00C0F", KEY_CASE_OR_PADDING, 19, 19, 0, "the catalogue has \"7D00C0F\" (line 19), which no key finds"},
        {"1A2B3C4D", KEY_DECORATED, 22, 22, 0, "the catalogue's key at line 22 is \" 1A2B3C4D\""},
    });
}

static size_t Lines(const std::string &text) {
    return (size_t)std::count(text.begin(), text.end(), '\n');
}

/* 20000 games fill the table; one more follows, and one after "</games>". */
static std::string FullCatalogue(size_t *lastEnd, size_t *endOfGames) {
    std::string text = CatalogueStart("\n");
    for (const GeneratedGame &g : GenerateGames(MAX_GAMES)) text += GameLines(g);
    *lastEnd = Lines(text);
    text += "<game>\n<title>Past</title>\n<crc32>ABADF00D</crc32>\n</game>\n" + CatalogueEnd("\n");
    *endOfGames = Lines(text);
    return text + "<game>\n<crc32>BBADF00D</crc32>\n</game>\n";
}

TEST(KeyExplanations, GamesPastTheTableAndAfterTheEnd) {
    size_t lastEnd, endOfGames;
    std::string text = FullCatalogue(&lastEnd, &endOfGames);
    ExpectExplanations(text, {{"ABADF00D", KEY_PAST_TABLE, lastEnd + 2, lastEnd + 3, lastEnd,
                               "comes after the 20000 games that fill the plug-in's table"},
                              {"BBADF00D", KEY_AFTER_END, endOfGames + 2, endOfGames + 2, endOfGames, "comes after"}});
    CheckOptions options;
    options.listKeys = true;
    CheckReport report;
    CheckCatalogue(text, &report, options);
    ASSERT_EQ(report.keyLikes.size(), (size_t)MAX_GAMES + 2);
    const KeyLike &past = report.keyLikes[MAX_GAMES], &after = report.keyLikes[MAX_GAMES + 1];
    EXPECT_EQ(std::string(past.value) + " " + std::to_string(past.line) + " " + std::to_string(past.reason),
              "ABADF00D " + std::to_string(lastEnd + 3) + " " + std::to_string(KEY_LIKE_PAST_TABLE));
    EXPECT_EQ(std::string(after.value) + " " + std::to_string(after.line) + " " + std::to_string(after.reason),
              "BBADF00D " + std::to_string(endOfGames + 2) + " " + std::to_string(KEY_LIKE_AFTER_END));
}

/* Findable games' keys, keys with blanks or 0x, and games past the plug-in's
   reading: each where it is set, keyed loosely as a person may type it. */
TEST(KeyExplanations, TheValuesAHostMayHaveMeant) {
    CheckOptions options;
    options.listKeys = true;
    CheckReport report;
    CheckCatalogue(kFaulty, &report, options);
    std::string listed;
    for (const KeyLike &k : report.keyLikes)
        listed += "'" + std::string(k.value) + "' " + std::to_string(k.line) + " " + std::to_string(k.reason) + "\n";
    EXPECT_EQ(listed, "'1BADF00D' 5 0\n'2BADF00D' 9 0\n'c0ffee42' 16 0\n'7D00C0F' 19 4\n' 1A2B3C4D' 22 1\n"
                      "'0123456789ABCDE' 25 0\n'7BADF00D' 36 0\n'0058DE32' 39 0\n'9BADF00D' 45 3\n");
    EXPECT_EQ(LooseForm(" 0x00ab12\t"), "AB12");
    EXPECT_EQ(LooseForm("0058de32"), "58DE32");
    EXPECT_EQ(LooseForm("0000"), "0");
    EXPECT_EQ(LooseForm(""), "");
}

/* Catalogues of keys set, replaced, merged, duplicated and padded; every
   key in them, and its variants, explained as the plug-in answers it. */
TEST(KeyExplanations, RandomCataloguesAsThePluginAnswers) {
    static const char *const keys[] = {"0BADF00D", "0badf00d", "12345", "00012345", "ABC", " ABC", "0x0ABC", ""};
    std::mt19937 random(1208);
    for (int round = 0; round < 400; round++) {
        std::string text;
        for (size_t lines = 3 + random() % 40; lines-- > 0;) {
            size_t what = random() % 10;
            if (what < 3) text += "</game>\n";
            else if (what == 3) text += "<game>\n";
            else if (what == 4 && random() % 6 == 0) text += "</games>\n";
            else {
                std::string indent(what == 5 ? 250 + random() % 20 : 0, ' '); /* some too far out to be seen */
                text += indent + "<crc32>" + keys[random() % 8] + (random() % 8 ? "</crc32>" : "") + "\n";
            }
        }
        CheckOptions options;
        for (const char *key : keys) options.keys.push_back(key);
        options.keys.push_back("ABC0");
        CheckReport report;
        CheckCatalogue(text, &report, options);
        SCOPED_TRACE(text);
        CreateGameTable();
        for (const KeyExplanation &k : report.keys) ExpectThePluginAgrees(text, k);
        ReleaseGameTable();
    }
}
