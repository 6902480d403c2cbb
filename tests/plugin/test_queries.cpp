/* Keys, lookup and the two-call protocol of the game queries */
#include <stdio.h>
#include <string.h>

#include "plugin_test.h"

static std::string KeyedCatalogue() {
    return CatalogueText({{"Eight", "1234ABCD", "0", "", "2000", ""},
                          {"Seven", "0BCDEF12", "1", "", "2001", ""},
                          {"Six", "00ABCDEF", "2", "", "2002", ""},
                          {"Five", "000ABCDE", "3", "", "2003", ""},
                          {"Four", "ABCD", "4", "", "2004", ""},
                          {"Padded four", "0000ABCD", "5", "", "2005", ""},
                          {"Lower", "deadbeef", "6", "", "2006", ""},
                          {"Nameless", "", "7", "", "2007", ""},
                          {"Twin one", "7777AAAA", "8", "", "2008", ""},
                          {"Twin two", "7777AAAA", "9", "", "2009", ""}});
}

TEST_F(PluginTest, ShortKeysArePaddedWithLeadingZerosToEight) {
    std::string text = KeyedCatalogue();
    const char *t = text.c_str();
    EXPECT_EQ(Ask(GetTitle, t, "1234ABCD").text, "Eight");
    EXPECT_EQ(Ask(GetTitle, t, "BCDEF12").text, "Seven");
    EXPECT_EQ(Ask(GetTitle, t, "ABCDEF").text, "Six");
    EXPECT_EQ(Ask(GetTitle, t, "ABCDE").text, "Five");
    EXPECT_EQ(Ask(GetTitle, t, "ABCD").text, "Four"); /* four characters stay as they are */
    EXPECT_EQ(Ask(GetTitle, t, "0000ABCD").text, "Padded four");
    EXPECT_EQ(GetYear(t, "00ABCDE", 0), 2003);
}

TEST_F(PluginTest, KeysMatchWholeAndCaseSensitive) {
    std::string text = KeyedCatalogue();
    const char *t = text.c_str();
    EXPECT_EQ(GetYear(t, "deadbeef", 0), 2006);
    EXPECT_EQ(GetYear(t, "DEADBEEF", 0), NOT_FOUND);
    EXPECT_EQ(GetYear(t, "1234abcd", 0), NOT_FOUND);
    EXPECT_EQ(GetYear(t, "1234ABC", 0), NOT_FOUND); /* padded to 01234ABC */
    EXPECT_EQ(GetYear(t, "1234ABCD ", 0), NOT_FOUND);
}

TEST_F(PluginTest, AnEmptyKeyFindsTheFirstGameWithoutAChecksum) {
    std::string text = KeyedCatalogue();
    EXPECT_EQ(Ask(GetTitle, text.c_str(), "").text, "Nameless");
}

TEST_F(PluginTest, ASharedKeyAlwaysAnswersFromItsFirstGame) {
    std::string text = KeyedCatalogue();
    EXPECT_EQ(Ask(GetTitle, text.c_str(), "7777AAAA").text, "Twin one");
    EXPECT_EQ(Ask(GetTitle, text.c_str(), "1234ABCD").text, "Eight");
    EXPECT_EQ(Ask(GetTitle, text.c_str(), "7777AAAA").text, "Twin one");
}

TEST_F(PluginTest, TheLastHitIsKeptAcrossMissesAndReused) {
    std::string text = KeyedCatalogue();
    const char *t = text.c_str();
    EXPECT_EQ(gameTable.lastHit, -1);
    EXPECT_EQ(GetYear(t, "ABCDEF", 0), 2002);
    EXPECT_EQ(gameTable.lastHit, 2);
    EXPECT_EQ(GetYear(t, "FFFFFFFF", 0), NOT_FOUND);
    EXPECT_EQ(gameTable.lastHit, 2);
    /* The last hit is tried before the scan: give record 0 the same key. */
    memcpy(gameTable.records[0].crc32, "00ABCDEF", 9);
    EXPECT_EQ(Ask(GetTitle, t, "ABCDEF").text, "Six");
    EXPECT_EQ(gameTable.lastHit, 2);
    EXPECT_EQ(GetYear(t, "1234ABCD", 0), NOT_FOUND);
    EXPECT_EQ(GetYear(t, "00ABCDEF", 0), 2002);
}

TEST_F(PluginTest, ASizeCallNeverTouchesOut) {
    std::string text = KeyedCatalogue();
    const char *t = text.c_str();
    EXPECT_EQ(GetTitle(t, "1234ABCD", 0, PoisonedOut(), 0), 6);
    EXPECT_EQ(GetMaker(t, "1234ABCD", 0, PoisonedOut(), 0), 1);
    EXPECT_EQ(GetGenre(t, "1234ABCD", 0, PoisonedOut(), 0), 11);
    EXPECT_EQ(GetMemo(t, "1234ABCD", 0, PoisonedOut(), 0), 1);
    EXPECT_EQ(GetTitle(t, "FFFFFFFF", 0, PoisonedOut(), 1), NOT_FOUND); /* a miss copies nothing */
}

TEST_F(PluginTest, ACopyWritesTheSizeAndNoMore) {
    std::string text = KeyedCatalogue();
    char buffer[32];
    char *out = buffer;
    for (int32_t flag : {1, 2, -1}) {
        memset(buffer, '#', sizeof buffer);
        EXPECT_EQ(GetTitle(text.c_str(), "ABCDEF", 12345, &out, flag), 4);
        EXPECT_EQ(std::string(buffer, 5), std::string("Six\0#", 5)) << flag;
    }
    memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(GetMemo(text.c_str(), "ABCDEF", 0, &out, 1), 1); /* an empty field is its NUL */
    EXPECT_EQ(std::string(buffer, 2), std::string("\0#", 2));
    memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(GetTitle(text.c_str(), "12121212", 0, &out, 1), NOT_FOUND);
    EXPECT_EQ(buffer[0], '#');
}

TEST_F(PluginTest, NothingIsFoundBeforeACatalogueFinishesAGame) {
    for (const char *text : {"", "<games>\n</games>\n", "<game><crc32>1</crc32>\n"}) {
        EXPECT_EQ(GetTitle(text, "1", 0, PoisonedOut(), 0), NOT_FOUND) << text;
        EXPECT_EQ(GetYear(text, "", 0), NOT_FOUND) << text;
    }
    EXPECT_EQ(gameTable.count, 0);
    EXPECT_EQ(gameTable.lastHit, -1);
}

/* Keys whose home is the index's last slot: each probe runs past the end,
   on to the first slots. */
static std::vector<std::string> KeysAtTheLastSlot(size_t wanted) {
    std::vector<std::string> keys;
    char key[KEY_FIELD_SIZE] = {0};
    for (uint32_t i = 0; keys.size() < wanted; i++) {
        snprintf(key, sizeof key, "%08X", i);
        if (HomeSlot(KeyHash(KeyOf(key))) == INDEX_SLOTS - 1) keys.push_back(key);
    }
    return keys;
}

/* Three keys that share a home slot, two of them twice, and a fourth that
   no game has: every answer from the first game with the key. */
static void ExpectCollidingKeysToAnswerAsTheScanDoes(void) {
    std::vector<std::string> k = KeysAtTheLastSlot(4);
    std::string text = CatalogueText({{"A", k[0], "", "", "", ""}, {"B", k[1], "", "", "", ""},
                                      {"A again", k[0], "", "", "", ""}, {"C", k[2], "", "", "", ""},
                                      {"B again", k[1], "", "", "", ""}});
    const char *t = text.c_str();
    EXPECT_EQ(Ask(GetTitle, t, k[1].c_str()).text, "B");
    EXPECT_EQ(gameTable.lastHit, 1);
    EXPECT_EQ(Ask(GetTitle, t, k[0].c_str()).text, "A");
    EXPECT_EQ(Ask(GetTitle, t, k[2].c_str()).text, "C");
    EXPECT_EQ(GetYear(t, k[3].c_str(), 0), NOT_FOUND);
    EXPECT_EQ(gameTable.lastHit, 3);
}

TEST_F(PluginTest, KeysThatCollideInTheIndexAnswerFromTheirFirstGame) {
    EXPECT_NE(gameIndex, nullptr);
    ExpectCollidingKeysToAnswerAsTheScanDoes();
}

TEST_F(PluginTest, WithoutItsIndexTheTableIsScannedForTheSameAnswers) {
    ReleaseGameTable();
    failingAllocations = 2; /* the table, which the first query gets, and the index, never retried */
    CreateGameTable();
    ExpectCollidingKeysToAnswerAsTheScanDoes();
    CreateGameTable(); /* a second attach must not bring an empty index to a loaded table */
    ExpectCollidingKeysToAnswerAsTheScanDoes();
    EXPECT_NE(gameTable.records, nullptr);
    EXPECT_EQ(gameIndex, nullptr);
}

TEST_F(PluginTest, AFullTableWithEveryKeyTwiceAnswersFromTheFirstHalf) {
    std::string text = "<games>\n";
    char key[KEY_FIELD_SIZE];
    for (int i = 0; i < MAX_GAMES; i++) {
        snprintf(key, sizeof key, "%08X", i % (MAX_GAMES / 2));
        text += "<game>\n<title>T" + std::to_string(i) + "</title>\n<crc32>" + key + "</crc32>\n</game>\n";
    }
    text += "<game>\n<crc32>LATE</crc32>\n</game>\n</games>\n";
    size_t wrong = 0;
    for (int i = MAX_GAMES / 2; i-- > 0;) {
        snprintf(key, sizeof key, "%08X", i);
        if (Ask(GetTitle, text.c_str(), key).text != "T" + std::to_string(i) && ++wrong <= 3)
            ADD_FAILURE() << key;
    }
    EXPECT_EQ(wrong, 0u);
    EXPECT_EQ(gameTable.count, MAX_GAMES);
    EXPECT_EQ(GetYear(text.c_str(), "LATE", 0), NOT_FOUND);
}
