/* The host tool on everyday collections: many files at once, keys files as
   editors save them, pipes, Ctrl-C, crashes, and Windows' console, patterns
   and paths (under Wine) */
#include "host_tool_test.h"

#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <thread>

static std::string Utf16(const std::string &ascii, bool bigEndian) {
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char c : ascii) out += bigEndian ? std::string{'\0', c} : std::string{c, '\0'};
    return out;
}

static std::vector<std::string> Titles(const nlohmann::json &doc) {
    std::vector<std::string> titles;
    for (const nlohmann::json &g : doc["games"])
        titles.push_back(g.contains("title") ? g["title"].get<std::string>()
                         : g.contains("error") ? "error: " + g["error"].get<std::string>()
                                               : "-");
    return titles;
}

TEST_F(HostTool, FileTakesSeveralPathsAndFilesAreNoKeys) {
    Write("a.rom", Slurp(Sample("games/coral-moth.rom")));
    Write("b.rom", Slurp(Sample("games/tidewatch.rom")));
    ASSERT_EQ(mkdir((dir_ + "/roms").c_str(), 0755), 0);
    Write("roms/c.rom", Slurp(Sample("games/lantern-keep.rom")));
    nlohmann::json doc = Json({"--json", "-c", Sample("data.dat"), "-f", dir_ + "/a.rom", dir_ + "/b.rom",
                               dir_ + "/roms", "--", "EED33450"});
    EXPECT_EQ(Titles(doc), (std::vector<std::string>{"Coral Moth", "Tidewatch", "Lantern Keep", "Rally of Owls"}));

    ToolRun run = Tool({"-c", Sample("data.dat"), dir_ + "/a.rom"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("give game files with -f"), std::string::npos) << run.err;

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

/* On Linux a terminal takes the bytes; under Wine it is a console, which
   shows UTF-8 bytes written as such in its own code page, garbled. */
TEST_F(HostTool, ConsoleShowsJapaneseText) {
    LiveTool tool(ToolCommand({"-c", Sample("data.dat"), "--about", "ゲーム"}), true);
    EXPECT_EQ(tool.Finish(), 0);
    EXPECT_NE(tool.terminal.find("Plinorのdata.datから情報を取得するプラグインです"), std::string::npos)
        << tool.terminal;
    EXPECT_NE(tool.terminal.find("key 'ゲーム' is not hexadecimal"), std::string::npos) << tool.terminal;
}

/* The process whose command line holds the text, or -1. */
static int ProcessWith(const std::string &text) {
    for (const std::filesystem::directory_entry &entry : std::filesystem::directory_iterator("/proc")) {
        std::string command = Slurp(entry.path().string() + "/cmdline");
        if (command.find(text) != std::string::npos && command.find("cmd.exe") == std::string::npos)
            return atoi(entry.path().filename().c_str());
    }
    return -1;
}

/* The code pages that chcp showed, in order: cmd says "Active code page: N"
   in English and "現在のコード ページ: N" in Japanese. */
static std::vector<std::string> CodePagesShown(const std::string &terminal) {
    std::vector<std::string> shown;
    for (const std::string &line : Lines(terminal))
        for (const char *said : {"Active code page: ", "現在のコード ページ: "}) {
            size_t at = line.find(said);
            if (at == std::string::npos) continue;
            at += strlen(said);
            shown.push_back(line.substr(at, line.find_first_not_of("0123456789", at) - at));
        }
    return shown;
}

/* The tool writes UTF-16 to a console, so it never needs to change the
   console's code page, and no way out, Ctrl-C included, leaves it changed. */
TEST_F(HostTool, TheConsoleCodePageIsLeftAsItWas) {
    if (!UnderWine()) GTEST_SKIP() << "code pages are Windows' own";
    auto windows = [](std::string path) {
        for (char &c : path) c = c == '/' ? '\\' : c;
        return "Z:" + path;
    };
    std::string tool = windows(Env("HOST_TOOL")), huge = windows(Huge(dir_ + "/huge.rom"));
    LiveTool cmd({Env("HOST_RUNNER"), "cmd", "/c", "chcp 932 & " + tool + " -c " + windows(Sample("data.dat")) +
                  " AD26400A -f " + huge + " & " + tool + " -p missing.dll --about & chcp"}, true);
    ASSERT_TRUE(cmd.WaitFor("1 of 2 answered", true)) << cmd.terminal;
    int pid = ProcessWith(huge);
    ASSERT_GT(pid, 0);
    kill(pid, SIGINT);
    EXPECT_EQ(cmd.Finish(), 0);
    EXPECT_NE(cmd.terminal.find("Lantern Keep"), std::string::npos) << cmd.terminal;
    EXPECT_NE(cmd.terminal.find("cannot use plug-in 'missing.dll'"), std::string::npos) << cmd.terminal;
    EXPECT_EQ(CodePagesShown(cmd.terminal), (std::vector<std::string>{"932", "932"})) << cmd.terminal;
}

TEST_F(HostTool, CtrlCKeepsTheRowsSoFarAndClearsTheProgressLine) {
    std::string huge = Huge(dir_ + "/huge.rom");
    for (bool json : {false, true}) {
        std::vector<std::string> args = {"-c", Sample("data.dat"), "AD26400A", "-f", huge};
        if (json) args.push_back("--json");
        LiveTool tool(ToolCommand(args), false);
        ASSERT_TRUE(tool.WaitFor("Lantern Keep", false)) << tool.out;
        ASSERT_TRUE(tool.WaitFor("1 of 2 answered", true)) << tool.terminal;
        tool.Interrupt();
        EXPECT_EQ(tool.Finish(), 130);
        EXPECT_NE(tool.terminal.find("stopped by Ctrl-C: 1 asked: 1 found"), std::string::npos) << tool.terminal;
        if (json) { /* closed, so that a script can still read what was answered */
            nlohmann::json doc = nlohmann::json::parse(tool.out, nullptr, false);
            ASSERT_FALSE(doc.is_discarded()) << tool.out;
            EXPECT_EQ(doc["games"].size(), 1u);
            continue;
        }
        EXPECT_EQ(Lines(tool.out).size(), 2u) << tool.out;
        std::string last = tool.terminal.substr(tool.terminal.rfind("answered"));
        bool cleared = last.find("\r" + std::string(10, ' ')) != std::string::npos ||
                       last.find("\x1b[K") != std::string::npos; /* as Wine's console draws it */
        EXPECT_TRUE(cleared) << last;
    }
}

TEST_F(HostTool, AClosedPipeEndsTheRunQuietly) {
    std::string keys;
    for (int i = 0; i < 40000; i++) keys += "0BADF00D\n";
    std::string command = Env("HOST_RUNNER") + " " + Quote(Env("HOST_TOOL")) + " -c " + Quote(Sample("data.dat")) +
                          " -k " + Quote(Write("keys.txt", keys)) + " 2>" + Quote(io_ + "/err") +
                          " | head -1 >/dev/null; exit ${PIPESTATUS[0]}";
    int status = system(("timeout 120 bash -c " + Quote(command)).c_str());
    EXPECT_EQ(WEXITSTATUS(status), 5);
    EXPECT_EQ(Slurp(io_ + "/err"), "");
}

TEST_F(HostTool, ACrashingPluginLeavesTheRowsAnswered) {
    ToolRun run = Tool({"-c", Sample("data.dat"), "-p", Env("CRASHING_PLUGIN"), "0BADF00D", "1234ABCD", "DEADDEAD",
                        "5EED5EED"});
    EXPECT_NE(run.status, 0);
    std::vector<std::string> lines = Lines(run.out); /* Wine's debugger may add its report */
    ASSERT_GE(lines.size(), 3u) << run.out;
    EXPECT_EQ(lines[1].rfind("0BADF00D  Steady Game", 0), 0u) << lines[1];
    EXPECT_EQ(lines[2].rfind("1234ABCD  Steady Game", 0), 0u) << lines[2];
    EXPECT_EQ(run.out.find("5EED5EED"), std::string::npos);
}

TEST_F(HostTool, AFileChangedWhileReadFailsItsRow) {
    std::string huge = Huge(dir_ + "/a-huge.rom");
    LiveTool tool(ToolCommand({"--json", "-c", Sample("data.dat"), "-f", huge,
                               Write("b.rom", Slurp(Sample("games/tidewatch.rom")))}),
                  false);
    ASSERT_TRUE(tool.WaitFor("MB read", true)) << tool.terminal; /* its size is taken before it is read */
    ASSERT_EQ(truncate(huge.c_str(), 0), 0);
    EXPECT_EQ(tool.Finish(), 3);
    EXPECT_EQ(Titles(nlohmann::json::parse(tool.out)),
              (std::vector<std::string>{"error: changed while being read", "Tidewatch"}));
}

TEST_F(HostTool, KeysFilesAsEditorsSaveThem) {
    std::string keys[] = {"\xEF\xBB\xBF" "AD26400A\r\n",
                          Utf16("  EED33450\t\r\n# a comment\r\n\r\n", false),
                          Utf16("0058DE32", true),
                          "\t0EAF9B82 \r\r# 0BADF00D\r729F1532"};
    std::vector<std::string> args = {"--json", "-c", Sample("data.dat")};
    for (size_t i = 0; i < 4; i++) args.insert(args.end(), {"-k", Write("keys" + std::to_string(i), keys[i])});
    EXPECT_EQ(Titles(Json(args)), (std::vector<std::string>{"Lantern Keep", "Rally of Owls", "Coral Moth",
                                                            "Paper Derby", "Tidewatch"}));

    std::string nul = Write("with-nul.txt", /* "nul.txt" is Windows' NUL device */ std::string("AD26400A\n1A2B3C4D\0zz\n", 21));
    std::string bad = Write("bad.txt", Utf16("AD26400A\n", false) + std::string("\x00\xD8", 2));
    ToolRun run = Tool({"--json", "-c", Sample("data.dat"), "-k", nul, "-k", bad});
    EXPECT_EQ(run.status, 3) << run.err;
    EXPECT_EQ(Titles(nlohmann::json::parse(run.out)),
              (std::vector<std::string>{"Lantern Keep", "error: '" + nul + "' line 2 holds a NUL byte", "Lantern Keep",
                                        "error: '" + bad + "' line 2 holds bytes that do not decode"}));

    run = Tool({"-c", Sample("data.dat"), "AD26400A", "-k", Write("none.txt", "# none yet\n\n")});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("Lantern Keep"), std::string::npos);
    EXPECT_NE(run.err.find("none.txt' holds no keys"), std::string::npos) << run.err;
}

TEST_F(HostTool, StandardInputAndPipesFeedTheCatalogueAndKeys) {
    std::string catalogue = Slurp(Sample("data.dat"));
    ToolRun run = Tool({"--json", "-c", "-", "AD26400A"}, catalogue);
    EXPECT_EQ(Titles(nlohmann::json::parse(run.out)), std::vector<std::string>{"Lantern Keep"}) << run.err;
    run = Tool({"-c", "-", "-k", "-"}, catalogue);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("standard input (-) can be read only once"), std::string::npos) << run.err;
    if (UnderWine()) return; /* Windows has no FIFOs or /dev/stdin */

    run = Tool({"--json", "-c", "/dev/stdin", "AD26400A"}, catalogue);
    EXPECT_EQ(Titles(nlohmann::json::parse(run.out)), std::vector<std::string>{"Lantern Keep"}) << run.err;
    ASSERT_EQ(mkfifo((dir_ + "/keys").c_str(), 0644), 0);
    std::thread writer([&] { std::ofstream(dir_ + "/keys") << "EED33450\n"; });
    EXPECT_EQ(Titles(Json({"--json", "-c", Sample("data.dat"), "-k", dir_ + "/keys"})),
              std::vector<std::string>{"Rally of Owls"});
    writer.join();
}

TEST_F(HostTool, UsageMistakesAreNamed) {
    struct {
        std::vector<std::string> args;
        std::string message;
    } cases[] = {
        {{"-c", Sample("data.dat"), "-c", Sample("faulty.dat"), "AD26400A"}, "-c is given 2 times"},
        {{"-c", Sample("data.dat"), "0058DE32", "check", Sample("faulty.dat")}, "the key 0058DE32 and -c would be ignored"},
        {{"-f", Sample("games"), "check", Sample("faulty.dat")}, "-f would be ignored"},
        {{"--json", "--csv", "-c", Sample("data.dat"), "1"}, "--json and --csv"},
    };
    for (const auto &c : cases) {
        ToolRun run = Tool(c.args);
        EXPECT_EQ(run.status, 1) << c.message;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_EQ(run.out, "");
    }
    ToolRun run = Tool({"check", "--help"});
    EXPECT_EQ(run.status, 0);
    for (const char *status : {"0 nothing to report", "1 usage", "2 unreadable", "5 output not written", "6 findings"})
        EXPECT_NE(run.out.find(status), std::string::npos) << status;
    run = Tool({"--help"});
    EXPECT_NE(run.out.find("and ask the plug-in with those"), std::string::npos) << "--lower changes what is asked";
    if (!UnderWine()) return;
    run = Tool({"/?"});
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("--catalogue"), std::string::npos) << run.out;
}

TEST_F(HostTool, HintsTheKeyTheCatalogueHas) {
    nlohmann::json doc = Json({"--json", "-c", Sample("data.dat"), "58de32", "0000058DE32", "C0FFEE42", "0BADF00D",
                               "--lower", "-f", Sample("games/coral-moth.rom")});
    const nlohmann::json &games = doc["games"];
    EXPECT_EQ(games[0]["catalogue_has"], "0058DE32");
    EXPECT_EQ(games[1]["catalogue_has"], "0058DE32");
    EXPECT_EQ(games[2]["catalogue_has"], "c0ffee42");
    EXPECT_FALSE(games[3].contains("catalogue_has"));
    EXPECT_EQ(games[4]["key"], "0058de32");
    EXPECT_EQ(games[4]["catalogue_has"], "0058DE32");
    ToolRun run = Tool({"-c", Sample("data.dat"), "58de32"});
    EXPECT_NE(run.out.find("58de32  (not in the catalogue; it has 0058DE32)"), std::string::npos) << run.out;
}

TEST_F(HostTool, QueryRunsWarnOfCataloguesHostsMisread) {
    std::string utf8 = "<games>\n<game>\n<title>星の庭</title>\n<crc32>0BADF00D</crc32>\n</game>\n</games>\n";
    std::string many = "<games>\n";
    for (int i = 0; i <= 20000; i++) many += "<game>\n<crc32>" + std::to_string(i) + "</crc32>\n</game>\n";
    struct {
        std::string text;
        std::vector<std::string> said;
    } cases[] = {{utf8, {"UTF-8", "(line 3;"}}, {Utf16(utf8.substr(0, 20), false), {"UTF-16"}},
                 {many, {"20000", "(line 60001;"}}};
    for (const auto &c : cases) {
        ToolRun run = Tool({"-c", Write("data.dat", c.text), "0BADF00D"});
        EXPECT_EQ(run.status, 0) << c.said[0];
        for (const std::string &said : c.said) EXPECT_NE(run.err.find(said), std::string::npos) << run.err;
    }
}

TEST_F(HostTool, ShowsOnlyTheRowsWantedAndCountsThemAll) {
    std::vector<std::string> args = {"--json", "-c", Sample("data.dat"), "AD26400A", "0BADF00D",
                                     "-f", Sample("games/unlisted.rom"), dir_ + "/gone.rom"};
    ToolRun run = Tool(args);
    EXPECT_EQ(run.err, "") << "no summary unless asked, or standard error is a terminal";
    args.push_back("--found");
    EXPECT_EQ(Titles(nlohmann::json::parse(Tool(args).out)), std::vector<std::string>{"Lantern Keep"});
    args.back() = "--missing";
    args.push_back("--summary");
    run = Tool(args);
    EXPECT_EQ(run.status, 3);
    EXPECT_EQ(Titles(nlohmann::json::parse(run.out)),
              (std::vector<std::string>{"-", "-", "error: no such file or directory"}));
    EXPECT_NE(run.err.find("4 asked: 1 found, 2 not found, 0 skipped, 1 failed"), std::string::npos) << run.err;
}

/* RFC 4180 fields of one record, from `at`, which moves past its CR LF. */
static std::vector<std::string> CsvRecord(const std::string &csv, size_t *at) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (; *at < csv.size(); ++*at) {
        char c = csv[*at];
        if (quoted && c == '"' && csv[*at + 1] == '"') fields.back() += csv[++*at];
        else if (c == '"') quoted = !quoted;
        else if (!quoted && c == ',') fields.emplace_back();
        else if (!quoted && csv.compare(*at, 2, "\r\n") == 0) break;
        else fields.back() += c;
    }
    *at += 2;
    return fields;
}

TEST_F(HostTool, CsvHoldsTheJsonFieldsForSpreadsheets) {
    std::string catalogue = Write("data.dat", "<games>\n<game>\n<title>Say \"Hi\", then bye</title>\n"
                                              "<genre>1</genre>\n<crc32>0BADF00D</crc32>\n</game>\n</games>\n");
    std::vector<std::string> args = {"-c", catalogue, "0BADF00D", "1A2B", "-f", dir_ + "/gone.rom"};
    args.insert(args.begin(), "--csv");
    ToolRun run = Tool(args);
    args[0] = "--json";
    nlohmann::json doc = nlohmann::json::parse(Tool(args).out);
    std::string mark = UnderWine() ? "\xEF\xBB\xBF" : "";
    ASSERT_EQ(run.out.compare(0, mark.size(), mark), 0);
    size_t at = mark.size();
    std::vector<std::string> header = CsvRecord(run.out, &at);
    for (const nlohmann::json &game : doc["games"]) {
        std::vector<std::string> record = CsvRecord(run.out, &at);
        ASSERT_EQ(record.size(), header.size()) << run.out;
        size_t filled = 0;
        for (size_t i = 0; i < header.size(); i++) {
            if (!game.contains(header[i])) {
                EXPECT_EQ(record[i], "") << header[i];
                continue;
            }
            const nlohmann::json &value = game[header[i]];
            EXPECT_EQ(record[i], value.is_string() ? value.get<std::string>() : value.dump()) << header[i];
            filled++;
        }
        EXPECT_EQ(filled, game.size()) << "every JSON field has its CSV column: " << game;
    }
    EXPECT_EQ(at, run.out.size());
    EXPECT_NE(run.out.find(",\"Say \"\"Hi\"\", then bye\","), std::string::npos) << run.out;
}

TEST_F(HostTool, LoadsExactlyThePluginNamed) {
    std::string name = UnderWine() ? "plinorinfo.dll" : "plinorinfo.so";
    cwd_ = dir_;
    ToolRun run = Tool({"-p", name, "--about"});
    EXPECT_EQ(run.status, 4) << "the one beside the program is not the one named";
    Write(name, Slurp(Env("PARTIAL_PLUGIN")));
    run = Tool({"-p", name, "--about"});
    EXPECT_EQ(run.status, 4);
    EXPECT_NE(run.err.find("has no export named GetMaker"), std::string::npos) << run.err;
    run = Tool({"--about"});
    EXPECT_EQ(run.status, 0) << "by default, the one beside the program: " << run.err;
}
