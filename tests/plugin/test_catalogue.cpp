/* Catalogue reading as the host sees it through the queries */
#include <string.h>

#include "plugin_test.h"

static const Game kStarfall = {"Starfall Courier", "1A2B3C4D", "3", "Nimbus Works",
                               "1996/04/12", "Two players & a shared map"};
static const Game kMossy = {"Mossy Rails", "00C0FFEE", "8", "Tin Lantern", "1999", "Best lap"};

TEST_F(PluginTest, EveryFieldComesBackByteExact) {
    std::string text = CatalogueText({kStarfall, kMossy});
    const char *t = text.c_str();
    Answer title = Ask(GetTitle, t, "1A2B3C4D");
    EXPECT_EQ(title.text, "Starfall Courier");
    EXPECT_EQ(title.size, 17);
    EXPECT_EQ(Ask(GetMaker, t, "1A2B3C4D").text, "Nimbus Works");
    EXPECT_EQ(Ask(GetGenre, t, "1A2B3C4D").text, Sjis("シューティング"));
    EXPECT_EQ(Ask(GetMemo, t, "1A2B3C4D").text, "Two players & a shared map");
    EXPECT_EQ(GetYear(t, "1A2B3C4D", 0), 1996);
    EXPECT_EQ(Ask(GetTitle, t, "00C0FFEE").text, "Mossy Rails");
    EXPECT_EQ(Ask(GetGenre, t, "00C0FFEE").text, Sjis("レース"));
    EXPECT_EQ(GetYear(t, "00C0FFEE", 0), 1999);
}

TEST_F(PluginTest, GenreCodesMapToTheirShiftJisNames) {
    static const char *names[] = {"アクション", "アドベンチャー", "シミュレーション", "シューティング",
                                  "スポーツ", "対戦格闘", "テーブル", "パズル", "レース",
                                  "ロールプレイング", "その他"};
    std::vector<Game> games;
    for (int code = 0; code <= 10; code++)
        games.push_back({"G", "C" + std::to_string(code), std::to_string(code), "", "", ""});
    std::string text = CatalogueText(games);
    for (int code = 0; code <= 10; code++) {
        std::string key = "C" + std::to_string(code);
        EXPECT_EQ(Ask(GetGenre, text.c_str(), key.c_str()).text, Sjis(names[code])) << code;
    }
    /* ロールプレイング, as the bytes a host receives */
    Answer rpg = Ask(GetGenre, text.c_str(), "C9");
    EXPECT_EQ(rpg.size, 17);
    EXPECT_EQ(rpg.text, "\x83\x8d\x81\x5b\x83\x8b\x83\x76\x83\x8c\x83\x43\x83\x93\x83\x4f");
}

TEST_F(PluginTest, UnlistedGenreCodesLeaveTheGenreAsItWas) {
    std::string text = "<games>\n"
                       "<game>\n<crc32>A</crc32>\n<genre>11</genre>\n</game>\n"
                       "<game>\n<crc32>B</crc32>\n<genre></genre>\n</game>\n"
                       "<game>\n<crc32>C</crc32>\n<genre>01</genre>\n<genre> 1</genre>\n</game>\n"
                       "<game>\n<crc32>D</crc32>\n<genre>4</genre>\n<genre>パズル</genre>\n</game>\n"
                       "</games>\n";
    EXPECT_EQ(Ask(GetGenre, text.c_str(), "A").size, 1);
    EXPECT_EQ(Ask(GetGenre, text.c_str(), "B").size, 1);
    EXPECT_EQ(Ask(GetGenre, text.c_str(), "C").size, 1);
    EXPECT_EQ(Ask(GetGenre, text.c_str(), "D").text, Sjis("スポーツ"));
}

TEST_F(PluginTest, YearIsTheFirstFourBytesOfTheDateReadAsANumber) {
    struct {
        const char *date;
        int32_t year;
    } cases[] = {{"1987-07-01", 1987}, {"19", 19},    {"abcd", 0}, {"", 0},
                 {"-12", -12},         {" 987", 987}, {"+200", 200}, {"12345", 1234},
                 {"19x9", 19},         {"  -5", -5},  {"-512", NOT_FOUND}};
    std::vector<Game> games;
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; i++)
        games.push_back({"", "K" + std::to_string(i), "", "", cases[i].date, ""});
    std::string text = CatalogueText(games);
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; i++) {
        std::string key = "K" + std::to_string(i);
        EXPECT_EQ(GetYear(text.c_str(), key.c_str(), 0), cases[i].year) << cases[i].date;
    }
}

TEST_F(PluginTest, FirstTagInTestOrderDecidesTheLine) {
    std::string text = "<games>\n<game>\n"
                       "<genre>2</genre><title>Both</title>\n" /* title outranks genre */
                       "<comment>c</comment><publisher>p</publisher>\n"
                       "<crc32>K1</crc32></game>\n" /* a key line, not the end of a game */
                       "<date>2001</date>\n"
                       "</game>\n</games>\n";
    EXPECT_EQ(Ask(GetTitle, text.c_str(), "K1").text, "Both");
    EXPECT_EQ(Ask(GetGenre, text.c_str(), "K1").size, 1);
    EXPECT_EQ(Ask(GetMaker, text.c_str(), "K1").text, "p");
    EXPECT_EQ(Ask(GetMemo, text.c_str(), "K1").size, 1);
    EXPECT_EQ(GetYear(text.c_str(), "K1", 0), 2001);
    EXPECT_EQ(gameTable.count, 1);
}

TEST_F(PluginTest, LaterValuesWinAndUnfinishedGamesMergeIntoTheNext) {
    std::string text = "<games>\n"
                       "<game><title>Old</title>\n<title>New</title>\n<genre>5</genre>\n"
                       "<comment>kept</comment>\n<crc32>AAAA</crc32>\n"  /* no </game> */
                       "<game><title>Next</title>\n<crc32>BBBB</crc32>\n</game>\n"
                       "<game><title>Tail</title>\n<crc32>CCCC</crc32>\n" /* never finished */
                       "</games>\n";
    EXPECT_EQ(Ask(GetTitle, text.c_str(), "AAAA").size, NOT_FOUND);
    EXPECT_EQ(Ask(GetTitle, text.c_str(), "BBBB").text, "Next");
    EXPECT_EQ(Ask(GetMemo, text.c_str(), "BBBB").text, "kept");
    EXPECT_EQ(Ask(GetGenre, text.c_str(), "BBBB").text, Sjis("対戦格闘"));
    EXPECT_EQ(Ask(GetTitle, text.c_str(), "CCCC").size, NOT_FOUND);
}

TEST_F(PluginTest, NothingAfterTheEndOfGamesIsRead) {
    std::string text = CatalogueText({kStarfall}) + GameLines(kMossy) + "</games>\n";
    EXPECT_EQ(GetYear(text.c_str(), "1A2B3C4D", 0), 1996);
    EXPECT_EQ(GetYear(text.c_str(), "00C0FFEE", 0), NOT_FOUND);

    ReleaseGameTable();
    CreateGameTable();
    /* the end line is not examined for any other tag */
    std::string ended = "<games>\n<crc32>E</crc32>\n</game></games>\n";
    EXPECT_EQ(GetYear(ended.c_str(), "E", 0), NOT_FOUND);
    EXPECT_EQ(gameTable.count, 0);
}

TEST_F(PluginTest, AnEndOfGamesFirstLineParsesNothing) {
    std::string text = "</games>\n" + GameLines(kStarfall);
    EXPECT_EQ(GetYear(text.c_str(), "1A2B3C4D", 0), NOT_FOUND);
    EXPECT_EQ(gameTable.count, 0);
}

TEST_F(PluginTest, IndentationAndCarriageReturnsChangeNoValue) {
    std::string crlf = CatalogueText({kStarfall}, "\r\n");
    EXPECT_EQ(Ask(GetTitle, crlf.c_str(), "1A2B3C4D").text, "Starfall Courier");
    EXPECT_EQ(Ask(GetMemo, crlf.c_str(), "1A2B3C4D").text, "Two players & a shared map");
    EXPECT_EQ(GetYear(crlf.c_str(), "1A2B3C4D", 0), 1996);
}

TEST_F(PluginTest, ValuesAreTakenByteForByte) {
    std::string text = "<games>\n<game>\n<title>  Tom &amp; Kit's \"CAVE\" </title>\n"
                       "<publisher>\x83\x5e\x83\x43\x83\x67</publisher>\n"
                       "<crc32>ab12</crc32>\n</game>\n</games>\n";
    EXPECT_EQ(Ask(GetTitle, text.c_str(), "ab12").text, "  Tom &amp; Kit's \"CAVE\" ");
    EXPECT_EQ(Ask(GetMaker, text.c_str(), "ab12").text, "\x83\x5e\x83\x43\x83\x67");
}

TEST_F(PluginTest, FieldsTheCatalogueNeverSetAreEmpty) {
    std::string text = "<games>\n<game>\n<title>Only a title</title>\n<crc32>5</crc32>\n"
                       "</game>\n</games>\n";
    for (TextQuery q : {GetMaker, GetGenre, GetMemo}) {
        Answer a = Ask(q, text.c_str(), "5");
        EXPECT_EQ(a.size, 1);
        EXPECT_EQ(a.text, "");
    }
    EXPECT_EQ(GetYear(text.c_str(), "5", 0), 0);
}

TEST_F(PluginTest, TheCatalogueIsReadOncePerModuleLife) {
    std::string first = CatalogueText({kStarfall});
    std::string second = CatalogueText({kMossy});
    EXPECT_EQ(GetYear(first.c_str(), "1A2B3C4D", 0), 1996);
    EXPECT_EQ(GetYear(second.c_str(), "00C0FFEE", 0), NOT_FOUND);
    EXPECT_EQ(GetYear(second.c_str(), "1A2B3C4D", 0), 1996);

    ReleaseGameTable(); /* a new life reads the new text */
    CreateGameTable();
    EXPECT_EQ(GetYear(second.c_str(), "00C0FFEE", 0), 1999);
    EXPECT_EQ(GetYear(second.c_str(), "1A2B3C4D", 0), NOT_FOUND);
}

TEST_F(PluginTest, ACatalogueThatFinishesNoGameIsReadAgainByEveryQuery) {
    std::string none = "<games>\n<game>\n<title>Half</title>\n<crc32>H</crc32>\n</games>\n";
    EXPECT_EQ(GetYear(none.c_str(), "H", 0), NOT_FOUND);
    EXPECT_EQ(gameTable.records[0].crc32, std::string("H")); /* parsed into record 0 */
    std::string later = CatalogueText({kStarfall});
    EXPECT_EQ(Ask(GetTitle, later.c_str(), "1A2B3C4D").text, "Starfall Courier");
}

/* Every field a game can have, and a key, but no "</game>". */
static const char kUnfinished[] = "<title>Stale</title>\n<genre>3</genre>\n<publisher>Old</publisher>\n"
                                  "<date>1901</date>\n<comment>gone</comment>\n<crc32>DEADBEEF</crc32>\n";

TEST_F(PluginTest, ATextThatFinishesNoGameLeavesNothingToTheNextText) {
    EXPECT_EQ(GetTitle(kUnfinished, "DEADBEEF", 0, NULL, 0), NOT_FOUND);
    const char *fresh = "<games>\n<game>\n<title>Fresh</title>\n</game>\n</games>\n";
    EXPECT_EQ(GetTitle(fresh, "DEADBEEF", 0, PoisonedOut(), 0), NOT_FOUND); /* a key only the first named */
    EXPECT_EQ(GetYear(fresh, "DEADBEEF", 0), NOT_FOUND);
    EXPECT_EQ(Ask(GetTitle, fresh, "").text, "Fresh"); /* it has no checksum */
    EXPECT_EQ(GetYear(fresh, "", 0), 0);
}

TEST_F(PluginTest, AFirstGameWithOnlyAKeyGetsNoFieldFromAnEarlierText) {
    EXPECT_EQ(GetYear(kUnfinished, "DEADBEEF", 0), NOT_FOUND);
    const char *keyOnly = "<games>\n<game>\n<crc32>ABCD1234</crc32>\n</game>\n</games>\n";
    for (TextQuery q : {GetTitle, GetMaker, GetGenre, GetMemo}) {
        Answer a = Ask(q, keyOnly, "ABCD1234");
        EXPECT_EQ(a.size, 1);
        EXPECT_EQ(a.text, "");
    }
    EXPECT_EQ(GetYear(keyOnly, "ABCD1234", 0), 0);
}

TEST_F(PluginTest, TheHostsTextIsLeftUnchanged) {
    std::string text = CatalogueText({kStarfall, kMossy}, "\r\n");
    std::vector<char> host(text.begin(), text.end());
    host.push_back('\0');
    std::vector<char> before = host;
    EXPECT_EQ(GetYear(host.data(), "00C0FFEE", 0), 1999);
    EXPECT_EQ(host, before);
}
