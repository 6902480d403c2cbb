/* The host tool's command line and start: options as users give them,
   failures with their exit statuses, the plug-in it loads, catalogue warnings */
#include "host_tool_test.h"
#include "release_version.h"

#include <errno.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include <regex>

/* Each failure has its own exit status and a message, and no table follows;
   the usage errors' wording is the command line's own unit test's. */
TEST_F(HostTool, ExplainsEachFailureWithItsOwnExitCode) {
    std::string catalogue = Sample("data.dat");
    struct {
        std::vector<std::string> args;
        int status;
        std::string message;
    } cases[] = {
        {{}, 1, "nothing to ask"},
        {{"1A2B"}, 1, "no catalogue: none was given, and there is no 'data.dat'"},
        {{"-c", catalogue, "0058DE32", "check", Sample("faulty.dat")}, 1, "would be ignored"},
        {{"-c", dir_ + "/missing.dat", "1"}, 2, "cannot read catalogue '" + dir_ + "/missing.dat'"},
        {{"-c", dir_, "1"}, 2, "it is a directory"},
        {{"-c", catalogue, "-p", dir_ + "/missing-plugin", "1"}, 4, "cannot use plug-in '" + dir_ + "/missing-plugin'"},
        {{"-c", catalogue, "-p", Env("PARTIAL_PLUGIN"), "1"}, 4, "has no export named GetMaker"},
        {{"-p", catalogue, "--about"}, 4, "cannot use plug-in"},
        {{"check", dir_ + "/missing.dat"}, 2, "cannot read catalogue"},
    };
    for (const auto &c : cases) {
        ToolRun run = Tool(c.args);
        EXPECT_EQ(run.status, c.status) << c.message;
        EXPECT_EQ(run.err.rfind("plinorhost: ", 0), 0u) << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_EQ(run.out, "") << "no table after an error";
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
}

/* Windows' own way to ask for help. */
TEST_F(HostTool, SlashQuestionMarkShowsTheHelpOnWindows) {
    if (!UnderWine()) GTEST_SKIP() << "/? is Windows' way to ask for help";
    ToolRun run = Tool({"/?"});
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("--catalogue"), std::string::npos) << run.out;
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
    run = Tool({"--version"});
    EXPECT_EQ(run.out.rfind("plinorhost " PLINORINFO_RELEASE "\n", 0), 0u) << run.out;
    std::string file = UnderWine() ? ", file version " PLINORINFO_FILE_VERSION_TEXT : "";
    EXPECT_NE(run.out.find(": GetPluginVersion 100" + file + "\n"), std::string::npos) << run.out << run.err;
}

/* A plug-in that cannot be used is reported before any file is read. */
TEST_F(HostTool, ThePluginIsLoadedFirst) {
    ASSERT_EQ(symlink("/proc/self/mem", (dir_ + "/unreadable.rom").c_str()), 0);
    ToolRun run = Tool({"-c", Sample("data.dat"), "-p", dir_ + "/missing", "-f", dir_ + "/unreadable.rom"});
    EXPECT_EQ(run.status, 4) << run.err;
    EXPECT_EQ(run.err.find("unreadable.rom"), std::string::npos) << run.err;
}

/* A catalogue that leaves hosts with nothing, with less than it holds, or
   with garbled text is warned of, naming the line where there is one. */
TEST_F(HostTool, WarnsOfCataloguesHostsMisread) {
    std::string game = "<game>\n<title>T</title>\n<crc32>0BADF00D</crc32>\n</game>\n";
    std::string utf8 = "<games>\n<game>\n<title>星の庭</title>\n<crc32>0BADF00D</crc32>\n</game>\n</games>\n";
    std::string many = "<games>\n";
    for (int i = 0; i <= 20000; i++) many += "<game>\n<crc32>" + std::to_string(i) + "</crc32>\n</game>\n";
    struct {
        std::string text;
        std::vector<std::string> said;
    } cases[] = {{"<games>\n" + game + std::string(1, '\0') + game + "</games>\n", {"a NUL byte"}},
                 {"<games>\n<game>\n<title>T</title>\n</games>\n", {"no game is finished"}},
                 {many + "</games>\n", {"20000 games", "(line 60001;"}},
                 {utf8, {"the text reads as UTF-8", "(line 3;"}},
                 {Utf16(utf8.substr(0, 20), false), {"a UTF-16 byte-order mark"}}};
    for (const auto &c : cases) {
        ToolRun run = Tool({"-c", Write("data.dat", c.text), "0BADF00D"});
        EXPECT_EQ(run.status, 0) << c.said[0];
        EXPECT_NE(run.err.find("warning: " + dir_ + "/data.dat: " + c.said[0]), std::string::npos) << run.err;
        for (const std::string &said : c.said) EXPECT_NE(run.err.find(said), std::string::npos) << run.err;
    }
}

/* In Japanese, nothing the tool writes for a person is left in English:
   what stays in Latin letters is names (paths, options, formats), the
   plug-in's own answers, and the system's words for an error. */
TEST_F(HostTool, SpeaksJapaneseWhenAsked) {
    auto Japanese = [this](std::vector<std::string> args) { /* in the Japanese prefix (HOST_UI_LANG=ja), unasked */
        if (Env("HOST_UI_LANG") != "ja") args.insert(args.begin(), "--lang=ja");
        return Tool(args);
    };
    ToolRun runs[] = {
        Japanese({"--missing", "-c", Sample("data.dat"), "-f", Sample("games"), dir_ + "/gone.rom", "--", "58de32",
                  "zz", "--summary"}),
        Japanese({"-c", dir_ + "/missing.dat", "1"}),
        Japanese({"1A2B"}),
        Japanese({"-c", Sample("data.dat"), "-k", Write("none.txt", "#\n")}),
        Japanese({"check", Sample("faulty.dat"), "0058DE32", "1"}),
    };
    /* paths, options, quoted values, and what is for programs: a finding's kind, the editors' warning: */
    std::regex programs(": (warning|note):|\\[?[a-z0-9]+(-[a-z0-9]+)+\\]?|「[^」]*」|</?[a-z0-9]+>"),
        paths("[^\\s「」]*[/\\\\][^\\s「」]*|--?[a-z]+"), word("[A-Za-z]{3,}");
    for (const ToolRun &run : runs) {
        std::string said = std::regex_replace(std::regex_replace(run.err + run.out, programs, " "), paths, " ");
        for (const std::string &name : {std::string("plinorhost.exe"), std::string("plinorhost"), std::string("data.dat"), std::string(strerror(ENOENT)),
                                        std::string("Windows"), std::string("zip")})
            for (size_t at; (at = said.find(name)) != std::string::npos;) said.erase(at, name.size());
        std::smatch found;
        EXPECT_FALSE(std::regex_search(said, found, word)) << found.str() << " in:\n" << run.err << run.out;
    }
}

/* A plug-in that cannot be loaded is explained in words the user reads:
   the system's reason, or the bitness when the library is built for the
   other one. In the Japanese prefix (HOST_UI_LANG=ja) the tool is not told
   the language; elsewhere it speaks English. */
TEST_F(HostTool, SaysReadablyWhyThePluginCannotBeUsed) {
    bool japanese = Env("HOST_UI_LANG") == "ja";
    std::string tool = Write(UnderWine() ? "plinorhost.exe" : "plinorhost", Slurp(Env("HOST_TOOL")));
    ASSERT_EQ(chmod(tool.c_str(), 0755), 0);
    std::string real = Env("HOST_TOOL");
    setenv("HOST_TOOL", tool.c_str(), 1); /* copied away from its plug-in */
    std::vector<ToolRun> runs = {Tool({"--version"})};
    setenv("HOST_TOOL", real.c_str(), 1);
    size_t otherBitness = 0;
    for (int bits : {32, 64}) { /* a library header of each bitness: one is this tool's, one is not */
        std::string header = UnderWine() ? std::string("MZ") + std::string(58, '\0') + std::string("@\0\0\0PE\0\0", 8) +
                                               (bits == 32 ? std::string("\x4c\x01", 2) : std::string("\x64\x86", 2))
                                         : std::string("\x7f" "ELF") + (char)(bits / 32);
        header.resize(256, '\0');
        runs.push_back(Tool({"-p", Write("plinorinfo-" + std::to_string(bits) + ".dll", header), "--about"}));
        otherBitness += runs.back().err.find(japanese ? " ビットのプラグインですが" : "-bit plug-in; this tool is") != std::string::npos;
    }
    EXPECT_EQ(otherBitness, 1u) << runs[1].err << runs[2].err;
    for (const ToolRun &run : runs) {
        EXPECT_EQ(run.status, 4) << run.err;
        EXPECT_NE(run.err.find(japanese ? "プラグイン" : "plug-in"), std::string::npos) << run.err;
        EXPECT_EQ(run.err.find("\\x"), std::string::npos) << "a system text read in the wrong code page: " << run.err;
        EXPECT_EQ(run.err.find("%1"), std::string::npos) << run.err;
    }
}
