/* Hosts that break the one-call-at-a-time rule: racing first queries may
   parse side by side, but never write outside the table */
#include <stdio.h>

#include <atomic>
#include <thread>

#include "plugin_test.h"

TEST_F(PluginTest, RacingFirstQueriesStayInsideTheTable) {
    std::string text = "<games>\n";
    char key[16];
    for (int i = 0; i < MAX_GAMES + 500; i++) { /* the parses race up to the table's end */
        snprintf(key, sizeof key, "%08X", i);
        text += "<game>\n<title>T" + std::to_string(i) + "</title>\n<crc32>" + key + "</crc32>\n</game>\n";
    }
    text += "</games>\n";
    for (int round = 0; round < 4; round++) {
        ReleaseGameTable();
        CreateGameTable();
        std::atomic<int> waiting(4);
        std::vector<std::thread> hosts;
        for (int t = 0; t < 4; t++)
            hosts.emplace_back([&] {
                for (waiting--; waiting > 0;) {} /* all start at once */
                GetTitle(text.c_str(), "00004E1F", 0, NULL, 0);
            });
        for (std::thread &h : hosts) h.join();
        EXPECT_LE(gameTable.count, MAX_GAMES);
        EXPECT_EQ(Ask(GetTitle, text.c_str(), "00004E1F").text, "T19999"); /* every parse read it all */
    }
}
