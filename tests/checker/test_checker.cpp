/* The catalogue checker: each kind of finding, on a hand-made catalogue */
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "checker.h"

struct Expected {
    FindingKind kind;
    size_t line;
    const char *says; /* part of the message */
};

static std::string Game(const std::string &key, const std::string &title = "T") {
    return "<game>\n<title>" + title + "</title>\n<crc32>" + key + "</crc32>\n</game>\n";
}

static std::string Describe(const CheckReport &report) {
    std::string out;
    for (const Finding &f : report.findings)
        out += std::to_string(f.line) + " " + FindingName(f.kind) + ": " + f.message + "\n";
    return out;
}

static void ExpectFindings(const std::string &text, const std::vector<Expected> &expected) {
    CheckReport report;
    CheckCatalogue(text, &report);
    ASSERT_EQ(report.findings.size(), expected.size()) << Describe(report);
    for (size_t i = 0; i < expected.size(); i++) {
        const Finding &f = report.findings[i];
        EXPECT_EQ(FindingName(f.kind), std::string(FindingName(expected[i].kind))) << Describe(report);
        EXPECT_EQ(f.line, expected[i].line) << f.message;
        EXPECT_NE(f.message.find(expected[i].says), std::string::npos) << f.message;
    }
}

TEST(Checker, ACleanCatalogueHasNothingToReport) {
    CheckReport report;
    CheckCatalogue("<?xml version=\"1.0\"?>\r\n<games>\r\n  <game>\r\n    <title>Fine</title>\r\n"
                   "    <genre>10</genre>\r\n    <date>1999/01/02</date>\r\n    <crc32>0BADF00D</crc32>\r\n"
                   "  </game>\r\n</games>\r\n", &report);
    EXPECT_EQ(Describe(report), "");
    EXPECT_EQ(report.findable, 1u);
}

TEST(Checker, LinesThePluginCannotUse) {
    std::string longComment = "<comment>" + std::string(260, 'c') + "</comment>";
    ExpectFindings("<games>\n<game>\n" + longComment + "\n" + std::string(262, ' ') + "</game>\n" +
                       "<title>Broken\n<genre>2</genre><title>Both</title>\n<crc32>K1</crc32></game>\n"
                       "<crc32>0BADF00D</crc32>\n</game>\n</games>\n",
                   {{FINDING_LONG_LINE, 3, "the <comment> value is dropped whole"},
                    {FINDING_LONG_LINE, 4, "</game> at byte 263 is not seen, so no game ends here"},
                    {FINDING_UNCLOSED_TAG, 5, "<title> has no </title>"},
                    {FINDING_SHADOWED_TAG, 6, "<genre> is ignored: <title> comes first"},
                    {FINDING_SHADOWED_TAG, 7, "</game> is ignored: <crc32> comes first"},
                    {FINDING_ODD_CRC32, 7, "\"K1\" is not 8 hexadecimal digits"},
                    {FINDING_FIELD_SET_TWICE, 8, "<crc32> is set again in game \"Both\" (first at line 7)"}});
}

TEST(Checker, ChecksumsThatCannotBeFound) {
    ExpectFindings("<games>\n" + Game("0123456789ABCDEFGHIJ", "Long") + Game("deadbeef", "Lower") +
                       Game("0BADF00D", "First") + Game("0BADF00D", "Second") +
                       "<game>\n<title>Keyless</title>\n</game>\n" + Game("ABCDEF", "Padded") + "</games>\n",
                   {{FINDING_LONG_CRC32, 4, "is 20 bytes, cut to 15"},
                    {FINDING_LOWER_CASE_CRC32, 8, "\"deadbeef\" is in lower case"},
                    {FINDING_DUPLICATE_CRC32, 16, "game \"Second\" is unreachable: game \"First\" (line 12)"},
                    {FINDING_NO_CRC32, 20, "game \"Keyless\" has no <crc32>"},
                    {FINDING_ODD_CRC32, 23, "can be found by no key: a key of its length is first padded "
                                            "with zeros, to \"00ABCDEF\""}});
    CheckReport report;
    CheckCatalogue("<games>\n" + Game("0BADF00D", "First") + Game("0BADF00D", "Second") + Game("ABCDEF") +
                       "</games>\n", &report);
    ASSERT_EQ(report.games.size(), 3u);
    EXPECT_EQ(report.games[1].shadowedBy, 0);
    EXPECT_FALSE(report.games[2].findable);
    EXPECT_EQ(report.findable, 1u);
    EXPECT_EQ(report.unreachable, 2u);
}

/* A game that sets its crc32 twice keeps the later; its key is quoted as
   the Shift_JIS it is ("\x83\x61" is a katakana). */
TEST(Checker, DuplicatesNameTheLinesWhereTheKeysThatCountWereSet) {
    std::string text = "<games>\n<game>\n<crc32>0000F00D</crc32>\n<crc32>\x83\x61</crc32>\n</game>\n"
                       "<game>\n<crc32>\x83\x61</crc32>\n<crc32>\x83\x61</crc32>\n</game>\n</games>\n";
    ExpectFindings(text, {{FINDING_ODD_CRC32, 4, "<crc32> \"ヂ\" is not 8 hexadecimal digits"},
                          {FINDING_FIELD_SET_TWICE, 4, "(first at line 3)"},
                          {FINDING_ODD_CRC32, 7, "\"ヂ\""},
                          {FINDING_ODD_CRC32, 8, "\"ヂ\""},
                          {FINDING_FIELD_SET_TWICE, 8, "(first at line 7)"},
                          {FINDING_DUPLICATE_CRC32, 8, "game ヂ is unreachable: game ヂ (line 4) has "
                                                       "the same key \"ヂ\""}});
    CheckReport report;
    CheckCatalogue(text, &report);
    ASSERT_EQ(report.games.size(), 2u);
    EXPECT_EQ(report.games[0].keyLine, 4u);
    EXPECT_EQ(report.games[1].keyLine, 8u);
}

/* A host that warns only of the whole text gets only that, keys explained or not. */
TEST(Checker, WithoutLineFindingsOnlyTheWholeTextIsReported) {
    std::string text = "<games>\n" + Game("0BADF00D") + Game("0BADF00D") + "<Title>x</Title>\n\x82\n" +
                       Game("ABC", std::string("a\0b", 3)) + "</games>\n";
    for (bool keys : {false, true}) {
        CheckOptions options;
        options.lineFindings = false;
        if (keys) options.keys = {"0BADF00D"};
        CheckReport report;
        CheckCatalogue(text, &report, options);
        EXPECT_EQ(Describe(report).substr(0, 12), "13 nul-byte:") << Describe(report);
        EXPECT_EQ(report.findings.size(), 1u) << Describe(report);
        EXPECT_EQ(report.keys.size(), keys ? 1u : 0u);
    }
}

TEST(Checker, ValuesThePluginReadsOtherwise) {
    ExpectFindings("<games>\n<game>\n<genre>11</genre>\n<genre>4</genre>\n<genre>01</genre>\n"
                   "<date>96/04</date>\n<crc32>0BADF00D</crc32>\n</game>\n</games>\n",
                   {{FINDING_UNLISTED_GENRE, 3, "\"11\" is not one of 0 to 10: the genre stays empty"},
                    {FINDING_UNLISTED_GENRE, 5, "the genre keeps \"スポーツ\""},
                    {FINDING_ODD_DATE, 6, "the year reads as 96"}});
}

TEST(Checker, GamesThatRunTogetherOrNeverEnd) {
    ExpectFindings("<games>\n<game>\n<title>Old</title>\n<comment>kept</comment>\n"
                   "<game><title>New</title>\n<crc32>0BADF00D</crc32>\n</game>\n"
                   "<game>\n<title>Tail</title>\n",
                   {{FINDING_MERGED_GAME, 5, "no </game> came since line 3: game \"Old\" and the game that begins here become one"},
                    {FINDING_FIELD_SET_TWICE, 5, "<title> is set again"},
                    {FINDING_NO_END_OF_GAMES, 9, "no </games>"},
                    {FINDING_UNFINISHED_GAME, 9, "never findable"}});
}

TEST(Checker, WhatComesAfterTheEndOrPastTheTable) {
    ExpectFindings("<games>\n" + Game("0BADF00D") + "</games>\n\n" + Game("0000F00D"),
                   {{FINDING_AFTER_END_OF_GAMES, 8, "never read: it comes after </games> (line 6)"}});
    std::string many = "<games>\n";
    for (int i = 0; i < MAX_GAMES + 3; i++) many += "<game>\n<crc32>" + std::to_string(i) + "</crc32>\n</game>\n";
    CheckReport report;
    CheckCatalogue(many + "</games>\n", &report);
    EXPECT_EQ(report.games.size(), (size_t)MAX_GAMES);
    EXPECT_EQ(report.ignored, 3u);
    ASSERT_EQ(report.counts[FINDING_TOO_MANY_GAMES], 1u) << Describe(report);
    EXPECT_EQ(report.findings.back().line, (size_t)MAX_GAMES * 3 + 1);
    ExpectFindings("<games>\n</games>\n", {{FINDING_NO_GAME, 0, "no game is finished"}});
}

TEST(Checker, TextThatIsNotWhatThePluginReads) {
    ExpectFindings("<games>\n" + Game("0BADF00D") + std::string(1, '\0') + Game("0000F00D") + "</games>\n",
                   {{FINDING_NO_END_OF_GAMES, 5, "no </games>"},
                    {FINDING_NUL_BYTE, 6, "sees nothing after it (65 bytes)"}});
    ExpectFindings("<games>\n" + Game("0BADF00D", "A\x80" "B") + "</games>\n",
                   {{FINDING_NOT_SHIFT_JIS, 3, "byte 0x80 at column 9"}});
    /* well-formed, but unassigned in code page 932: hosts show U+FFFD */
    ExpectFindings("<games>\n" + Game("0BADF00D", "\x82\xa0\x85\x40") + Game("0000F00D", "\xEB\x40") + "</games>\n",
                   {{FINDING_NOT_SHIFT_JIS, 3, "bytes 0x85 0x40 at column 10"},
                    {FINDING_NOT_SHIFT_JIS, 7, "bytes 0xEB 0x40 at column 8"}});
    ExpectFindings("\xEF\xBB\xBF<games>\n" + Game("0BADF00D", "Caf\xC3\xA9") + "</games>\n",
                   {{FINDING_BYTE_ORDER_MARK, 1, "UTF-8 byte-order mark"},
                    {FINDING_UTF8_TEXT, 1, "reads as UTF-8"}});
    ExpectFindings("\xEF\xBB\xBF<games>\n" + Game("0BADF00D", "\x83\x51") + "</games>\n", /* the mark told once */
                   {{FINDING_BYTE_ORDER_MARK, 1, "UTF-8 byte-order mark"}});
    ExpectFindings(std::string("\xFF\xFE<\0g\0", 6),
                   {{FINDING_BYTE_ORDER_MARK, 1, "UTF-16"},
                    {FINDING_NUL_BYTE, 1, "sees nothing after it"},
                    {FINDING_NOT_SHIFT_JIS, 1, "byte 0xFF at column 1"},
                    {FINDING_NO_END_OF_GAMES, 1, "no </games>"},
                    {FINDING_NO_GAME, 0, "no game is finished"}});
}

TEST(Checker, TagsThatOnlyLookLikeTheFormats) {
    ExpectFindings("<?xml version=\"1.0\"?>\n<games>\n<game>\n<TITLE>Loud</TITLE>\n<Title>Proud</Title>\n"
                   "<titel>Typo</titel>\n<rating>5</rating>\n<crc32>0BADF00D</crc32>\n</GAME>\n</game>\n"
                   "<comment>two\nlines</comment>\n</Games>\n</games>\n",
                   {{FINDING_UNKNOWN_TAG, 4, "<TITLE> is not <title>: tags match exactly, letter case included, "
                                             "so the line sets nothing"},
                    {FINDING_UNKNOWN_TAG, 5, "<Title> is not <title>"},
                    {FINDING_UNKNOWN_TAG, 6, "<titel> is not a tag the plug-in knows (<title>?), so the line sets nothing"},
                    {FINDING_UNKNOWN_TAG, 9, "</GAME> is not </game>: tags match exactly, letter case included, "
                                             "so no game ends here"},
                    {FINDING_UNCLOSED_TAG, 11, "<comment> has no </comment>"},
                    {FINDING_UNKNOWN_TAG, 13, "</Games> is not </games>: tags match exactly, letter case included, "
                                              "so the parse does not end here"}});
}

TEST(Checker, LinesThatHoldMoreThanTheyShow) {
    std::string crOnly = "<games>\r<game>\r<title>Old Mac</title>\r<crc32>0BADF00D</crc32>\r</game>\r</games>\r";
    ExpectFindings(crOnly, {{FINDING_LONE_CARRIAGE_RETURN, 1, "reads 6 lines here as one"},
                            {FINDING_NO_GAME, 0, "no game is finished"}});
    std::string crInValue = "<comment>" + std::string(250, 'c') + "\r</comment>";
    ExpectFindings("<games>\n<game>\n<crc32>0BADF00D</crc32>\n" + crInValue + "\n</game>\n</games>\n",
                   {{FINDING_LONE_CARRIAGE_RETURN, 4, "reads 2 lines here as one"},
                    {FINDING_LONG_LINE, 4, "the line is 270 bytes; the plug-in reads only the first 259: the <comment> "
                                           "value is dropped whole, because its </comment> ends past byte 259"}});
    std::string manyTags;
    for (int i = 0; i < 40; i++) manyTags += "<date>1999</date>";
    ExpectFindings("<games>\n<game>\n<crc32>0BADF00D</crc32>\n" + manyTags + "</game>\n</games>\n",
                   {{FINDING_UNFINISHED_GAME, 3, "never findable"},
                    {FINDING_LONG_LINE, 4, "</game> at byte 681 is not seen, so no game ends here"},
                    {FINDING_SHADOWED_TAG, 4, "a second <date> is ignored: only a line's first <date> counts"},
                    {FINDING_NO_GAME, 0, "no game is finished"}});
}

TEST(Checker, SaysWhatThePluginDoesWithSeveralTagsOnALine) {
    ExpectFindings("<games>\n" + Game("0BADF00D") + "<game>\n<crc32>0000F00D</crc32>\n</game></game>\n</games><game>\n",
                   {{FINDING_SHADOWED_TAG, 8, "a second </game> is ignored: only a line's first </game> counts: "
                                              "one game ends here, not two"}});
    ExpectFindings(std::string(1, '\0'), {{FINDING_NUL_BYTE, 1, "sees nothing after it (0 bytes)"},
                                          {FINDING_NO_END_OF_GAMES, 0, "no </games>"},
                                          {FINDING_NO_GAME, 0, "no game is finished"}});
}

/* Of each kind the first MAX_FINDINGS_OF_A_KIND are kept, in line order;
   all are counted. Lines that are not Shift_JIS in a text that turns out
   UTF-8 are not told of, however many. */
TEST(Checker, KeepsTheFirstFindingsOfAKindAndCountsThemAll) {
    std::string text = "<games>\n";
    for (int i = 0; i < 1500; i++) text += "<title>A\x80</title>\n";
    CheckReport report;
    CheckCatalogue(text, &report);
    EXPECT_EQ(report.counts[FINDING_NOT_SHIFT_JIS], 1500u);
    EXPECT_EQ(report.counts[FINDING_FIELD_SET_TWICE], 1499u);
    size_t kept[FINDING_KINDS] = {0}, last = 0;
    for (const Finding &f : report.findings) {
        if (++kept[f.kind] == MAX_FINDINGS_OF_A_KIND && f.kind == FINDING_NOT_SHIFT_JIS) last = f.line;
    }
    EXPECT_EQ(kept[FINDING_NOT_SHIFT_JIS], (size_t)MAX_FINDINGS_OF_A_KIND);
    EXPECT_EQ(kept[FINDING_FIELD_SET_TWICE], (size_t)MAX_FINDINGS_OF_A_KIND);
    EXPECT_EQ(last, (size_t)MAX_FINDINGS_OF_A_KIND + 1); /* lines 2 to 1001 */

    std::string utf8 = "<games>\n";
    for (int i = 0; i < 1500; i++)
        utf8 += "<game>\n<title>\xE3\x81\x82</title>\n<crc32>" + std::to_string(10000000 + i) + "</crc32>\n</game>\n";
    ExpectFindings(utf8 + "</games>\n", {{FINDING_UTF8_TEXT, 3, "reads as UTF-8"}});
}

/* Past LINE_PREFIX_BYTES a line is counted and its Shift_JIS read, but its
   tags are not looked at: this </comment> is not seen. */
TEST(Checker, LinesLongerThanTheirKeptPart) {
    std::string line = "<comment>" + std::string(70000, 'c') + "\x80</comment>";
    ExpectFindings("<games>\n<game>\n" + line + "\n<crc32>0BADF00D</crc32>\n</game>\n</games>\n",
                   {{FINDING_NOT_SHIFT_JIS, 3, "byte 0x80 at column 70010"},
                    {FINDING_LONG_LINE, 3, "the line is 70020 bytes; the plug-in reads only the first 259: nothing"},
                    {FINDING_UNCLOSED_TAG, 3, "<comment> has no </comment>"}});
}

/* Each language's texts stand in the order of their names, every English
   text is there, and every kind of finding has its summary. */
TEST(Checker, EveryTextIsListedInItsPlace) {
    for (int i = 0; i < MESSAGE_IDS; i++) {
        EXPECT_EQ(kEnglishMessages[i].id, i);
        EXPECT_EQ(kJapaneseMessages[i].id, i);
        EXPECT_NE(std::string(kEnglishMessages[i].text), "") << i;
    }
    for (int k = 0; k < FINDING_KINDS; k++) EXPECT_NE(FindingSummary((FindingKind)k, LANGUAGE_JA), "") << k;
}
