/* Plug-in identity: version, author and description */
#include "plugin_test.h"

TEST_F(PluginTest, IdentityTextsAreFixedShiftJisBytes) {
    EXPECT_EQ(GetPluginVersion(), 100);
    Answer author = AskIdentity(GetPluginAuthor);
    EXPECT_EQ(author.size, 4);
    EXPECT_EQ(author.text, "Yrn");
    Answer info = AskIdentity(GetPluginInfo);
    EXPECT_EQ(info.size, 49);
    EXPECT_EQ(info.text, Sjis("Plinorのdata.datから情報を取得するプラグインです"));
}

TEST_F(PluginTest, IdentityDoesNotDependOnTheCatalogueOrTheModuleLife) {
    EXPECT_EQ(GetPluginAuthor(PoisonedOut(), 0), 4);
    std::string text = CatalogueText({{"T", "1", "", "", "", ""}});
    EXPECT_EQ(GetYear(text.c_str(), "1", 0), 0);
    EXPECT_EQ(AskIdentity(GetPluginInfo).size, 49);
    EXPECT_EQ(gameTable.count, 1);
    if (kRunsTheDll) return; /* a detached DLL is unmapped: nothing to call */
    ReleaseGameTable();
    EXPECT_EQ(AskIdentity(GetPluginAuthor).text, "Yrn");
    EXPECT_EQ(GetPluginVersion(), 100);
    CreateGameTable();
}
