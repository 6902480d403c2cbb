/* The host tool interrupted: Ctrl-C, a closed pipe, a full disk, a crashing
   plug-in; each leaves the rows answered so far, and the console as it was */
#include "host_tool_test.h"

#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

/* Waits for the file to hold the text; false after a minute. */
static bool FileHolds(const std::string &path, const std::string &text) {
    for (int i = 0; i < 600 && Slurp(path).find(text) == std::string::npos; i++) usleep(100000);
    return Slurp(path).find(text) != std::string::npos;
}

/* Rows going to a file, the progress line shows on the terminal, and
   Ctrl-C leaves the rows answered so far in the file, saying so. */
TEST_F(HostTool, CtrlCKeepsTheRowsSoFarAndClearsTheProgressLine) {
    std::string huge = Huge(dir_ + "/huge.rom"), rows = dir_ + "/rows.txt";
    for (bool json : {false, true}) {
        std::vector<std::string> args = {"-c", Sample("data.dat"), "AD26400A", "-f", huge, "-o", rows};
        if (json) args.push_back("--json");
        LiveTool tool(ToolCommand(args), false);
        ASSERT_TRUE(tool.WaitFor("1 of 2 answered", true)) << tool.terminal;
        ASSERT_TRUE(FileHolds(rows, "Lantern Keep")) << "written within 100 ms, while the tool reads on";
        tool.Interrupt();
        EXPECT_EQ(tool.Finish(), 130);
        EXPECT_NE(tool.terminal.find("stopped by Ctrl-C: 1 asked: 1 found"), std::string::npos) << tool.terminal;
        EXPECT_NE(tool.terminal.find("the rows answered before it stopped are in"), std::string::npos);
        std::string written = Slurp(rows);
        if (json) { /* closed, so that a script can still read what was answered */
            nlohmann::json doc = nlohmann::json::parse(written, nullptr, false);
            ASSERT_FALSE(doc.is_discarded()) << written;
            EXPECT_EQ(doc["games"].size(), 1u);
            continue;
        }
        EXPECT_EQ(Lines(written).size(), 2u) << written;
        std::string last = tool.terminal.substr(tool.terminal.rfind(" MB read"));
        bool cleared = last.find("\r" + std::string(10, ' ')) != std::string::npos ||
                       last.find("\x1b[K") != std::string::npos; /* as Wine's console draws it */
        EXPECT_TRUE(cleared) << last;
    }
}

/* Rows on a terminal, or through a pipe that a pager may show there, are
   never drawn over by a progress line. */
TEST_F(HostTool, NoProgressLineWhereRowsMayShow) {
    std::string huge = Huge(dir_ + "/huge.rom");
    for (bool onTerminal : {false, true}) {
        LiveTool tool(ToolCommand({"-c", Sample("data.dat"), "AD26400A", "-f", huge}), onTerminal);
        ASSERT_TRUE(tool.WaitFor("AD26400A", onTerminal)) << tool.out << tool.terminal; /* a title may be cut to fit */
        usleep(600000); /* three times the progress line's first showing */
        tool.Interrupt();
        EXPECT_EQ(tool.Finish(), 130);
        EXPECT_EQ(tool.terminal.find("answered,"), std::string::npos) << tool.terminal;
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

/* Output that cannot be written fails the run. */
TEST_F(HostTool, AFailedWriteIsAnError) {
    for (std::vector<std::string> args : {std::vector<std::string>{"-c", Sample("data.dat"), "-f", Sample("games")},
                                          std::vector<std::string>{"--help"}}) {
        ToolRun run = Tool(args, "", "/dev/full");
        EXPECT_EQ(run.status, 5) << args[0];
        EXPECT_NE(run.err.find("cannot write the output"), std::string::npos) << run.err;
    }
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
    std::string tool = windows(Env("HOST_TOOL")), huge = windows(Huge(dir_ + "/huge.rom")), rows = dir_ + "/rows.txt";
    LiveTool cmd({Env("HOST_RUNNER"), "cmd", "/c", "chcp 932 & " + tool + " -c " + windows(Sample("data.dat")) +
                  " AD26400A -f " + huge + " -o " + windows(rows) + " & " + tool + " -p missing.dll --about & chcp"}, true);
    ASSERT_TRUE(cmd.WaitFor("1 of 2 answered", true)) << cmd.terminal;
    int pid = ProcessWith(huge);
    ASSERT_GT(pid, 0);
    kill(pid, SIGINT);
    EXPECT_EQ(cmd.Finish(), 0);
    EXPECT_NE(Slurp(rows).find("Lantern Keep"), std::string::npos) << cmd.terminal;
    EXPECT_NE(cmd.terminal.find("cannot use plug-in 'missing.dll'"), std::string::npos) << cmd.terminal;
    EXPECT_EQ(CodePagesShown(cmd.terminal), (std::vector<std::string>{"932", "932"})) << cmd.terminal;
}
