/* Full-size made-up catalogues: every game found with every fact, either line end */
#include "catalogue_generator.h"
#include "plugin_test.h"

static const char *const kGenreNames[] = {"アクション", "アドベンチャー", "シミュレーション",
                                          "シューティング", "スポーツ", "対戦格闘", "テーブル",
                                          "パズル", "レース", "ロールプレイング", "その他"};

TEST_F(PluginTest, AFullTableOfGeneratedGamesIsReadWhole) {
    std::vector<std::string> genreNames;
    for (const char *name : kGenreNames) genreNames.push_back(Sjis(name));
    for (bool crlf : {false, true}) {
        ReleaseGameTable();
        CreateGameTable();
        std::vector<GeneratedGame> games = GenerateGames(MAX_GAMES, crlf ? 7 : 1);
        std::string text = CatalogueText(games, crlf ? "\r\n" : "\n");
        char buffer[TEXT_FIELD_SIZE];
        char *out = buffer;
        size_t mismatches = 0;
        for (size_t i = games.size(); i-- > 0;) { /* last first: each a full scan */
            const GeneratedGame &g = games[i];
            const char *key = g.crc32.c_str();
            bool same = GetTitle(text.c_str(), key, 0, &out, 1) > 0 && g.title == buffer &&
                        GetMaker(text.c_str(), key, 0, &out, 1) > 0 && g.publisher == buffer &&
                        GetMemo(text.c_str(), key, 0, &out, 1) > 0 && g.comment == buffer &&
                        GetGenre(text.c_str(), key, 0, &out, 1) > 0 &&
                        genreNames[(size_t)std::stoi(g.genre)] == buffer &&
                        GetYear(text.c_str(), key, 0) == g.year;
            if (!same && ++mismatches <= 3) ADD_FAILURE() << "game " << i << " (" << key << ")";
        }
        EXPECT_EQ(mismatches, 0u) << (crlf ? "CR LF" : "LF");
        EXPECT_EQ(gameTable.count, MAX_GAMES);
    }
}
