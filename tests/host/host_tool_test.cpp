/* The host tool run as a user runs it: a fresh folder per test, and the tool
   natively or, with HOST_RUNNER=wine, its Windows build */
#include "host_tool_test.h"

#include <stdio.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <zlib.h>

#include <fstream>

std::string Env(const char *name) {
    const char *value = getenv(name);
    if (value != NULL) return value;
    std::string n = name;
    return n == "HOST_TOOL" ? HOST_TOOL : n == "PARTIAL_PLUGIN" ? PARTIAL_PLUGIN
         : n == "SAMPLES_DIR" ? SAMPLES_DIR : "";
}

bool UnderWine(void) {
    return !Env("HOST_RUNNER").empty();
}

static std::string Quote(const std::string &s) {
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

std::string SmallCrcBytes(void) {
    for (unsigned i = 0;; i++) {
        std::string bytes = "a small game " + std::to_string(i);
        if (crc32(0, (const Bytef *)bytes.data(), (uInt)bytes.size()) < 0x10000) return bytes;
    }
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
    std::string command = "timeout 120 " + Env("HOST_RUNNER") + " " + Quote(Env("HOST_TOOL"));
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
