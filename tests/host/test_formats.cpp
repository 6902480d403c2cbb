/* The host tool's output: the table, JSON and CSV as the plug-in answers,
   names and texts shown safely, hints, and which rows are shown */
#include "host_tool_test.h"

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

/* One Shift_JIS decoding on every platform. */
TEST_F(HostTool, BadShiftJisDecodesTheSameEverywhere) {
    std::string title = "A\x80" "B\x83 C\xa0\xfd\xb1\x8a\xbf\x83"; /* the last, a lead without its trail */
    std::string catalogue = Write("data.dat", "<games>\n<game>\n<title>" + title +
                                                  "</title>\n<crc32>0BADF00D</crc32>\n</game>\n</games>\n");
    nlohmann::json doc = Json({"--json", "-c", catalogue, "0BADF00D"});
    EXPECT_EQ(doc["games"][0]["title"], "A\uFFFDB\uFFFD C\uFFFD\uFFFDｱ漢\uFFFD");
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

/* A cell's text as the tool wrote it for spreadsheets: inside ="...", or
   after a leading apostrophe; empty when the cell holds neither. */
static std::string Guarded(const std::string &cell) {
    if (cell.size() >= 3 && cell.compare(0, 2, "=\"") == 0 && cell.back() == '"') return cell.substr(2, cell.size() - 3);
    return cell.compare(0, 1, "'") == 0 ? cell.substr(1) : "";
}

/* Both forms against JSON: for spreadsheets each key guarded, formulas and
   numbers' look-alikes too; for programs every value as it is. */
TEST_F(HostTool, CsvHoldsTheJsonFieldsForSpreadsheets) {
    std::string catalogue = Write("data.dat", "<games>\n<game>\n<title>Say \"Hi\", then bye</title>\n"
                                              "<genre>1</genre>\n<crc32>0BADF00D</crc32>\n</game>\n<game>\n"
                                              "<title>@SUM(1,2)</title>\n<publisher>007</publisher>\n"
                                              "<crc32>04287345</crc32>\n</game>\n</games>\n");
    std::vector<std::string> args = {"-c", catalogue, "0BADF00D", "04287345", "4287345", "-f", dir_ + "/gone.rom"};
    args.insert(args.begin(), "--json");
    nlohmann::json doc = nlohmann::json::parse(Tool(args).out);
    for (std::string form : {"--csv", "--csv=plain"}) {
        args[0] = form;
        ToolRun run = Tool(args);
        std::string mark = form == "--csv" ? "\xEF\xBB\xBF" : "";
        ASSERT_EQ(run.out.compare(0, 3, "\xEF\xBB\xBF") == 0, !mark.empty()) << form;
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
                std::string text = value.is_string() ? value.get<std::string>() : value.dump();
                bool key = header[i] == "key" || header[i] == "catalogue_has";
                if (mark.empty()) EXPECT_EQ(record[i], text) << header[i];
                else if (key || text == "@SUM(1,2)" || text == "007") EXPECT_EQ(Guarded(record[i]), text) << record[i];
                else EXPECT_EQ(record[i], text) << header[i];
                filled++;
            }
            EXPECT_EQ(filled, game.size()) << "every JSON field has its CSV column: " << game;
        }
        EXPECT_EQ(at, run.out.size());
        EXPECT_NE(run.out.find(",\"Say \"\"Hi\"\", then bye\","), std::string::npos) << run.out;
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

/* --found hides the rows that failed: it says how many, wherever its words go. */
TEST_F(HostTool, HiddenFailuresAreCounted) {
    ToolRun run = Tool({"--found", "-c", Sample("data.dat"), "AD26400A", "-f", dir_ + "/gone.rom", dir_ + "/also.rom"});
    EXPECT_EQ(run.status, 3);
    EXPECT_NE(run.err.find("2 rows that could not be read are not shown"), std::string::npos) << run.err;
    run = Tool({"--no-header", "-c", Sample("data.dat"), "AD26400A"});
    EXPECT_EQ(Lines(run.out).size(), 1u) << run.out;
}
