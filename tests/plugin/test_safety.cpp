/* Input outside the catalogue format and careless callers: sound answers, no damage */
#include <stdio.h>
#include <string.h>

#include "lines.h"
#include "plugin_test.h"

static std::vector<char> HeapText(const std::string &text) {
    std::vector<char> exact(text.begin(), text.end()); /* no slack after the NUL */
    exact.push_back('\0');
    return exact;
}

TEST_F(PluginTest, TheTextMayEndWithoutAnEndOfGamesOrAFinalLineFeed) {
    std::vector<char> open = HeapText("<games>\n<game>\n<title>Loose</title>\n<crc32>L</crc32>\n</game>");
    EXPECT_EQ(Ask(GetTitle, open.data(), "L").text, "Loose");

    ReleaseGameTable();
    CreateGameTable();
    std::vector<char> cut = HeapText("<game>\n<crc32>M</crc32>\n</game>\n<title>Unfinished</ti");
    EXPECT_EQ(GetYear(cut.data(), "M", 0), 0);
    EXPECT_EQ(gameTable.count, 1);
}

TEST_F(PluginTest, OnlyTheFirst259BytesOfALineAreExamined) {
    const std::string fits(MAX_LINE_LENGTH - 15, 'x'); /* <title> + value + </title> = 259 */
    const std::string tooLong(MAX_LINE_LENGTH - 14, 'y');
    std::string text = "<games>\n<game>\n<title>" + fits + "</title>\n<crc32>A</crc32>\n</game>\n"
                       "<game>\n<title>Kept</title>\n<title>" + tooLong + "</title>\n"
                       "<comment>" + std::string(300, 'z') + "</comment>\n"
                       "<crc32>B</crc32>\n" + std::string(260, ' ') + "</game>\n"
                       "<publisher>Next line</publisher>\n</game>\n</games>\n";
    std::vector<char> host = HeapText(text);
    EXPECT_EQ(Ask(GetTitle, host.data(), "A").text, fits);
    EXPECT_EQ(Ask(GetTitle, host.data(), "B").text, "Kept"); /* its closing tag lay past 259 */
    EXPECT_EQ(Ask(GetMemo, host.data(), "B").size, 1);
    EXPECT_EQ(Ask(GetMaker, host.data(), "B").text, "Next line"); /* the late </game> was unseen */
    EXPECT_EQ(gameTable.count, 2);
}

/* A line whose opening tag has no closing tag after it sets nothing. */
TEST_F(PluginTest, AnOpeningTagWithoutItsClosingTagLeavesTheFieldAlone) {
    std::string text = "<games>\n<game>\n<title>Whole</title>\n<title>Broken\n"
                       "<publisher>Maker</publisher>\n<publisher>No end</title>\n"
                       "<date>1990</date>\n<date>2020\n<genre>1</genre>\n<genre>2\n"
                       "<comment></comment><comment>unclosed\n"
                       "<crc32>K</crc32>\n<crc32>Q\n"
                       "<title>Cut</game>\n" /* a title line, so the game is not finished */
                       "</game>\n</games>\n";
    std::vector<char> host = HeapText(text);
    EXPECT_EQ(Ask(GetTitle, host.data(), "K").text, "Whole");
    EXPECT_EQ(Ask(GetMaker, host.data(), "K").text, "Maker");
    EXPECT_EQ(Ask(GetGenre, host.data(), "K").text, Sjis("アドベンチャー"));
    EXPECT_EQ(Ask(GetMemo, host.data(), "K").size, 1);
    EXPECT_EQ(GetYear(host.data(), "K", 0), 1990);
    EXPECT_EQ(gameTable.count, 1);
}

TEST_F(PluginTest, ALongChecksumIsCutToFifteenBytes) {
    std::string text = CatalogueText({{"Long key", "0123456789ABCDEFGHIJ", "", "", "", ""}});
    EXPECT_EQ(Ask(GetTitle, text.c_str(), "0123456789ABCDE").text, "Long key");
    EXPECT_EQ(GetYear(text.c_str(), "0123456789ABCDEF", 0), NOT_FOUND);
}

TEST_F(PluginTest, GamesBeyondTheTableAreIgnored) {
    std::string text;
    char key[16];
    for (int i = 0; i <= MAX_GAMES; i++) {
        snprintf(key, sizeof key, "%08X", i);
        text += "<game>\n<title>T" + std::to_string(i) + "</title>\n<crc32>" + key +
                "</crc32>\n</game>\n";
    }
    text += "<title>Past the end</title>\n<crc32>X</crc32>\n</game>\n</games>\n";
    EXPECT_EQ(Ask(GetTitle, text.c_str(), "00000000").text, "T0");
    EXPECT_EQ(Ask(GetTitle, text.c_str(), "00004E1F").text, "T19999");
    EXPECT_EQ(GetYear(text.c_str(), "00004E20", 0), NOT_FOUND); /* game 20000 */
    EXPECT_EQ(GetYear(text.c_str(), "X", 0), NOT_FOUND);
    EXPECT_EQ(gameTable.count, MAX_GAMES);
}

/* A racing host may ask while another call's parse is still filling the
   table: the index's entries for games past the count are not used. */
TEST_F(PluginTest, TheIndexAnswersOnlyFromFinishedGames) {
    std::string text = CatalogueText({{"First", "F1", "", "", "", ""}, {"Second", "F2", "", "", "", ""}});
    EXPECT_EQ(GetYear(text.c_str(), "F1", 0), 0);
    gameTable.count = 1;
    EXPECT_EQ(GetYear(text.c_str(), "F2", 0), NOT_FOUND);
    gameTable.count = 2;
    EXPECT_EQ(Ask(GetTitle, text.c_str(), "F2").text, "Second");
}

TEST_F(PluginTest, KeysThatDoNotFitTheKeyBufferAreNotFound) {
    std::string text = CatalogueText({{"Fifteen", "ABCDEFGHIJKLMNO", "", "", "", ""},
                                      {"Empty", "", "", "", "", ""}});
    std::vector<char> fifteen = HeapText("ABCDEFGHIJKLMNO");
    std::vector<char> sixteen = HeapText("ABCDEFGHIJKLMNOP");
    std::vector<char> huge = HeapText(std::string(5000, 'A'));
    EXPECT_EQ(Ask(GetTitle, text.c_str(), fifteen.data()).text, "Fifteen");
    EXPECT_EQ(GetTitle(text.c_str(), sixteen.data(), 0, PoisonedOut(), 1), NOT_FOUND);
    EXPECT_EQ(GetYear(text.c_str(), huge.data(), 0), NOT_FOUND);
    EXPECT_EQ(gameTable.lastHit, 0);
}

TEST_F(PluginTest, NullTextsAndBuffersAreHandledSafely) {
    EXPECT_EQ(GetTitle(NULL, "1", 0, PoisonedOut(), 1), NOT_FOUND); /* null reads as empty */
    std::string text = CatalogueText({{"Safe", "5AFE", "", "", "", ""}});
    EXPECT_EQ(GetTitle(text.c_str(), NULL, 0, PoisonedOut(), 1), NOT_FOUND);
    EXPECT_EQ(GetYear(text.c_str(), NULL, 0), NOT_FOUND);
    char *nothing = NULL;
    EXPECT_EQ(GetTitle(text.c_str(), "5AFE", 0, NULL, 1), 5);
    EXPECT_EQ(GetTitle(text.c_str(), "5AFE", 0, &nothing, 1), 5);
    EXPECT_EQ(GetPluginAuthor(NULL, 1), 4);
    EXPECT_EQ(GetPluginInfo(&nothing, 1), 49);
    EXPECT_EQ(nothing, nullptr);
}

TEST_F(PluginTest, WithoutATableQueriesFindNothingUntilMemoryReturns) {
    std::string text = CatalogueText({{"Back", "BAC", "", "", "", ""}});
    ReleaseGameTable();
    failingAllocations = 1;
    CreateGameTable();
    EXPECT_EQ(gameTable.records, nullptr);
    failingAllocations = 2; /* the table is tried again with each query */
    EXPECT_EQ(GetTitle(text.c_str(), "BAC", 0, PoisonedOut(), 1), NOT_FOUND);
    EXPECT_EQ(GetYear(text.c_str(), "BAC", 0), NOT_FOUND);
    EXPECT_EQ(Ask(GetTitle, text.c_str(), "BAC").text, "Back");
}

TEST_F(PluginTest, WithoutTheParsersCopyQueriesFindNothingAndParseLater) {
    std::string text = CatalogueText({{"Later", "1A7E", "", "", "", ""}});
    failingAllocations = 1;
    EXPECT_EQ(GetTitle(text.c_str(), "1A7E", 0, PoisonedOut(), 1), NOT_FOUND);
    EXPECT_EQ(gameTable.count, 0);
    EXPECT_EQ(Ask(GetTitle, text.c_str(), "1A7E").text, "Later");
}

TEST_F(PluginTest, DetachWithoutQueriesParsesNothing) {
    EXPECT_NE(gameTable.records, nullptr);
    EXPECT_EQ(gameTable.count, 0);
    EXPECT_EQ(gameTable.lastHit, -1);
    GameRecord *table = gameTable.records;
    CreateGameTable(); /* a second attach keeps the table */
    EXPECT_EQ(gameTable.records, table);
    ReleaseGameTable();
    EXPECT_EQ(gameTable.records, nullptr);
    if (!kRunsTheDll) { /* a detached DLL is unmapped: nothing to call */
        EXPECT_EQ(GetYear("<crc32></crc32>\n</game>\n", "", 0), NOT_FOUND); /* detached: no table */
    }
    EXPECT_EQ(gameTable.records, nullptr);
    CreateGameTable();
}
