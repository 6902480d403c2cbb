/* The host tool's sources, as a user meets them: game files, folders and
   links, files that change or cannot be read, keys files and pipes */
#include "host_tool_test.h"

#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <fstream>
#include <thread>

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

TEST_F(HostTool, FileTakesSeveralPaths) {
    Write("a.rom", Slurp(Sample("games/coral-moth.rom")));
    Write("b.rom", Slurp(Sample("games/tidewatch.rom")));
    ASSERT_EQ(mkdir((dir_ + "/roms").c_str(), 0755), 0);
    Write("roms/c.rom", Slurp(Sample("games/lantern-keep.rom")));
    nlohmann::json doc = Json({"--json", "-c", Sample("data.dat"), "-f", dir_ + "/a.rom", dir_ + "/b.rom",
                               dir_ + "/roms", "--", "EED33450"});
    EXPECT_EQ(Titles(doc), (std::vector<std::string>{"Coral Moth", "Tidewatch", "Lantern Keep", "Rally of Owls"}));

    ToolRun run;

    /* Windows leaves patterns to the program; a Linux shell has expanded them already. */
    run = Tool({"--json", "-c", Sample("data.dat"), "-f", dir_ + "/*.ROM", dir_ + "/?.rom", dir_ + "/z*.rom",
                dir_ + "/r*/?.rom"});
    EXPECT_EQ(run.status, 3) << run.err;
    std::vector<std::string> expected(4, "error: no such file or directory");
    if (UnderWine())
        expected = {"Coral Moth", "Tidewatch", "Coral Moth", "Tidewatch", "error: nothing matches the pattern",
                    "error: nothing matches the pattern: only its last part may hold * or ?"};
    EXPECT_EQ(Titles(nlohmann::json::parse(run.out)), expected) << run.out;
}

TEST_F(HostTool, NamesRowsBelowThePathAsTyped) {
    ASSERT_EQ(mkdir((dir_ + "/roms").c_str(), 0755), 0);
    ASSERT_EQ(mkdir((dir_ + "/roms/sub").c_str(), 0755), 0);
    Write("roms/a.rom", "a");
    Write("roms/sub/b.rom", "b");
    std::string s = UnderWine() ? "\\" : "/";
    struct {
        std::string typed, first, second;
    } cases[] = {{dir_ + "/roms", dir_ + "/roms" + s + "a.rom", dir_ + "/roms" + s + "sub" + s + "b.rom"},
                 {dir_ + "/roms/", dir_ + "/roms/a.rom", dir_ + "/roms/sub" + s + "b.rom"},
                 {dir_ + s + "roms" + s, dir_ + s + "roms" + s + "a.rom", dir_ + s + "roms" + s + "sub" + s + "b.rom"}};
    for (const auto &c : cases) {
        nlohmann::json doc = Json({"--json", "-r", "-c", Sample("data.dat"), "-f", c.typed});
        ASSERT_EQ(doc["games"].size(), 2u) << c.typed;
        EXPECT_EQ(doc["games"][0]["file"], c.first);
        EXPECT_EQ(doc["games"][1]["file"], c.second);
    }
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

TEST_F(HostTool, AFileChangedWhileReadFailsItsRow) {
    std::string huge = Huge(dir_ + "/a-huge.rom"), rows = dir_ + "/rows.json";
    LiveTool tool(ToolCommand({"--json", "-c", Sample("data.dat"), "-o", rows, "-f", huge,
                               Write("b.rom", Slurp(Sample("games/tidewatch.rom")))}),
                  false);
    ASSERT_TRUE(tool.WaitFor("MB read", true)) << tool.terminal; /* its size is taken before it is read */
    ASSERT_EQ(truncate(huge.c_str(), 0), 0);
    EXPECT_EQ(tool.Finish(), 3);
    EXPECT_EQ(Titles(nlohmann::json::parse(Slurp(rows))),
              (std::vector<std::string>{"error: changed while being read", "Tidewatch"}));
}

/* The reading of keys files is the keys reader's unit test's; here, what a
   process shows of lines that are no keys, and of files without any. */
TEST_F(HostTool, KeysFilesLinesThatAreNoKeysFailTheirRows) {
    std::string nul = Write("with-nul.txt", /* "nul.txt" is Windows' NUL device */ std::string("AD26400A\n1A2B3C4D\0zz\n", 21));
    std::string bad = Write("bad.txt", Utf16("AD26400A\nxyz\n", false) + std::string("\x00\xD8", 2));
    ToolRun run = Tool({"--json", "-c", Sample("data.dat"), "-k", nul, "-k", bad});
    EXPECT_EQ(run.status, 3) << run.err;
    EXPECT_EQ(Titles(nlohmann::json::parse(run.out)),
              (std::vector<std::string>{"Lantern Keep", "error: '" + nul + "' line 2 holds a NUL byte", "Lantern Keep", "-",
                                        "error: '" + bad + "' line 3 holds bytes that do not decode"}));
    EXPECT_NE(run.err.find("'" + bad + "' line 2: key 'xyz' is not hexadecimal"), std::string::npos) << run.err;

    run = Tool({"-c", Sample("data.dat"), "AD26400A", "-k", Write("none.txt", "# none yet\n\n")});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("Lantern Keep"), std::string::npos);
    EXPECT_NE(run.err.find("none.txt' holds no keys"), std::string::npos) << run.err;
}

/* Keys lists that spreadsheets and other programs save ask what a plain one
   asks; a header is said once, by its line. */
TEST_F(HostTool, KeysFilesSavedAsTablesAskTheirKeys) {
    std::string comma =
        Write("comma.csv", "CRC32,Title\r\nAD26400A,Lantern Keep\r\n\"0058DE32\",\"Moth, Coral\"\r\n");
    std::string tables[] = {
        comma,
        Write("semicolon.csv", "AD26400A;Lantern Keep\r\n\"0058DE32\";\"Moth; Coral\"\r\n"),
        Write("unicode.txt", Utf16("Title\tKey\r\nLantern Keep\tAD26400A\r\nCoral Moth\t0058DE32\r\n", false)),
        Write("unmarked.txt", Utf16("AD26400A\tLantern Keep\r\n0058DE32\tCoral Moth\r\n", false).substr(2)),
    };
    nlohmann::json plain = Json({"--json", "-c", Sample("data.dat"), "-k", Write("keys.txt", "AD26400A\n0058DE32\n")});
    ASSERT_EQ(Titles(plain), (std::vector<std::string>{"Lantern Keep", "Coral Moth"}));
    for (const std::string &table : tables) {
        ToolRun run = Tool({"--json", "-c", Sample("data.dat"), "-k", table});
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(nlohmann::json::parse(run.out), plain) << table;
    }
    ToolRun run = Tool({"-c", Sample("data.dat"), "-k", comma});
    EXPECT_EQ(Lines(run.err).size(), 1u) << run.err;
    EXPECT_NE(run.err.find("'" + comma + "' line 1 is a header, skipped; keys are read from column 1"),
              std::string::npos);
}

TEST_F(HostTool, StandardInputAndPipesFeedTheCatalogueAndKeys) {
    std::string catalogue = Slurp(Sample("data.dat"));
    ToolRun run = Tool({"--json", "-c", "-", "AD26400A"}, catalogue);
    EXPECT_EQ(Titles(nlohmann::json::parse(run.out)), std::vector<std::string>{"Lantern Keep"}) << run.err;
    run = Tool({"-c", "-", "-k", "-"}, catalogue);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("standard input (-) can be read only once"), std::string::npos) << run.err;
    if (UnderWine()) return; /* Windows has no FIFOs or /dev/stdin */

    run = Tool({"-c", "-", "-k", "/dev/stdin"}, catalogue);
    EXPECT_EQ(run.status, 1) << "standard input under two names";
    EXPECT_NE(run.err.find("is read twice"), std::string::npos) << run.err;
    run = Tool({"--json", "-c", "/dev/stdin", "AD26400A"}, catalogue);
    EXPECT_EQ(Titles(nlohmann::json::parse(run.out)), std::vector<std::string>{"Lantern Keep"}) << run.err;
    ASSERT_EQ(mkfifo((dir_ + "/keys").c_str(), 0644), 0);
    std::thread writer([&] { std::ofstream(dir_ + "/keys") << "EED33450\n"; });
    EXPECT_EQ(Titles(Json({"--json", "-c", Sample("data.dat"), "-k", dir_ + "/keys"})),
              std::vector<std::string>{"Rally of Owls"});
    writer.join();
}

/* What Explorer passes when files are dropped on the program: bare paths,
   a folder searched with its subfolders, a .dat the catalogue; keys that
   name nothing stay keys. Without a catalogue, data.dat is looked for
   in the current folder, then beside the program, then in the folder. */
TEST_F(HostTool, DroppedPathsAreGamesAndADroppedDatIsTheCatalogue) {
    ASSERT_EQ(mkdir((dir_ + "/roms").c_str(), 0755), 0);
    ASSERT_EQ(mkdir((dir_ + "/roms/sub").c_str(), 0755), 0);
    Write("roms/a.rom", Slurp(Sample("games/coral-moth.rom")));
    Write("roms/sub/b.rom", Slurp(Sample("games/tidewatch.rom")));
    nlohmann::json typed = Json({"--json", "-c", Sample("data.dat"), "-r", "-f", dir_ + "/roms"});
    nlohmann::json dropped = Json({"--json", Sample("data.dat"), dir_ + "/roms", "EED33450"});
    ASSERT_EQ(dropped["games"].size(), 3u) << dropped;
    EXPECT_EQ(dropped["games"][0], typed["games"][0]);
    EXPECT_EQ(dropped["games"][1], typed["games"][1]);
    EXPECT_EQ(dropped["games"][2]["title"], "Rally of Owls");

    Write("roms/data.dat", Slurp(Sample("data.dat")));
    ToolRun run = Tool({"--json", dir_ + "/roms"});
    EXPECT_EQ(run.status, 0) << run.err;
    std::string s = UnderWine() ? "\\" : "/";
    EXPECT_NE(run.err.find("the catalogue is '" + dir_ + "/roms" + s + "data.dat'"), std::string::npos) << run.err;
    EXPECT_EQ(Titles(nlohmann::json::parse(run.out)), (std::vector<std::string>{"Coral Moth", "Tidewatch"}))
        << "the catalogue is no game, though it lies among them";
    cwd_ = dir_ + "/roms";
    run = Tool({"EED33450"});
    EXPECT_NE(run.err.find("the catalogue is 'data.dat'"), std::string::npos) << run.err;
    EXPECT_NE(run.out.find("Rally of Owls"), std::string::npos) << run.out;
}

/* Started from Explorer, the window waits for a key before it closes; from
   a console, a script or with its output redirected, it never waits. */
TEST_F(HostTool, AWindowOfItsOwnWaitsForAKey) {
    ToolRun run = Tool({"-c", Sample("data.dat"), "AD26400A"}, "\n");
    EXPECT_EQ(run.err.find("Press any key"), std::string::npos) << run.err;
    setenv("PLINORHOST_CONSOLE_ALONE", "1", 1);
    run = Tool({"-c", Sample("data.dat"), "AD26400A"}, "\n");
    ToolRun nothing = Tool({}, "\n");
    unsetenv("PLINORHOST_CONSOLE_ALONE");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("Lantern Keep"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Press any key to close this window."), std::string::npos) << run.out;
    EXPECT_NE(nothing.out.find("drop a folder of games"), std::string::npos) << nothing.out;
    EXPECT_NE(nothing.out.find("Press any key"), std::string::npos) << nothing.out;
}

/* A walk says what it left out: subfolders without -r, files systems leave
   in folders, extensions --ext does not keep, archives not opened. */
TEST_F(HostTool, TheWalkSaysWhatItLeftOut) {
    ASSERT_EQ(mkdir((dir_ + "/coll").c_str(), 0755), 0);
    ASSERT_EQ(mkdir((dir_ + "/coll/sub").c_str(), 0755), 0);
    Write("coll/a.rom", Slurp(Sample("games/coral-moth.rom")));
    Write("coll/b.bin", Slurp(Sample("games/tidewatch.rom")));
    Write("coll/readme.txt", "not a game\n");
    Write("coll/Thumbs.db", "thumbnails");
    Write("coll/desktop.ini", "[.ShellClassInfo]\n");
    Write("coll/pack.7z", "7z\xBC\xAF\x27\x1C");
    Write("coll/sub/c.rom", Slurp(Sample("games/lantern-keep.rom")));
    ToolRun run = Tool({"--json", "--summary", "-c", Sample("data.dat"), "-f", dir_ + "/coll"});
    EXPECT_EQ(run.status, 0) << run.err;
    std::vector<std::string> titles = Titles(nlohmann::json::parse(run.out));
    EXPECT_EQ(titles, (std::vector<std::string>{"Coral Moth", "Tidewatch", "-", "-"})) << "Thumbs.db and desktop.ini are no rows";
    EXPECT_NE(run.err.find("1 subfolder not searched (add -r)"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("2 files that are no games were not asked (Thumbs.db, desktop.ini)"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("1 archives this tool does not open were keyed by their own CRC-32"), std::string::npos) << run.err;

    run = Tool({"--json", "--summary", "-r", "--ext", "ROM", "-c", Sample("data.dat"), "-f", dir_ + "/coll"});
    EXPECT_EQ(Titles(nlohmann::json::parse(run.out)), (std::vector<std::string>{"Coral Moth", "Lantern Keep"}));
    EXPECT_NE(run.err.find("3 files left out by --ext"), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("subfolder"), std::string::npos) << run.err;
}

/* -o writes the rows to a file, never over one the run reads. */
TEST_F(HostTool, OutputGoesToAFileNeverOverAnInput) {
    std::string keys = Write("keys.txt", "AD26400A\n"), game = Write("game.rom", Slurp(Sample("games/tidewatch.rom")));
    for (const std::string &input : {Sample("data.dat"), keys, game}) {
        std::string before = Slurp(input);
        ToolRun run = Tool({"-c", Sample("data.dat"), "-k", keys, "-f", game, "-o", input});
        EXPECT_EQ(run.status, 1) << input;
        EXPECT_NE(run.err.find("the output never goes over"), std::string::npos) << run.err;
        EXPECT_EQ(Slurp(input), before);
    }
    std::string rows = dir_ + "/rows.csv";
    ToolRun run = Tool({"--csv", "--no-header", "-c", Sample("data.dat"), "-k", keys, "-o", rows});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(Slurp(rows).rfind("\"key\",,,", 0), 0u) << "rows to add to a file: no header, no mark";
    run = Tool({"-c", keys, "-k", keys});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("is read twice, as the catalogue and as a keys file"), std::string::npos) << run.err;
}
