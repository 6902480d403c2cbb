/* The host tool run as a user runs it: a fresh folder per test, and the tool
   natively or, with HOST_RUNNER=wine, its Windows build */
#include "host_tool_test.h"

#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <fstream>

std::string Env(const char *name) {
    const char *value = getenv(name);
    if (value != NULL) return value;
    std::string n = name;
    return n == "HOST_TOOL" ? HOST_TOOL : n == "PARTIAL_PLUGIN" ? PARTIAL_PLUGIN
         : n == "CRASHING_PLUGIN" ? CRASHING_PLUGIN : n == "SAMPLES_DIR" ? SAMPLES_DIR : "";
}

bool UnderWine(void) {
    return !Env("HOST_RUNNER").empty();
}

std::string Quote(const std::string &s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string Slurp(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string HexOf(const std::string &bytes) {
    std::string out;
    char pair[3];
    for (unsigned char c : bytes) {
        snprintf(pair, sizeof pair, "%02x", c);
        out += pair;
    }
    return out;
}

std::string LineWith(const std::string &text, const std::string &needle) {
    size_t at = text.find(needle);
    if (at == std::string::npos) return "";
    size_t start = text.rfind('\n', at) + 1, end = text.find('\n', at);
    return text.substr(start, end - start);
}

std::vector<std::string> Lines(const std::string &text) {
    std::vector<std::string> lines;
    for (size_t at = 0, end; at < text.size(); at = end + 1) {
        end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(at, end - at));
    }
    return lines;
}

std::string Utf16(const std::string &ascii, bool bigEndian) {
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char c : ascii) out += bigEndian ? std::string{'\0', c} : std::string{c, '\0'};
    return out;
}

std::vector<std::string> Titles(const nlohmann::json &doc) {
    std::vector<std::string> titles;
    for (const nlohmann::json &g : doc["games"])
        titles.push_back(g.contains("title") ? g["title"].get<std::string>()
                         : g.contains("error") ? "error: " + g["error"].get<std::string>()
                                               : "-");
    return titles;
}

std::string SmallCrcBytes(void) {
    for (unsigned i = 0;; i++) {
        std::string bytes = "a small game " + std::to_string(i);
        if (crc32(0, (const Bytef *)bytes.data(), (uInt)bytes.size()) < 0x10000) return bytes;
    }
}

std::string Huge(const std::string &path) {
    std::ofstream(path, std::ios::binary).flush();
    EXPECT_EQ(truncate(path.c_str(), (off_t)64 << 30), 0);
    return path;
}

void HostTool::SetUp() {
    char pattern[] = "/tmp/plinorhost-test-XXXXXX", io[] = "/tmp/plinorhost-io-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    ASSERT_NE(mkdtemp(io), nullptr);
    dir_ = pattern;
    io_ = io;
}

void HostTool::TearDown() {
    system(("rm -rf " + Quote(dir_) + " " + Quote(io_)).c_str());
}

std::string HostTool::Sample(const std::string &name) {
    return Env("SAMPLES_DIR") + "/" + name;
}

std::string HostTool::Write(const std::string &name, const std::string &contents) {
    std::string path = dir_ + "/" + name;
    std::ofstream(path, std::ios::binary) << contents;
    return path;
}

ToolRun HostTool::Tool(const std::vector<std::string> &args, const std::string &input,
                       const std::string &stdoutPath) {
    std::string command = (cwd_.empty() ? "" : "cd " + Quote(cwd_) + " && ") + "timeout 120 " +
                          Env("HOST_RUNNER") + " " + Quote(Env("HOST_TOOL"));
    for (const std::string &a : args) command += " " + Quote(a);
    std::ofstream(io_ + "/stdin", std::ios::binary) << input;
    command += " <" + Quote(io_ + "/stdin") + " 2>" + Quote(io_ + "/stderr");
    if (!stdoutPath.empty()) command += " >" + Quote(stdoutPath);
    ToolRun run = {-1, "", ""};
    FILE *pipe = popen(command.c_str(), "r");
    if (pipe == NULL) return run;
    char chunk[4096];
    size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, pipe)) > 0) run.out.append(chunk, n);
    int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.err = Slurp(io_ + "/stderr");
    return run;
}

nlohmann::json HostTool::Json(const std::vector<std::string> &args) {
    ToolRun run = Tool(args);
    EXPECT_EQ(run.status, 0) << run.err;
    nlohmann::json doc = nlohmann::json::parse(run.out, nullptr, false);
    EXPECT_FALSE(doc.is_discarded()) << run.out;
    return doc.is_discarded() ? nlohmann::json::object() : doc;
}

std::vector<std::string> ToolCommand(const std::vector<std::string> &args) {
    std::vector<std::string> command;
    if (UnderWine()) command.push_back(Env("HOST_RUNNER"));
    command.push_back(Env("HOST_TOOL"));
    command.insert(command.end(), args.begin(), args.end());
    return command;
}

LiveTool::LiveTool(std::vector<std::string> command, bool outputOnTerminal) {
    int pipeFds[2], terminal, replica;
    pid_ = -1;
    if (pipe(pipeFds) != 0 || openpty(&terminal, &replica, NULL, NULL, NULL) != 0) return;
    std::vector<char *> argv;
    for (std::string &c : command) argv.push_back(&c[0]);
    argv.push_back(NULL);
    pid_ = fork();
    if (pid_ == 0) {
        dup2(outputOnTerminal ? replica : pipeFds[1], 1);
        dup2(replica, 2);
        close(0); /* nothing to read */
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(pipeFds[1]);
    close(replica);
    outFd_ = pipeFds[0];
    terminalFd_ = terminal;
}

LiveTool::~LiveTool() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, NULL, 0);
    }
    close(outFd_);
    close(terminalFd_);
}

/* Whatever either side has written, within the time; false when both are done. */
bool LiveTool::Read(int timeoutMs) {
    struct pollfd fds[2] = {{outFd_, POLLIN, 0}, {terminalFd_, POLLIN, 0}};
    if (poll(fds, 2, timeoutMs) <= 0) return true;
    bool open = false;
    std::string *into[2] = {&out, &terminal};
    for (int i = 0; i < 2; i++) {
        char chunk[4096];
        ssize_t n = fds[i].revents != 0 ? read(fds[i].fd, chunk, sizeof chunk) : 1;
        if (n > 0 && fds[i].revents != 0) into[i]->append(chunk, (size_t)n);
        open = open || n > 0; /* a terminal without writers reads as an error */
    }
    return open;
}

bool LiveTool::WaitFor(const std::string &text, bool onTerminal) {
    for (int i = 0; i < 600; i++) {
        if ((onTerminal ? terminal : out).find(text) != std::string::npos) return true;
        if (!Read(100)) return false;
    }
    return false;
}

void LiveTool::Interrupt(void) {
    kill(pid_, SIGINT);
}

int LiveTool::Finish(void) {
    int i = 0, status = 0;
    while (i < 1200 && Read(100)) i++;
    if (i == 1200) kill(pid_, SIGKILL); /* two minutes are enough for any test */
    if (waitpid(pid_, &status, 0) != pid_) return -1;
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
