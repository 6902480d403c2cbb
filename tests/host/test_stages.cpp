/* The host tool's pure stages, without a process: the command line, keys files read in pieces, key forming,
   hints, and rows printed as a table, JSON and CSV */
#include <gtest/gtest.h>

#include <string.h>

#include <random>

#include "command_line.h"
#include "hints.h"
#include "keying.h"
#include "keys_file.h"
#include "printing.h"
#include "progress.h"

static std::string Utf16(const std::string &ascii, bool bigEndian) {
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char c : ascii) out += bigEndian ? std::string{'\0', c} : std::string{c, '\0'};
    return out;
}

static std::vector<std::string> Keys(const std::vector<KeyLine> &lines) {
    static const char *const faults[] = {"",           "holds a NUL byte", "holds bytes that do not decode",
                                         "is too long to hold a key", "has no key", "heads column "};
    std::vector<std::string> keys;
    for (const KeyLine &k : lines) {
        std::string column = k.fault == KEY_HEADER ? std::to_string(k.column) : "";
        bool key = k.fault == KEY_FINE || k.fault == KEY_NOT_HEXADECIMAL;
        keys.push_back(!key ? std::to_string(k.line) + ": " + faults[k.fault] + column : k.key);
    }
    return keys;
}

TEST(KeysFile, ReadsWhatEditorsSave) {
    struct {
        std::string bytes;
        std::vector<std::string> keys;
    } cases[] = {
        {"\xEF\xBB\xBF" "AD26400A\r\n", {"AD26400A"}},
        {Utf16("  EED33450\t\r\n# a comment\r\n\r\n", false), {"EED33450"}},
        {Utf16("0058DE32", true), {"0058DE32"}},
        {Utf16("AD26400A\r\n0058DE32\r\n", false).substr(2), {"AD26400A", "0058DE32"}}, /* no mark */
        {Utf16("AD26400A\r\n0058DE32", true).substr(2), {"AD26400A", "0058DE32"}},
        {"\t0EAF9B82 \r\r# 0BADF00D\r729F1532", {"0EAF9B82", "729F1532"}},
        {"A\nB\r\nC\rD\nE", {"A", "B", "C", "D", "E"}},
        {"", {}},
        {"AB", {"AB"}}, /* shorter than any byte-order mark */
        {std::string("AD26400A\n1A2B\0zz\n", 17), {"AD26400A", "2: holds a NUL byte"}},
        {Utf16("AD26400A\n", false) + std::string("\x00\xD8", 2), {"AD26400A", "2: holds bytes that do not decode"}},
        {Utf16("AB", false) + "C", {"1: holds bytes that do not decode"}}, /* an odd last byte */
        {"\xEF\xBB\xBF" "A\xFF\n", {"1: holds bytes that do not decode"}},
        {"A\xFF\n", {"A\xFF"}}, /* no mark: the bytes as they are */
        {std::string(5000, 'A') + "\nB\n", {"1: is too long to hold a key", "B"}},
        {"#" + std::string(5000, 'A') + "\nB\n", {"B"}},
    };
    for (const auto &c : cases) EXPECT_EQ(Keys(KeysOf(c.bytes)), c.keys) << c.bytes;
}

/* What spreadsheets and other programs save: tables split at commas,
   semicolons or tabs, quoted fields, a header, UTF-16 without a mark. */
TEST(KeysFile, ReadsTablesAsSpreadsheetsSaveThem) {
    struct {
        std::string bytes;
        std::vector<std::string> keys;
    } cases[] = {
        {"CRC32,Title\r\nAD26400A,Lantern Keep\r\n\"0058DE32\",\"Moth, \"\"Coral\"\"\"\r\n,,\r\n",
         {"1: heads column 1", "AD26400A", "0058DE32"}},
        {"AD26400A;Keep, Lantern;1994\n\"0058DE32\" ; \"Moth; Coral\";1991\n", {"AD26400A", "0058DE32"}},
        {"AD26400A,Keep; Lantern\n0058DE32,Moth\n", {"AD26400A", "0058DE32"}}, /* the separator that leaves a key */
        {"# exported\n\nTitle;Key\n\"Keep \"\"a; b\"\" Lantern\";AD26400A\nCoral Moth\n",
         {"3: heads column 2", "AD26400A", "5: has no key"}},
        {"#,crc-32,Title\n1,AD26400A,Lantern Keep\n", {"1: heads column 2", "AD26400A"}},
        {"Hash,Title\n", {"1: heads column 1"}},                /* no hexadecimal key: a header, and nothing else */
        {"CRC\nAD26400A\n", {"1: heads column 1", "AD26400A"}}, /* one column headed */
        {"xyz\nAD26400A\n", {"xyz", "AD26400A"}},               /* a plain file has no header */
        {"\"EED3\nAD26400A # Lantern, Keep\n\"0058DE32\"\t# Coral\n\"12\"\"34\"\n",
         {"EED3", "AD26400A", "0058DE32", "12\"34"}},
        {"AD26400A,\"a memo\non two lines\"\n0058DE32,\n", {"AD26400A", "0058DE32"}},
        {"\xEF\xBB\xBF" "\"asked\",\"key\"\r\n\"key\",\"=\"\"0058DE32\"\"\"\r\n", {"1: heads column 2", "0058DE32"}}, /* --csv's */
        {"AD26400A," + std::string(5000, 'x') + "\n" + std::string(5000, 'A') + ",x\n",
         {"AD26400A", "2: is too long to hold a key"}},
        {Utf16("No\tTitle\tCRC\r\n1\tLantern Keep\tAD26400A\r\n2\tCoral Moth\t\r\n", false),
         {"1: heads column 3", "AD26400A", "3: has no key"}},
        {Utf16("Title\tKey\r\n", true), {"1: heads column 2"}},
        {"\tCRC32\tTitle\n1\tAD26400A\tLantern Keep\n", {"1: heads column 2", "AD26400A"}}, /* a header's empty first cell */
        {Utf16("Key\tTitle\n0058DE32\tCoral Moth\n\tLantern Keep", true).substr(2),
         {"1: heads column 1", "0058DE32", "3: has no key"}},
    };
    for (const auto &c : cases) EXPECT_EQ(Keys(KeysOf(c.bytes)), c.keys) << c.bytes;
    std::vector<KeyLine> quoted = KeysOf("AD26400A,\"a memo\r\non two lines\"\r\n0058DE32\n");
    ASSERT_EQ(quoted.size(), 2u);
    EXPECT_EQ(quoted[1].line, 3u); /* a row's line is where it begins */
}

/* A file read as it comes, in pieces of any size, gives the keys it gives whole. */
TEST(KeysFile, PiecesGiveWhatTheWholeGives) {
    std::string texts[] = {"\xEF\xBB\xBF" "AD26400A\r\nEED33450\r\r\n\n# x\r\n58DE32",
                           Utf16("AD26400A\r\n\xC3\n B \r\nC", false) + std::string("\x3D\xD8\x00\xDE", 4) + "\n",
                           Utf16("AD26400A\r\nEED33450", true), "A\r\nB\rC\n\rD\r",
                           "#;Key;x\r\n1;\"AD26400A\";\"a; \"\"b\"\"\r\nc\"\r\n2;58DE32 # y\r\n",
                           Utf16("Title\tCRC\r\nA\t\"AD26400A\"\r\nB\t\r\n", false).substr(2)};
    std::mt19937 random(7);
    for (const std::string &text : texts) {
        std::vector<KeyLine> whole = KeysOf(text);
        for (int round = 0; round < 50; round++) {
            std::vector<KeyLine> pieces;
            KeysReader reader;
            StartKeys(&reader, [](void *keys, const KeyLine &line) {
                ((std::vector<KeyLine> *)keys)->push_back(line);
                return true;
            }, &pieces);
            for (size_t at = 0; at < text.size();) {
                size_t n = std::min(text.size() - at, (size_t)(random() % 5));
                ReadKeys(&reader, text.data() + at, n);
                at += n;
            }
            EndKeys(&reader);
            ASSERT_EQ(Keys(pieces), Keys(whole)) << text;
            for (size_t i = 0; i < whole.size(); i++) EXPECT_EQ(pieces[i].line, whole[i].line);
        }
    }
}

TEST(KeysFile, StopsWhenTheTakerSaysSo) {
    std::vector<std::string> taken;
    KeysReader reader;
    StartKeys(&reader, [](void *keys, const KeyLine &line) {
        ((std::vector<std::string> *)keys)->push_back(line.key);
        return false;
    }, &taken);
    std::string text = "A\nB\nC\n";
    EXPECT_FALSE(ReadKeys(&reader, text.data(), text.size()));
    EXPECT_EQ(taken, std::vector<std::string>{"A"});
}

TEST(Keying, FormsKeysAsHostsDo) {
    EXPECT_EQ(FullKey(0x58DE32, false), "0058DE32");
    EXPECT_EQ(FullKey(0xDEADBEEF, true), "deadbeef");
    EXPECT_EQ(FullKey(0, false), "00000000");
    EXPECT_EQ(ShortKey("0058DE32"), "58DE32");
    EXPECT_EQ(ShortKey("00000000"), "0");
    EXPECT_EQ(ShortKey("12345678"), "12345678");
    EXPECT_EQ(ShortKey(""), "");
}

static KeyLike Like(const char *value, uint32_t line, KeyLikeReason reason = KEY_LIKE_FINDABLE) {
    KeyLike like = {{0}, line, reason};
    strncpy(like.value, value, sizeof like.value - 1);
    return like;
}

/* What a hint for the key says: "" for none, else the value, line and reason. */
static std::string Hinted(const KeyHints &hints, const std::string &key) {
    Hint hint;
    if (!HintFor(hints, key, &hint)) return "";
    return hint.value + "@" + std::to_string(hint.line) + "#" + std::to_string(hint.reason);
}

TEST(Hints, NameWhatTheCatalogueHasThatAKeyMayHaveMeant) {
    KeyHints hints = HintsFor({Like("0058DE32", 3), Like("c0ffee42", 9), Like("C0FFEE42", 15), Like("0000ABCD", 21),
                               Like(" 0BADF00D ", 27, KEY_LIKE_DECORATED), Like("12345678", 90001, KEY_LIKE_PAST_TABLE),
                               Like("9ABCDEF0", 90100, KEY_LIKE_AFTER_END), Like("7D00C0F", 33, KEY_LIKE_PADDED_AWAY)});
    EXPECT_EQ(Hinted(hints, "58de32"), "0058DE32@3#0");
    EXPECT_EQ(Hinted(hints, "0000058DE32"), "0058DE32@3#0");
    EXPECT_EQ(Hinted(hints, "0x0058DE32"), "0058DE32@3#0") << "a key given with 0x";
    EXPECT_EQ(Hinted(hints, " 0058DE32 "), "0058DE32@3#0") << "a key given with spaces around it";
    EXPECT_EQ(Hinted(hints, "C0FFEE42"), "c0ffee42@9#0") << "the first of one loose form wins";
    EXPECT_EQ(Hinted(hints, "ABCD"), "0000ABCD@21#0");
    EXPECT_EQ(Hinted(hints, "0BADF00D"), " 0BADF00D @27#1") << "the catalogue's own spaces";
    EXPECT_EQ(Hinted(hints, "12345678"), "12345678@90001#2") << "the same key, past the games read";
    EXPECT_EQ(Hinted(hints, "9abcdef0"), "9ABCDEF0@90100#3");
    EXPECT_EQ(Hinted(hints, "07D00C0F"), "7D00C0F@33#4");
    EXPECT_EQ(Hinted(hints, "7D00C0F"), "7D00C0F@33#4") << "the same key, padded away";
    EXPECT_EQ(Hinted(hints, "0058DE32"), "") << "the key itself, findable, is no hint";
    EXPECT_EQ(Hinted(hints, "00000001"), "");
    EXPECT_EQ(Hinted(HintsFor({}), "58de32"), "");
}

/* A many-key table still finds each key by its loose form. */
TEST(Hints, FindEveryKeyOfALargeCatalogue) {
    std::vector<KeyLike> likes;
    for (uint32_t i = 0; i < 20000; i++) likes.push_back(Like(FullKey(i * 2654435761u, false).c_str(), i + 1));
    KeyHints hints = HintsFor(likes);
    for (const KeyLike &like : likes) {
        std::string key = like.value, lower = key;
        for (char &c : lower) c = (char)tolower(c);
        ASSERT_EQ(Hinted(hints, ShortKey(key)), ShortKey(key) == key ? "" : key + "@" + std::to_string(like.line) + "#0");
        if (lower != key) ASSERT_EQ(Hinted(hints, lower), key + "@" + std::to_string(like.line) + "#0");
    }
}

static Row Found(const std::string &key, const std::string &title) {
    Row row;
    row.key = key;
    row.found = true;
    row.title = title;
    row.maker = "Nimbus Works";
    row.genre = "シューティング";
    row.year = 1991;
    return row;
}

static std::string Printed(Format format, const TableLayout &layout, const Row &row) {
    std::string out;
    PrintRow(format, layout, row, 0, &out);
    return out;
}

TEST(Table, CellsArePaddedToTheirColumnsAndShownSafely) {
    TableLayout layout = StartLayout(LANGUAGE_EN);
    FitCell(&layout, COLUMN_TITLE, "Coral Moth and more");
    EXPECT_EQ(layout.widths[COLUMN_TITLE], 19u);
    EXPECT_EQ(FirstRowHead(FORMAT_TABLE, layout, false), "KEY  TITLE                MAKER  GENRE  YEAR  MEMO\n");
    EXPECT_EQ(Printed(FORMAT_TABLE, layout, Found("0058DE32", "Coral Moth")),
              "0058DE32  Coral Moth           Nimbus Works  シューティング  1991\n")
        << "wide cells push the rest right; an empty last cell leaves no spaces";
    EXPECT_EQ(Printed(FORMAT_TABLE, layout, Found("1", "Red\x1b[31m\rX\tY\x07\xE2\x80\xAE")),
              "1    Red\\x1b[31m\\rX\\tY\\x07\\u202e  Nimbus Works  シューティング  1991\n");
    Row missing;
    missing.key = "58de32";
    missing.hint = "0058DE32";
    EXPECT_EQ(Printed(FORMAT_TABLE, layout, missing), "58de32  (not in the catalogue; it has 0058DE32)\n");
    Row failed;
    failed.askedBy = ASKED_BY_FILE;
    failed.file = "roms/a.rom";
    failed.state = ROW_FAILED;
    failed.note = "changed while being read";
    layout.withFiles = true;
    EXPECT_EQ(Printed(FORMAT_TABLE, layout, failed), "roms/a.rom  -    (cannot read: changed while being read)\n");
    Row wordy = Found("1", std::string(300, 't'));
    wordy.memo = std::string(700, 'm') + "   ";
    layout.withFiles = false;
    std::string line = Printed(FORMAT_TABLE, layout, wordy);
    EXPECT_EQ(line, "1    " + wordy.title + "  Nimbus Works  シューティング  1991  " + std::string(700, 'm') + "\n")
        << "cells longer than a line's buffer, and spaces at the end dropped";
}

TEST(Table, ColumnsStopGrowingAtTheirLimits) {
    TableLayout layout = StartLayout(LANGUAGE_EN);
    FitCell(&layout, COLUMN_TITLE, std::string(100, 'x'));
    FitCell(&layout, COLUMN_KEY, std::string(30, 'x'));
    FitCell(&layout, COLUMN_GENRE, "ロールプレイング");
    EXPECT_EQ(layout.widths[COLUMN_TITLE], 40u);
    EXPECT_EQ(layout.widths[COLUMN_KEY], 16u);
    EXPECT_EQ(layout.widths[COLUMN_GENRE], 16u) << "eight wide characters";
    EXPECT_TRUE(ColumnFull(layout, COLUMN_TITLE));
    EXPECT_FALSE(ColumnFull(layout, COLUMN_MAKER));
    FitCell(&layout, COLUMN_MAKER, "A\x1b");
    EXPECT_EQ(layout.widths[COLUMN_MAKER], 5u) << "as wide as its escape";
}

TEST(Json, RowsHoldTheFieldsTheirStateHas) {
    EXPECT_EQ(JsonText(JsonRow(Found("0058DE32", "Coral Moth"))),
              R"({"asked":"key","key":"0058DE32","found":true,"title":"Coral Moth","maker":"Nimbus Works",)"
              R"("genre":"シューティング","memo":"","year":1991})");
    Row member;
    member.askedBy = ASKED_BY_FILE;
    member.file = "roms/\x83\x51.zip";
    member.member = {true, "星.rom", "\x90\xaf.rom", true};
    member.state = ROW_SKIPPED;
    member.note = "AES-encrypted, and the archive records no CRC-32 for it";
    EXPECT_EQ(JsonText(JsonRow(member)),
              "{\"asked\":\"file\",\"file\":\"roms/\xEF\xBF\xBDQ.zip\",\"file_hex\":\"726f6d732f83512e7a6970\","
              "\"member\":\"星.rom\",\"member_hex\":\"90af2e726f6d\",\"encrypted\":true,"
              "\"skipped\":\"AES-encrypted, and the archive records no CRC-32 for it\"}");
    Row missing;
    missing.key = "\xff";
    missing.hint = "0058DE32";
    missing.hintLine = 12;
    missing.hintReason = KEY_LIKE_PAST_TABLE;
    EXPECT_EQ(JsonText(JsonRow(missing)),
              "{\"asked\":\"key\",\"key\":\"\xEF\xBF\xBD\",\"key_hex\":\"ff\",\"found\":false,\"catalogue_has\":\"0058DE32\","
              "\"catalogue_line\":12,\"why_not_found\":\"past-table\"}");
    std::string out;
    PrintRow(FORMAT_JSON, TableLayout(), missing, 0, &out);
    PrintRow(FORMAT_JSON, TableLayout(), missing, 1, &out);
    std::string document = ReportHead(FORMAT_JSON, NULL, true, LANGUAGE_EN) + out + ReportTail(FORMAT_JSON, 2);
    EXPECT_EQ(nlohmann::json::parse(document)["games"].size(), 2u) << document;
    EXPECT_EQ(nlohmann::json::parse(ReportHead(FORMAT_JSON, NULL, true, LANGUAGE_EN) + ReportTail(FORMAT_JSON, 0))["games"].size(), 0u);
}

TEST(Csv, PlainCellsAreUntouchedAndQuotedOnlyWhenTheyMustBe) {
    Row row = Found("0BADF00D", "Say \"Hi\", then bye");
    row.memo = "two\r\nlines";
    EXPECT_EQ(CsvRow(JsonRow(row), false), "key,,,,,,0BADF00D,,true,\"Say \"\"Hi\"\", then bye\",Nimbus Works,シューティング,"
                                           "\"two\r\nlines\",1991,,,,,\r\n");
    row = Found("00000000", "=1+1");
    EXPECT_EQ(CsvRow(JsonRow(row), false), "key,,,,,,00000000,,true,=1+1,Nimbus Works,シューティング,,1991,,,,,\r\n");
    EXPECT_EQ(CsvHeader(), "asked,file,file_hex,member,member_hex,encrypted,key,key_hex,found,title,maker,genre,"
                           "memo,year,catalogue_has,catalogue_line,why_not_found,skipped,error\r\n");
    EXPECT_EQ(ReportHead(FORMAT_CSV_PLAIN, NULL, true, LANGUAGE_EN), CsvHeader()) << "no byte-order mark for programs";
    EXPECT_EQ(ReportHead(FORMAT_CSV, NULL, false, LANGUAGE_EN), "") << "rows to add to a file: no mark amid it";
}

/* What a spreadsheet would run, or read as a number, date or truth value. */
TEST(Csv, SpreadsheetsKeepEveryTextAndRunNoFormula) {
    struct {
        std::string text;
        bool key;
        std::string cell;
    } cases[] = {
        {"0058DE32", true, "=\"0058DE32\""},
        {"04287345", true, "=\"04287345\""},
        {"997048E5", true, "=\"997048E5\""},
        {"3130ff", true, "=\"3130ff\""},
        {"Zelda's key", true, "Zelda's key"},
        {"=1+1", true, "'=1+1"},
        {"=1+1", false, "'=1+1"},
        {"@SUM(1,2)", false, "'@SUM(1,2)"},
        {"-2+3", false, "'-2+3"},
        {"+cmd|' /C calc'!A0", false, "'+cmd|' /C calc'!A0"},
        {"\tx", false, "'\tx"},
        {"\r=1", false, "'\r=1"},
        {"  =1+1", false, "'  =1+1"},
        {"00000000", false, "=\"00000000\""},
        {"1E5", false, "=\"1E5\""},
        {"1942", false, "=\"1942\""},
        {"12:30", false, "=\"12:30\""},
        {"(5)", false, "=\"(5)\""},
        {"\xEF\xBC\x91\xEF\xBC\x92\xEF\xBC\x93", false, "=\"\xEF\xBC\x91\xEF\xBC\x92\xEF\xBC\x93\""}, /* １２３ */
        {"\xC2\xA5" "500", false, "=\"\xC2\xA5" "500\""}, /* ¥500 */
        {"True", false, "=\"True\""},
        {"0BADF00D", false, "0BADF00D"},
        {"3D Tennis", false, "3D Tennis"},
        {"Coral Moth", false, "Coral Moth"},
        {"e", false, "e"},
        {"\xEF\xBC\x91\xEF\xBC", false, "\xEF\xBC\x91\xEF\xBC"}, /* １ and a cut character */
        {"", false, ""},
        {std::string(255, '7'), false, "=\"" + std::string(255, '7') + "\""},
        {std::string(256, '7'), false, "'" + std::string(256, '7')}, /* longer than a formula may hold */
        {std::string(256, 'a'), true, "'" + std::string(256, 'a')},
    };
    for (const auto &c : cases) EXPECT_EQ(SpreadsheetText(c.text, c.key), c.cell) << c.text;

    Row row = Found("00000000", "Say \"Hi\", then bye");
    EXPECT_EQ(CsvRow(JsonRow(row), true), "\"key\",,,,,,\"=\"\"00000000\"\"\",,true,\"Say \"\"Hi\"\", then bye\","
                                          "\"Nimbus Works\",\"シューティング\",\"\",1991,,,,,\r\n")
        << "every text quoted, numbers and truth values bare";
    row = Row();
    row.key = "\xff";
    row.hint = "0058DE32";
    row.hintLine = 7;
    EXPECT_EQ(CsvRow(JsonRow(row), true), "\"key\",,,,,,\"\xEF\xBF\xBD\",\"=\"\"ff\"\"\",false,,,,,,\"=\"\"0058DE32\"\"\",7,"
                                          "\"case-or-padding\",,\r\n");
    EXPECT_EQ(ReportHead(FORMAT_CSV, NULL, true, LANGUAGE_EN), "\xEF\xBB\xBF" + CsvHeader()) << "spreadsheets then read UTF-8";
}

static CommandLine Parse(std::vector<std::string> args) {
    args.insert(args.begin(), "plinorhost");
    return ParseCommandLine(args, LANGUAGE_EN);
}

TEST(CommandLine, UsageMistakesAreNamedFromTheArgumentsAlone) {
    struct {
        std::vector<std::string> args;
        std::string message;
    } cases[] = {
        {{}, "nothing to ask"},
        {{"--colour", "-c", "data.dat", "1"}, "--colour"},
        {{"-c"}, "--catalogue"},
        {{"-c", "data.dat", ""}, "an empty key"},
        {{"-c", "data.dat", "-c", "faulty.dat", "AD26400A"}, "-c is given 2 times"},
        {{"-c", "data.dat", "0058DE32", "check", "faulty.dat"}, "the key 0058DE32 and -c would be ignored"},
        {{"-f", "games", "check", "faulty.dat"}, "-f would be ignored"},
        {{"--json", "--csv", "-c", "data.dat", "1"}, "--json and --csv"},
        {{"--csv=xls", "-c", "data.dat", "1"}, "give --csv alone or as --csv=plain, not with 'xls'"},
        {{"--found", "--missing", "-c", "data.dat", "1"}, "--found and --missing"},
        {{"-c", "-", "-k", "-"}, "standard input (-) can be read only once"},
        {{"check", "--colour", "data.dat"}, "(plinorhost check --help tells more)"},
    };
    for (const auto &c : cases) {
        CommandLine line = Parse(c.args);
        ASSERT_TRUE(line.stop.has_value()) << c.message;
        EXPECT_EQ(*line.stop, 1) << c.message;
        EXPECT_NE(line.error.find(c.message), std::string::npos) << line.error;
    }
}

TEST(CommandLine, RequestsKeepTheOrderGiven) {
    CommandLine line = Parse({"--catalogue=data.dat", "AD26400A", "-f", "a.rom", "roms", "--keys", "keys.txt",
                              "--lower", "-r", "--no-archives", "--json", "--missing", "--", "12345678"});
    ASSERT_FALSE(line.stop.has_value()) << line.error;
    const Settings &s = line.settings;
    EXPECT_EQ(s.catalogue, "data.dat");
    std::vector<std::string> asked;
    for (const Request &r : s.requests) asked.push_back(std::to_string(r.kind) + ":" + r.value);
    EXPECT_EQ(asked, (std::vector<std::string>{"3:AD26400A", "1:a.rom", "1:roms", "2:keys.txt", "3:12345678"}))
        << "bare arguments wait for the file system to tell keys from paths";
    EXPECT_TRUE(s.lower && s.recursive && !s.archives);
    EXPECT_EQ(s.format, FORMAT_JSON);
    EXPECT_EQ(s.shown, SHOW_MISSING);
    EXPECT_FALSE(s.check);
    EXPECT_TRUE(Parse({"check", "--json", "data.dat"}).settings.check);
}

TEST(CommandLine, HelpNamesEveryOptionAndExitStatus) {
    CommandLine line = Parse({"--help"});
    EXPECT_EQ(line.stop, 0);
    for (const char *said : {"--catalogue", "--file", "--keys", "--plugin", "--recursive", "--lower", "--json",
                             "--about", "check", "Exit status", "and ask the plug-in with those"})
        EXPECT_NE(line.help.find(said), std::string::npos) << said;
    line = Parse({"check", "--help"});
    EXPECT_EQ(line.stop, 0);
    for (const char *status : {"0 nothing to report", "1 usage", "2 unreadable", "5 output not written", "6 findings"})
        EXPECT_NE(line.help.find(status), std::string::npos) << status;
}

/* A bare --csv never takes the next argument: a key after it stays a key. */
TEST(CommandLine, CsvTakesItsFormOnlyAfterAnEqualsSign) {
    CommandLine line = Parse({"-c", "data.dat", "--csv", "0058DE32"});
    EXPECT_EQ(line.settings.format, FORMAT_CSV);
    ASSERT_EQ(line.settings.requests.size(), 1u);
    EXPECT_EQ(line.settings.requests[0].value, "0058DE32");
    EXPECT_EQ(Parse({"-c", "data.dat", "--csv=plain", "0058DE32"}).settings.format, FORMAT_CSV_PLAIN);
    EXPECT_EQ(Parse({"-c", "data.dat", "--csv=plain", "--csv", "1"}).settings.format, FORMAT_CSV) << "the last one given";
    EXPECT_NE(Parse({"--help"}).help.find("  --csv[=plain] "), std::string::npos);
}

/* CLI11's own words too: the help's labels and the usage errors it finds. */
TEST(CommandLine, SpeaksJapaneseWhenAsked) {
    CommandLine line = ParseCommandLine({"plinorhost", "--lang", "ja", "--help"}, LANGUAGE_EN);
    for (const char *english : {"Usage", "Options", "Positionals", "Subcommands", "REQUIRED", "Print this help", "TEXT"})
        EXPECT_EQ(line.help.find(english), std::string::npos) << english;
    EXPECT_NE(line.help.find("使い方: plinorhost"), std::string::npos) << line.help;
    for (std::vector<std::string> args : {std::vector<std::string>{"plinorhost", "--colour"},
                                          std::vector<std::string>{"plinorhost", "-c"}}) {
        line = ParseCommandLine(args, LANGUAGE_JA);
        EXPECT_EQ(line.stop, 1);
        EXPECT_EQ(line.error.find("The following"), std::string::npos) << line.error;
        EXPECT_NE(line.error.find("（詳しくは plinorhost --help）"), std::string::npos) << line.error;
    }
    EXPECT_EQ(ParseCommandLine({"plinorhost", "--lang=xx", "1"}, LANGUAGE_EN).stop, 1);
    EXPECT_EQ(ParseCommandLine({"plinorhost", "--lang", "en", "--help"}, LANGUAGE_JA).settings.language, LANGUAGE_EN);
}

TEST(Progress, CountsRowsAndBytes) {
    Progress p;
    p.answered = 3;
    EXPECT_EQ(ProgressText(p), "3 answered");
    p.total = 10;
    p.hashed = 1200000;
    p.current = 34000;
    EXPECT_EQ(ProgressText(p), "3 of 10 answered, 1.2 MB read");
}
