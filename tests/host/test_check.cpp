/* plinorhost check, run as a catalogue writer runs it */
#include "host_tool_test.h"

TEST_F(HostTool, CheckReportsInTheCompilersStyle) {
    ToolRun run = Tool({"check", Sample("faulty.dat")});
    EXPECT_EQ(run.status, 6) << run.err;
    std::vector<std::string> lines = Lines(run.out);
    ASSERT_GE(lines.size(), 3u) << run.out;
    for (size_t i = 0; i + 2 < lines.size(); i++)
        EXPECT_EQ(lines[i].rfind(Sample("faulty.dat") + ":", 0), 0u) << lines[i];
    EXPECT_NE(run.out.find("faulty.dat:9: warning: the line is 285 bytes"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("warning: game \"影の港\" is unreachable"), std::string::npos) << run.out;
    EXPECT_NE(lines.back().find("11 findings: 1 long-line"), std::string::npos) << lines.back();
    EXPECT_NE(lines[lines.size() - 2].find("5 games finished: 3 findable, 2 unreachable"), std::string::npos);

    std::string clean = Write("clean.dat", "<games>\n<game>\n<title>Fine</title>\n<crc32>0BADF00D</crc32>\n"
                                           "</game>\n</games>\n");
    run = Tool({"check", clean});
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("nothing to report"), std::string::npos) << run.out;
}

/* What check --json calls findable, the plug-in finds, with the same facts. */
TEST_F(HostTool, CheckJsonAgreesWithThePlugin) {
    for (const char *sample : {"faulty.dat", "data.dat"}) {
        ToolRun run = Tool({"check", "--json", Sample(sample)});
        EXPECT_EQ(run.status, 6) << run.err;
        nlohmann::json check = nlohmann::json::parse(run.out);
        size_t counted = 0;
        for (const auto &kind : check["summary"]["findings"].items()) counted += kind.value().get<size_t>();
        EXPECT_EQ(counted, check["findings"].size());
        std::vector<std::string> args = {"--json", "-c", Sample(sample)};
        std::vector<nlohmann::json> findable;
        for (const nlohmann::json &game : check["games"])
            if (game["findable"]) {
                args.push_back(game["key"]);
                findable.push_back(game);
            }
        ASSERT_FALSE(findable.empty());
        nlohmann::json answers = Json(args);
        ASSERT_EQ(answers["games"].size(), findable.size());
        for (size_t i = 0; i < findable.size(); i++)
            for (const char *fact : {"title", "maker", "genre", "memo", "year"})
                EXPECT_EQ(answers["games"][i][fact], findable[i][fact]) << sample << " " << findable[i]["key"];
    }
}

/* Keys are read as Shift_JIS, as the findings quote them; keys that are
   not ASCII come in hexadecimal too, so that those that differ only in bytes
   shown alike stay apart. */
TEST_F(HostTool, CheckJsonGivesKeysThatAreNotAsciiInHexadecimal) {
    std::string catalogue = Write("data.dat", "<games>\n<game>\n<crc32>AB\xff</crc32>\n</game>\n"
                                              "<game>\n<crc32>AB\xfe</crc32>\n</game>\n"
                                              "<game>\n<crc32>\x83\x61</crc32>\n</game>\n"
                                              "<game>\n<crc32>0BADF00D</crc32>\n</game>\n</games>\n");
    ToolRun run = Tool({"check", "--json", catalogue});
    nlohmann::json doc = nlohmann::json::parse(run.out), games = doc["games"];
    ASSERT_EQ(games.size(), 4u) << run.out;
    EXPECT_EQ(games[0]["key_hex"], "4142ff");
    EXPECT_EQ(games[1]["key_hex"], "4142fe");
    EXPECT_EQ(games[0]["key"], "AB\uFFFD");
    EXPECT_EQ(games[2]["key"], "\u30C2");
    EXPECT_EQ(games[2]["key_hex"], "8361");
    EXPECT_FALSE(games[3].contains("key_hex"));
    bool quoted = false; /* and so does the finding */
    for (const nlohmann::json &f : doc["findings"])
        quoted = quoted || (f["line"] == 9 && f["message"] == "<crc32> \"\u30C2\" is not 8 hexadecimal digits");
    EXPECT_TRUE(quoted) << run.out;
}

/* check CATALOGUE KEY... explains each key: the game that answers it and
   where, or why none does; the reasons themselves are the checker's unit
   tests', each held against the plug-in's answer. */
TEST_F(HostTool, CheckExplainsWhyAKeyIsNotFound) {
    std::string catalogue = Write("data.dat", "<games>\n<game>\n<title>Kept</title>\n<crc32>0058DE32</crc32>\n</game>\n"
                                              "<game>\n<title>Spaced</title>\n<crc32> 0BADF00D </crc32>\n</game>\n</games>\n");
    ToolRun run = Tool({"check", catalogue, "0058DE32", "58de32", "0BADF00D", "12345678"});
    EXPECT_EQ(run.status, 6) << run.err; /* " 0BADF00D " is a finding of its own */
    EXPECT_NE(run.out.find(catalogue + ":4: note: key '0058DE32': found: the game at line 3"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("note: key '58de32': not found: the catalogue has \"0058DE32\""), std::string::npos) << run.out;
    EXPECT_NE(run.out.find(":8: note: key '0BADF00D': not found"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("note: key '12345678': not found: no game"), std::string::npos) << run.out;
    nlohmann::json keys = nlohmann::json::parse(Tool({"check", "--json", catalogue, "0058DE32", "0BADF00D"}).out)["keys"];
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_EQ(keys[0]["verdict"], "found");
    EXPECT_EQ(keys[0]["line"], 3);
    EXPECT_EQ(keys[1]["verdict"], "spaces-or-0x");
    EXPECT_EQ(keys[1]["catalogue_has"], " 0BADF00D ");
}

/* A key not found in a query run says why, when the catalogue has it in
   some form: past the 20,000 games read, or with spaces around it. */
TEST_F(HostTool, AMissSaysWhyWhenTheCatalogueHasTheKey) {
    std::string many = "<games>\n";
    for (int i = 0; i < 20000; i++) many += "<game>\n<crc32>" + std::to_string(i) + "</crc32>\n</game>\n";
    many += "<game>\n<crc32>0BADF00D</crc32>\n</game>\n<game>\n<crc32> 1234ABCD </crc32>\n</game>\n</games>\n";
    nlohmann::json doc = Json({"--json", "-c", Write("data.dat", many), "0BADF00D", "0x00000012", "1234ABCD ", "1234abcd"});
    EXPECT_EQ(doc["games"][0]["why_not_found"], "past-table");
    EXPECT_EQ(doc["games"][0]["catalogue_line"], 60003);
    EXPECT_EQ(doc["games"][1]["catalogue_has"], "12");
    EXPECT_EQ(doc["games"][1]["why_not_found"], "case-or-padding");
    EXPECT_EQ(doc["games"][2]["why_not_found"], "past-table") << "a key given with a space after it";
    EXPECT_EQ(doc["games"][3]["catalogue_has"], " 1234ABCD ");
}
