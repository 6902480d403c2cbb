/* Messages: each language's table complete and in order, every text translated, its placeholders kept */
#include <gtest/gtest.h>

#include <regex>
#include <set>

#include "messages.h"

static std::multiset<std::string> Placeholders(const std::string &text) {
    std::multiset<std::string> found;
    std::regex placeholder("\\{[1-9]\\}");
    for (std::sregex_iterator it(text.begin(), text.end(), placeholder), end; it != end; ++it) found.insert(it->str());
    return found;
}

TEST(Messages, EachLanguageListsEveryTextInOrder) {
    for (const MessageEntry *table : {kEnglishMessages, kJapaneseMessages})
        for (int id = 0; id < MESSAGE_IDS; id++) {
            ASSERT_EQ(table[id].id, id) << "entry " << id << " is out of order";
            ASSERT_NE(table[id].text, nullptr) << "entry " << id;
        }
}

/* A text without its Japanese fails here, before a reader meets it in English. */
TEST(Messages, EveryTextHasItsJapaneseWithTheSamePlaceholders) {
    for (int id = 0; id < MESSAGE_IDS; id++) {
        std::string english = kEnglishMessages[id].text, japanese = kJapaneseMessages[id].text;
        EXPECT_FALSE(japanese.empty()) << english;
        EXPECT_EQ(Placeholders(japanese), Placeholders(english)) << english << " / " << japanese;
    }
}

/* What may stay in Latin letters in a Japanese text: names that programs
   and files have, the formats' own names, and column headings read. */
static const std::set<std::string> kNames = {
    "AES", "ASCII", "CRC", "CSV", "Ctrl", "FFFD", "FIFO", "GetPluginVersion", "JIS", "JSON", "LANG", "NUL",
    "RFC", "Shift", "UTF", "Windows", "bin", "check", "checksum", "crc", "data", "dat", "exe", "help", "key",
    "plinorhost", "rom", "warning", "zip"};

TEST(Messages, JapaneseTextsHoldNoEnglish) {
    /* options with a value (--csv=plain), the format's tags, environment variables */
    std::regex word("[A-Za-z]{3,}"), option("-[-A-Za-z]+(=[a-z]+)?|</?[A-Za-z0-9]+>|[A-Z]+(_[A-Z]+)+");
    for (int id = 0; id < MESSAGE_IDS; id++) {
        std::string text = std::regex_replace(kJapaneseMessages[id].text, option, " ");
        for (std::sregex_iterator it(text.begin(), text.end(), word), end; it != end; ++it)
            EXPECT_TRUE(kNames.count(it->str()) != 0) << it->str() << " in " << kJapaneseMessages[id].text;
    }
}

TEST(Messages, PlaceholdersAreFilledInTheirOrder) {
    EXPECT_EQ(Say(LANGUAGE_EN, M_SUMMARY, {"5", "1", "2", "1", "1"}), "5 asked: 1 found, 2 not found, 1 skipped, 1 failed");
    EXPECT_EQ(Say(LANGUAGE_JA, M_KIND_COUNT, {"3", "odd-date"}), "odd-date 3 件") << "a translation may reorder them";
    EXPECT_EQ(Say(LANGUAGE_EN, M_QUOTED), "'{1}'") << "a placeholder without its argument stays";
}

TEST(Messages, LanguagesAreNamedAsTheUserSetsThem) {
    Language language = LANGUAGE_EN;
    EXPECT_TRUE(LanguageNamed("ja", &language));
    EXPECT_EQ(language, LANGUAGE_JA);
    EXPECT_FALSE(LanguageNamed("jp", &language));
    EXPECT_EQ(language, LANGUAGE_JA);
}
