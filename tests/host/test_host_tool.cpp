/* The host tool run as a user runs it: through the plug-in, natively or
   under Wine. The build names the native tool, a partial plug-in and the
   samples; HOST_TOOL, HOST_RUNNER and PARTIAL_PLUGIN in the environment
   point the same tests at the Windows build. */
#include "host_tool_test.h"

#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

TEST_F(HostTool, ShowsTheSampleGamesThroughThePlugin) {
    ToolRun run = Tool({"-c", Sample("data.dat"), "-f", Sample("games")});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    struct {
        const char *file, *key;
        std::vector<std::string> facts;
    } rows[] = {
        {"lantern-keep.rom", "AD26400A", {"Lantern Keep", "Quill Hollow", "ロールプレイング", "1994"}},
        {"paper-derby.rom", "0EAF9B82", {"Paper Derby", "Tin Lantern", "レース", "1999"}},
        {"coral-moth.rom", "0058DE32", {"Coral Moth", "Nimbus Works", "シューティング", "1991"}},
        {"hoshi-no-niwa.rom", "BA2EB7DC", {"星の庭", "ほたる工房", "アドベンチャー", "A garden of stars"}},
        {"brass-cricket.rom", "12DF08F4", {"Brass Cricket", "アクション", "1989"}},
        {"tidewatch.rom", "729F1532", {"Tidewatch", "シミュレーション", "  -  ", "Keep the lighthouse lit"}},
        {"rally-of-owls.rom", "EED33450", {"スポーツ"}},
        {"iron-lotus.rom", "B34F9501", {"対戦格闘"}},
        {"velvet-table.rom", "F3B3667E", {"テーブル"}},
        {"odd-socks.rom", "E52B54F6", {"その他"}},
        {"glass-orchard.rom", "F8287159", {"パズル", "&amp;"}},
        {"unlisted.rom", "4CE1A638", {"(not in the catalogue)"}},
    };
    for (const auto &row : rows) {
        std::string line = LineWith(run.out, row.file);
        EXPECT_NE(line.find(std::string("  ") + row.key + "  "), std::string::npos) << line;
        for (const std::string &fact : row.facts)
            EXPECT_NE(line.find(fact), std::string::npos) << fact << " in " << line;
    }
}

TEST_F(HostTool, KeysAreTheFilesCrc32InHexadecimal) {
    std::string bytes = "a made-up game image\n";
    uint32_t crc = (uint32_t)crc32(0, (const Bytef *)bytes.data(), (uInt)bytes.size());
    char upper[9], lower[9];
    snprintf(upper, sizeof upper, "%08X", crc);
    snprintf(lower, sizeof lower, "%08x", crc);
    std::string game = Write("game.bin", bytes);
    std::string catalogue = Write("data.dat", std::string("<games>\n<game>\n<title>Lower</title>\n<crc32>") +
                                                  lower + "</crc32>\n</game>\n</games>\n");
    nlohmann::json doc = Json({"--json", "-c", catalogue, "-f", game});
    EXPECT_EQ(doc["games"][0]["key"], upper);
    EXPECT_EQ(doc["games"][0]["found"], std::string(upper) == lower);
    doc = Json({"--json", "--lower", "-c", catalogue, "-f", game});
    EXPECT_EQ(doc["games"][0]["key"], lower);
    EXPECT_EQ(doc["games"][0]["title"], "Lower");
}

TEST_F(HostTool, PrintsJsonForScripts) {
    nlohmann::json doc = Json({"--json", "--about", "-c", Sample("data.dat"), "AD26400A", "c0ffee42",
                               "12345678", "0BADF00D", "-f", Sample("games/coral-moth.rom")});
    EXPECT_EQ(doc["plugin"]["version"], 100);
    EXPECT_EQ(doc["plugin"]["author"], "Yrn");
    EXPECT_EQ(doc["plugin"]["description"], "Plinorのdata.datから情報を取得するプラグインです");
    const nlohmann::json &games = doc["games"];
    ASSERT_EQ(games.size(), 5u);
    EXPECT_EQ(games[0], nlohmann::json::parse(R"({"asked": "key", "key": "AD26400A", "found": true,
        "title": "Lantern Keep", "maker": "Quill Hollow", "genre": "ロールプレイング",
        "memo": "Save at any well", "year": 1994})"));
    EXPECT_EQ(games[1]["title"], "Lowercase Lagoon");
    EXPECT_EQ(games[2]["genre"], ""); /* an unlisted genre code */
    EXPECT_EQ(games[2]["year"], 0);
    EXPECT_EQ(games[3], nlohmann::json::parse(R"({"asked": "key", "key": "0BADF00D", "found": false})"));
    EXPECT_EQ(games[4]["file"], Sample("games/coral-moth.rom"));
    EXPECT_EQ(games[4]["key"], "0058DE32");
    EXPECT_EQ(games[4]["genre"], "シューティング");
}

TEST_F(HostTool, TellsWhoThePluginIs) {
    ToolRun run = Tool({"--about"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("version 100 by Yrn"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Plinorのdata.datから情報を取得するプラグインです"), std::string::npos);
}

TEST_F(HostTool, ExplainsEachFailureWithItsOwnExitCode) {
    std::string catalogue = Sample("data.dat");
    struct {
        std::vector<std::string> args;
        int status;
        std::string message;
    } cases[] = {
        {{}, 1, "nothing to ask"},
        {{"--colour", "-c", catalogue, "1"}, 1, "--colour"},
        {{"1A2B"}, 1, "no catalogue given"},
        {{"-c"}, 1, "--catalogue"},
        {{"-c", catalogue, ""}, 1, "an empty key"},
        {{"-c", dir_ + "/missing.dat", "1"}, 2, "cannot read catalogue '" + dir_ + "/missing.dat'"},
        {{"-c", dir_, "1"}, 2, "it is a directory"},
        {{"-c", catalogue, "-p", dir_ + "/missing-plugin", "1"}, 4, "cannot use plug-in '" + dir_ + "/missing-plugin'"},
        {{"-c", catalogue, "-p", Env("PARTIAL_PLUGIN"), "1"}, 4, "has no export named GetMaker"},
        {{"-p", catalogue, "--about"}, 4, "cannot use plug-in"},
        {{"check", dir_ + "/missing.dat"}, 2, "cannot read catalogue"},
        {{"check", "--colour", catalogue}, 1, "(plinorhost check --help tells more)"},
    };
    for (const auto &c : cases) {
        ToolRun run = Tool(c.args);
        EXPECT_EQ(run.status, c.status) << c.message;
        EXPECT_EQ(run.err.rfind("plinorhost: ", 0), 0u) << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_EQ(run.out.find("TITLE"), std::string::npos) << "no table after an error";
    }
}

TEST_F(HostTool, OptionsParseAsUsersExpect) {
    std::string keys = Write("keys.txt", "AD26400A\r\n\n0BADF00D\n");
    ToolRun run = Tool({"--catalogue=" + Sample("data.dat"), "--keys", keys, "--", "12345678"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_LT(run.out.find("Lantern Keep"), run.out.find("0BADF00D"));
    EXPECT_LT(run.out.find("0BADF00D"), run.out.find("Mystery Crate"));
    run = Tool({"-c", Sample("data.dat"), "--keys", "-"}, "EED33450\n");
    EXPECT_NE(run.out.find("Rally of Owls"), std::string::npos) << run.out << run.err;
    run = Tool({"--help"});
    EXPECT_EQ(run.status, 0);
    for (const char *option : {"--catalogue", "--file", "--keys", "--plugin", "--recursive", "--lower",
                               "--json", "--about", "check", "Exit status"})
        EXPECT_NE(run.out.find(option), std::string::npos) << option;
}

/* Names and keys that are not UTF-8 reach JSON intact, as hexadecimal.
   Windows hands the tool UTF-16, so under Wine they arrive already as U+FFFD. */
TEST_F(HostTool, JsonKeepsNamesThatAreNotUtf8) {
    std::string sjisName = "\x83\x51\x81\x5b\x83\x80.rom"; /* ゲーム.rom in Shift_JIS */
    Write(sjisName, Slurp(Sample("games/coral-moth.rom")));
    ToolRun run = Tool({"--json", "-c", Sample("data.dat"), "-f", dir_ + "/" + sjisName, "--", "\xff"});
    ASSERT_EQ(run.status, 0) << run.err;
    nlohmann::json doc = nlohmann::json::parse(run.out);
    EXPECT_EQ(doc["games"][0]["title"], "Coral Moth");
    EXPECT_NE(doc["games"][0]["file"].get<std::string>().find("\xEF\xBF\xBD"), std::string::npos);
    EXPECT_EQ(doc["games"][1]["key"], "\xEF\xBF\xBD");
    EXPECT_NE(run.err.find("not hexadecimal"), std::string::npos) << run.err;
    if (UnderWine()) return;
    EXPECT_EQ(doc["games"][0]["file_hex"], HexOf(dir_ + "/" + sjisName));
    EXPECT_EQ(doc["games"][1]["key_hex"], "ff");
}

/* FIFOs and devices are skipped, never read. */
TEST_F(HostTool, OnlyRegularFilesAreHashed) {
    if (UnderWine()) GTEST_SKIP() << "Windows has no FIFOs or /dev/zero: Wine lists a FIFO as a file it cannot open";
    ASSERT_EQ(mkdir((dir_ + "/roms").c_str(), 0755), 0);
    ASSERT_EQ(mkfifo((dir_ + "/roms/a-fifo.rom").c_str(), 0644), 0);
    Write("roms/coral-moth.rom", Slurp(Sample("games/coral-moth.rom")));
    nlohmann::json doc = Json({"--json", "-c", Sample("data.dat"), "-f", dir_ + "/roms", "-f", "/dev/zero"});
    const nlohmann::json &games = doc["games"];
    ASSERT_EQ(games.size(), 3u);
    EXPECT_EQ(games[0]["skipped"], "not a regular file: a FIFO");
    EXPECT_EQ(games[1]["title"], "Coral Moth");
    EXPECT_EQ(games[2]["skipped"], "not a regular file: a device");
}

/* Output that cannot be written fails the run. */
TEST_F(HostTool, AFailedWriteIsAnError) {
    for (std::vector<std::string> args : {std::vector<std::string>{"-c", Sample("data.dat"), "-f", Sample("games")},
                                          std::vector<std::string>{"--help"}}) {
        ToolRun run = Tool(args, "", "/dev/full");
        EXPECT_EQ(run.status, 5) << args[0];
        EXPECT_NE(run.err.find("cannot write the output"), std::string::npos) << run.err;
    }
}

/* Keys and files answered in the order asked, each row saying what was asked. */
TEST_F(HostTool, AnswersInTheOrderAsked) {
    ToolRun run = Tool({"-c", Sample("data.dat"), "AD26400A", "-f", Sample("games/tidewatch.rom"), "--", "EED33450"});
    ASSERT_EQ(run.status, 0) << run.err;
    std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 4u) << run.out;
    EXPECT_EQ(lines[0].rfind("FILE", 0), 0u);
    EXPECT_EQ(lines[1].rfind("-  ", 0), 0u);
    EXPECT_NE(lines[1].find("Lantern Keep"), std::string::npos);
    EXPECT_EQ(lines[2].rfind(Sample("games/tidewatch.rom"), 0), 0u);
    EXPECT_NE(lines[3].find("Rally of Owls"), std::string::npos);
}

/* Names beyond ASCII, on Windows through the wide-character calls. */
TEST_F(HostTool, ReadsFilesWithNamesBeyondAscii) {
    ASSERT_EQ(mkdir((dir_ + "/ゲーム").c_str(), 0755), 0);
    Write("ゲーム/café.rom", Slurp(Sample("games/coral-moth.rom")));
    Write("ゲーム/ゲーム.rom", Slurp(Sample("games/tidewatch.rom")));
    Write("データ.dat", Slurp(Sample("data.dat")));
    ToolRun run = Tool({"-c", dir_ + "/データ.dat", "-f", dir_ + "/ゲーム"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(LineWith(run.out, "café.rom").find("Coral Moth"), std::string::npos) << run.out;
    EXPECT_NE(LineWith(run.out, "ゲーム.rom").find("Tidewatch"), std::string::npos) << run.out;
}

/* A broken link or a link loop is one skipped row, wherever it sorts. */
TEST_F(HostTool, BadLinksSpoilOnlyTheirOwnRow) {
    if (UnderWine()) GTEST_SKIP() << "Wine hides broken links and loops from a folder's listing";
    ASSERT_EQ(mkdir((dir_ + "/roms").c_str(), 0755), 0);
    Write("roms/m-game.rom", Slurp(Sample("games/coral-moth.rom")));
    ASSERT_EQ(symlink("nowhere", (dir_ + "/roms/a-broken.rom").c_str()), 0);
    ASSERT_EQ(symlink("z-loop.rom", (dir_ + "/roms/z-loop.rom").c_str()), 0);
    nlohmann::json doc = Json({"--json", "-c", Sample("data.dat"), "-f", dir_ + "/roms"});
    ASSERT_EQ(doc["games"].size(), 3u);
    EXPECT_EQ(doc["games"][0]["skipped"], "a broken link");
    EXPECT_EQ(doc["games"][1]["title"], "Coral Moth");
    EXPECT_EQ(doc["games"][2]["skipped"], "a link loop");
}

/* A folder with no game files says so; -r searches subfolders, once each. */
TEST_F(HostTool, FoldersWithoutGameFilesAreReported) {
    ASSERT_EQ(mkdir((dir_ + "/empty").c_str(), 0755), 0);
    ASSERT_EQ(mkdir((dir_ + "/nested").c_str(), 0755), 0);
    ASSERT_EQ(mkdir((dir_ + "/nested/inner").c_str(), 0755), 0);
    Write("nested/inner/coral-moth.rom", Slurp(Sample("games/coral-moth.rom")));
    for (const char *folder : {"/empty", "/nested"}) {
        ToolRun run = Tool({"-c", Sample("data.dat"), "-f", dir_ + folder});
        EXPECT_EQ(run.status, 3) << folder;
        EXPECT_NE(run.err.find("holds no game files"), std::string::npos) << run.err;
    }
    if (!UnderWine()) /* Wine follows links to folders as folders: the loop is its own */
        ASSERT_EQ(symlink("..", (dir_ + "/nested/inner/up").c_str()), 0);
    nlohmann::json doc = Json({"--json", "-r", "-c", Sample("data.dat"), "-f", dir_ + "/nested"});
    ASSERT_GE(doc["games"].size(), 1u);
    EXPECT_EQ(doc["games"][0]["title"], "Coral Moth");
    if (!UnderWine()) EXPECT_EQ(doc["games"][1]["skipped"], "a folder already searched");
}

/* An unreadable file fails its row; the others are answered, and the exit is 3. */
TEST_F(HostTool, AnUnreadableFileFailsOnlyItsRow) {
    Write("a-good.rom", Slurp(Sample("games/coral-moth.rom")));
    /* Reading any process's memory at address 0 fails, even for root. */
    ASSERT_EQ(symlink("/proc/self/mem", (dir_ + "/b-unreadable.rom").c_str()), 0);
    Write("c-good.rom", Slurp(Sample("games/tidewatch.rom")));
    ToolRun run = Tool({"--json", "-c", Sample("data.dat"), "-f", dir_});
    EXPECT_EQ(run.status, 3) << run.err;
    nlohmann::json doc = nlohmann::json::parse(run.out);
    ASSERT_EQ(doc["games"].size(), 3u);
    EXPECT_EQ(doc["games"][0]["title"], "Coral Moth");
    EXPECT_TRUE(doc["games"][1].contains("error")) << doc["games"][1];
    EXPECT_EQ(doc["games"][2]["title"], "Tidewatch");
}

/* A plug-in that cannot be used is reported before any file is read. */
TEST_F(HostTool, ThePluginIsLoadedFirst) {
    ASSERT_EQ(symlink("/proc/self/mem", (dir_ + "/unreadable.rom").c_str()), 0);
    ToolRun run = Tool({"-c", Sample("data.dat"), "-p", dir_ + "/missing", "-f", dir_ + "/unreadable.rom"});
    EXPECT_EQ(run.status, 4) << run.err;
    EXPECT_EQ(run.err.find("unreadable.rom"), std::string::npos) << run.err;
}

/* Control characters from a catalogue or a name cannot reach the terminal. */
TEST_F(HostTool, ControlCharactersAreShownVisibly) {
    std::string catalogue = Write("data.dat", "<games>\n<game>\n<title>Red\x1b[31m\rX\tY\x07</title>\n"
                                              "<crc32>0BADF00D</crc32>\n</game>\n</games>\n");
    ToolRun run = Tool({"-c", catalogue, "0BADF00D"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("Red\\x1b[31m\\rX\\tY\\x07"), std::string::npos) << run.out;
    for (char c : run.out) EXPECT_TRUE(c == '\n' || (unsigned char)c >= 0x20) << (int)c;
    nlohmann::json doc = Json({"--json", "-c", catalogue, "0BADF00D"});
    EXPECT_EQ(doc["games"][0]["title"], "Red\x1b[31m\rX\tY\x07");
}

/* Games below 0x10000 are found by the full key, or by the short one. */
TEST_F(HostTool, SmallChecksumsAreFoundInEitherForm) {
    std::string bytes = SmallCrcBytes();
    uint32_t crc = (uint32_t)crc32(0, (const Bytef *)bytes.data(), (uInt)bytes.size());
    char full[9], brief[9];
    snprintf(full, sizeof full, "%08X", crc);
    snprintf(brief, sizeof brief, "%X", crc);
    std::string game = Write("small.rom", bytes);
    for (const char *key : {full, brief}) {
        std::string catalogue = Write("data.dat", std::string("<games>\n<game>\n<title>Small</title>\n<crc32>") +
                                                      key + "</crc32>\n</game>\n</games>\n");
        nlohmann::json doc = Json({"--json", "-c", catalogue, "-f", game});
        EXPECT_EQ(doc["games"][0]["title"], "Small") << key;
        EXPECT_EQ(doc["games"][0]["key"], key);
    }
}

/* One Shift_JIS decoding on every platform. */
TEST_F(HostTool, BadShiftJisDecodesTheSameEverywhere) {
    std::string title = "A\x80" "B\x83 C\xa0\xfd\xb1\x8a\xbf\x83"; /* the last, a lead without its trail */
    std::string catalogue = Write("data.dat", "<games>\n<game>\n<title>" + title +
                                                  "</title>\n<crc32>0BADF00D</crc32>\n</game>\n</games>\n");
    nlohmann::json doc = Json({"--json", "-c", catalogue, "0BADF00D"});
    EXPECT_EQ(doc["games"][0]["title"], "A\uFFFDB\uFFFD C\uFFFD\uFFFDｱ漢\uFFFD");
}

TEST_F(HostTool, WarnsAboutCataloguesThatHoldLessThanTheyShow) {
    std::string game = "<game>\n<title>T</title>\n<crc32>0BADF00D</crc32>\n</game>\n";
    std::string many;
    for (int i = 0; i <= 20000; i++) many += "<game>\n<crc32>" + std::to_string(i) + "</crc32>\n</game>\n";
    struct {
        std::string text, warning;
    } cases[] = {{"<games>\n" + game + std::string(1, '\0') + game + "</games>\n", "a NUL byte"},
                 {"<games>\n<game>\n<title>T</title>\n</games>\n", "no game is finished"},
                 {"<games>\n" + many + "</games>\n", "20000 games"}};
    for (const auto &c : cases) {
        ToolRun run = Tool({"-c", Write("data.dat", c.text), "0BADF00D"});
        EXPECT_EQ(run.status, 0) << c.warning;
        EXPECT_NE(run.err.find("warning: " + dir_ + "/data.dat: " + c.warning), std::string::npos) << run.err;
    }
}
