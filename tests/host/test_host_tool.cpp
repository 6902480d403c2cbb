/* The host tool run as a user runs it: through the plug-in, natively or
   under Wine. The build names the native tool, a partial plug-in and the
   samples; HOST_TOOL, HOST_RUNNER and PARTIAL_PLUGIN in the environment
   point the same tests at the Windows build. */
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <stdio.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <fstream>
#include <string>
#include <vector>

struct ToolRun {
    int status;
    std::string out, err;
};

static std::string Env(const char *name) {
    const char *value = getenv(name);
    if (value != NULL) return value;
    std::string n = name;
    return n == "HOST_TOOL" ? HOST_TOOL : n == "PARTIAL_PLUGIN" ? PARTIAL_PLUGIN
         : n == "SAMPLES_DIR" ? SAMPLES_DIR : "";
}

static std::string Quote(const std::string &s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

static std::string Slurp(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class HostTool : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/plinorhost-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { system(("rm -rf " + Quote(dir_)).c_str()); }

    std::string Sample(const std::string &name) { return Env("SAMPLES_DIR") + "/" + name; }

    std::string Write(const std::string &name, const std::string &contents) {
        std::string path = dir_ + "/" + name;
        std::ofstream(path, std::ios::binary) << contents;
        return path;
    }

    ToolRun Tool(const std::vector<std::string> &args) {
        std::string command = Env("HOST_RUNNER") + " " + Quote(Env("HOST_TOOL"));
        for (const std::string &a : args) command += " " + Quote(a);
        command += " 2>" + Quote(dir_ + "/stderr");
        ToolRun run = {-1, "", ""};
        FILE *pipe = popen(command.c_str(), "r");
        if (pipe == NULL) return run;
        char chunk[4096];
        size_t n;
        while ((n = fread(chunk, 1, sizeof chunk, pipe)) > 0) run.out.append(chunk, n);
        int status = pclose(pipe);
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        run.err = Slurp(dir_ + "/stderr");
        return run;
    }

    std::string dir_;
};

static std::string LineWith(const std::string &text, const std::string &needle) {
    size_t at = text.find(needle);
    if (at == std::string::npos) return "";
    size_t start = text.rfind('\n', at) + 1, end = text.find('\n', at);
    return text.substr(start, end - start);
}

TEST_F(HostTool, ShowsTheSampleGamesThroughThePlugin) {
    ToolRun run = Tool({"-c", Sample("data.dat"), "-f", Sample("games")});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    struct {
        const char *file, *key;
        std::vector<std::string> facts;
    } rows[] = {
        {"lantern-keep.rom", "AD26400A", {"Lantern Keep", "Quill Hollow", "ロールプレイング", "1994"}},
        {"paper-derby.rom", "EAF9B82", {"Paper Derby", "Tin Lantern", "レース", "1999"}},
        {"coral-moth.rom", "58DE32", {"Coral Moth", "Nimbus Works", "シューティング", "1991"}},
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
    snprintf(upper, sizeof upper, "%X", crc);
    snprintf(lower, sizeof lower, "%x", crc);
    std::string game = Write("game.bin", bytes);
    std::string catalogue = Write("data.dat", std::string("<games>\n<game>\n<title>Lower</title>\n<crc32>") +
                                                  lower + "</crc32>\n</game>\n</games>\n");
    ToolRun run = Tool({"--json", "-c", catalogue, "-f", game});
    ASSERT_EQ(run.status, 0) << run.err;
    nlohmann::json doc = nlohmann::json::parse(run.out);
    EXPECT_EQ(doc["games"][0]["key"], upper);
    EXPECT_EQ(doc["games"][0]["found"], std::string(upper) == lower);

    run = Tool({"--json", "--lower", "-c", catalogue, "-f", game});
    ASSERT_EQ(run.status, 0) << run.err;
    doc = nlohmann::json::parse(run.out);
    EXPECT_EQ(doc["games"][0]["key"], lower);
    EXPECT_EQ(doc["games"][0]["title"], "Lower");
}

TEST_F(HostTool, PrintsJsonForScripts) {
    ToolRun run = Tool({"--json", "--about", "-c", Sample("data.dat"), "AD26400A", "c0ffee42",
                    "12345678", "0BADF00D", "-f", Sample("games/coral-moth.rom")});
    ASSERT_EQ(run.status, 0) << run.err;
    nlohmann::json doc = nlohmann::json::parse(run.out);
    EXPECT_EQ(doc["plugin"]["version"], 100);
    EXPECT_EQ(doc["plugin"]["author"], "Yrn");
    EXPECT_EQ(doc["plugin"]["description"], "Plinorのdata.datから情報を取得するプラグインです");
    const nlohmann::json &games = doc["games"];
    ASSERT_EQ(games.size(), 5u);
    EXPECT_EQ(games[0], nlohmann::json::parse(R"({"key": "AD26400A", "found": true,
        "title": "Lantern Keep", "maker": "Quill Hollow", "genre": "ロールプレイング",
        "memo": "Save at any well", "year": 1994})"));
    EXPECT_EQ(games[1]["title"], "Lowercase Lagoon");
    EXPECT_EQ(games[2]["genre"], ""); /* an unlisted genre code */
    EXPECT_EQ(games[2]["year"], 0);
    EXPECT_EQ(games[3], nlohmann::json::parse(R"({"key": "0BADF00D", "found": false})"));
    EXPECT_EQ(games[4]["file"], Sample("games/coral-moth.rom"));
    EXPECT_EQ(games[4]["key"], "58DE32");
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
        {{"--colour", "-c", catalogue, "1"}, 1, "unknown option --colour"},
        {{"1A2B"}, 1, "no catalogue given"},
        {{"-c"}, 1, "-c needs a value"},
        {{"-c", dir_ + "/missing.dat", "1"}, 2, "cannot read catalogue '" + dir_ + "/missing.dat'"},
        {{"-c", dir_, "1"}, 2, "it is a directory"},
        {{"-c", catalogue, "-f", dir_ + "/missing.rom"}, 3, "cannot read game file '" + dir_ + "/missing.rom'"},
        {{"-c", catalogue, "-p", dir_ + "/missing-plugin", "1"}, 4, "cannot use plug-in '" + dir_ + "/missing-plugin'"},
        {{"-c", catalogue, "-p", Env("PARTIAL_PLUGIN"), "1"}, 4, "has no export named GetMaker"},
        {{"-p", catalogue, "--about"}, 4, "cannot use plug-in"},
    };
    for (const auto &c : cases) {
        ToolRun run = Tool(c.args);
        EXPECT_EQ(run.status, c.status) << c.message;
        EXPECT_EQ(run.err.rfind("plinorhost: ", 0), 0u) << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_EQ(run.out.find("TITLE"), std::string::npos) << "no table after an error";
    }
}
