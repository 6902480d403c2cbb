/* The host tool run as a user runs it: a fresh folder per test, and the tool
   natively or, with HOST_RUNNER=wine, its Windows build */
#ifndef PLINOR_HOST_TOOL_TEST_H
#define PLINOR_HOST_TOOL_TEST_H

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <stdint.h>

#include <string>
#include <vector>

struct ToolRun {
    int status;
    std::string out, err;
};

/* HOST_TOOL, HOST_RUNNER, PARTIAL_PLUGIN, CRASHING_PLUGIN or SAMPLES_DIR,
   from the environment or else as the build set them. */
std::string Env(const char *name);
bool UnderWine(void);

std::string Quote(const std::string &s); /* for the shell */
std::string Slurp(const std::string &path);
std::string HexOf(const std::string &bytes);
std::string LineWith(const std::string &text, const std::string &needle);
std::vector<std::string> Lines(const std::string &text);

/* ASCII as UTF-16 with its byte-order mark, as Notepad saves "Unicode". */
std::string Utf16(const std::string &ascii, bool bigEndian);

/* Each row's title, "error: " and its error, or "-". */
std::vector<std::string> Titles(const nlohmann::json &doc);

/* Bytes whose CRC-32 is below 0x10000. */
std::string SmallCrcBytes(void);

/* A file that takes minutes to read: a test can act while the tool reads it. */
std::string Huge(const std::string &path);

/* The runner, the tool and the arguments. */
std::vector<std::string> ToolCommand(const std::vector<std::string> &args);

/* A command running while a test watches it: its standard output through
   a pipe, its standard error (and, with outputOnTerminal, its output too)
   on a pseudo-terminal, which Wine makes a Windows console. */
class LiveTool {
public:
    LiveTool(std::vector<std::string> command, bool outputOnTerminal);
    ~LiveTool();

    /* Reads until the output or the terminal shows the text; false after a minute. */
    bool WaitFor(const std::string &text, bool onTerminal);
    void Interrupt(void);

    /* Reads to the end; the exit status, or 128 and the signal. */
    int Finish(void);

    std::string out, terminal;

private:
    bool Read(int timeoutMs);
    int pid_, outFd_, terminalFd_;
};

class HostTool : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    std::string Sample(const std::string &name);
    std::string Write(const std::string &name, const std::string &contents);

    /* Runs the tool with the arguments, the given standard input, and its
       output captured or sent to stdoutPath. */
    ToolRun Tool(const std::vector<std::string> &args, const std::string &input = "",
                 const std::string &stdoutPath = "");

    /* Runs the tool, expecting success and JSON. */
    nlohmann::json Json(const std::vector<std::string> &args);

    std::string dir_; /* the test's own files */
    std::string cwd_; /* where the tool runs, when not here */
    std::string io_;  /* the tool's standard input and error, kept out of dir_ */
};

#endif
