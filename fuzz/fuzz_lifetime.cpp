/* Fuzz target: two to four catalogue texts through one module life, every
   answer checked against a plain reading of the line rules */
#include <iconv.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "fuzz_queries.h"
#include "plinorinfo.h"
#include "two_calls.h"

/* The model: what the plug-in must answer, written from the format's rules
   alone, in plain strings, so that it shares no code with the parser. */

enum { LINE_LIMIT = 259, TEXT_LIMIT = 259, KEY_LIMIT = 15, MAX_FINISHED = 20000, MAX_KEYS = 16 };

struct ModelGame {
    std::string title, crc32, genre, publisher, comment;
    int32_t year = 0;
};

/* One text as read on its own: its finished games, and every crc32 value
   it sets, finished or not, for the keys to ask. */
struct ModelText {
    std::vector<ModelGame> games;
    std::vector<std::string> keys;
};

/* In the order a line is tested: the first one the line holds decides it. */
static const char *const kTags[][2] = {{"</games>", ""},        {"<title>", "</title>"},
                                       {"<genre>", "</genre>"}, {"<publisher>", "</publisher>"},
                                       {"<date>", "</date>"},   {"<comment>", "</comment>"},
                                       {"<crc32>", "</crc32>"}, {"</game>", ""}};
enum { END_OF_GAMES = 0, TITLE, GENRE, PUBLISHER, DATE, COMMENT, CRC32, END_OF_GAME, NO_TAG };

static std::string ShiftJis(const char *utf8) {
    iconv_t cd = iconv_open("CP932", "UTF-8");
    if (cd == (iconv_t)-1) abort();
    char out[64], *src = (char *)utf8, *dst = out;
    size_t srcLeft = strlen(utf8), dstLeft = sizeof out;
    if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) == (size_t)-1) abort();
    iconv_close(cd);
    return std::string(out, sizeof out - dstLeft);
}

/* The genre name for a code "0" to "10", matched whole; false for any other. */
static bool ModelGenre(const std::string &code, std::string *name) {
    static const char *const kNames[] = {"アクション", "アドベンチャー", "シミュレーション", "シューティング",
                                         "スポーツ", "対戦格闘", "テーブル", "パズル", "レース",
                                         "ロールプレイング", "その他"};
    static std::vector<std::string> names;
    if (names.empty())
        for (const char *utf8 : kNames) names.push_back(ShiftJis(utf8));
    for (size_t i = 0; i < names.size(); i++)
        if (code == std::to_string(i)) {
            *name = names[i];
            return true;
        }
    return false;
}

static int KindOf(const std::string &line) {
    for (int kind = END_OF_GAMES; kind < NO_TAG; kind++)
        if (line.find(kTags[kind][0]) != std::string::npos) return kind;
    return NO_TAG;
}

/* What a field line does to the game being filled. */
static void ApplyField(int kind, const std::string &line, ModelGame *game, ModelText *text) {
    size_t start = line.find(kTags[kind][0]) + strlen(kTags[kind][0]);
    size_t end = line.find(kTags[kind][1], start);
    if (end == std::string::npos) return; /* no closing tag: the line sets nothing */
    std::string value = line.substr(start, end - start);
    switch (kind) {
    case TITLE: game->title = value.substr(0, TEXT_LIMIT); break;
    case GENRE: ModelGenre(value, &game->genre); break; /* an unlisted code keeps the genre */
    case PUBLISHER: game->publisher = value.substr(0, TEXT_LIMIT); break;
    case DATE: game->year = (int32_t)strtol(value.substr(0, 4).c_str(), NULL, 10); break;
    case COMMENT: game->comment = value.substr(0, TEXT_LIMIT); break;
    case CRC32:
        game->crc32 = value.substr(0, KEY_LIMIT);
        text->keys.push_back(value);
        break;
    }
}

/* Line by line, each cut to the bytes that are examined; a game starts
   empty, and one without "</game>" runs on into the next. */
static ModelText ReadText(const std::string &text) {
    ModelText read;
    ModelGame game;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, std::min(end - start, (size_t)LINE_LIMIT));
        start = end + 1;
        int kind = KindOf(line);
        if (kind == END_OF_GAMES) break;
        if (kind == END_OF_GAME) {
            read.games.push_back(game);
            game = ModelGame();
            if (read.games.size() == MAX_FINISHED) break;
        } else if (kind != NO_TAG) {
            ApplyField(kind, line, &game, &read);
        }
    }
    return read;
}

/* The first game with the key, keys of 5 to 7 bytes padded with zeros to 8;
   a key too long for any crc32 finds nothing. */
static const ModelGame *FirstWithKey(const std::vector<ModelGame> &games, const std::string &key) {
    std::string padded = key.size() >= 5 && key.size() <= 7 ? std::string(8 - key.size(), '0') + key : key;
    for (const ModelGame &game : games)
        if (game.crc32 == padded) return &game;
    return NULL;
}

/* The driver. */

static void Fail(size_t text, const std::string &key, const char *what) {
    fprintf(stderr, "text %zu, key '%s': %s differs from the model\n", text + 1, key.c_str(), what);
    __builtin_trap();
}

/* The year and the four texts, each by the size call and the copy call. */
static void CheckAnswers(const std::string &text, size_t number, const std::string &key, const ModelGame *game) {
    const char *t = text.c_str(), *k = key.c_str();
    if (GetYear(t, k, 0) != (game != NULL ? game->year : NOT_FOUND)) Fail(number, key, "the year");
    const struct {
        PlinorTextQuery query;
        const char *name;
        const std::string *field; /* null: nothing is found */
    } asked[] = {{GetTitle, "the title", game != NULL ? &game->title : NULL},
                 {GetMaker, "the maker", game != NULL ? &game->publisher : NULL},
                 {GetGenre, "the genre", game != NULL ? &game->genre : NULL},
                 {GetMemo, "the memo", game != NULL ? &game->comment : NULL}};
    for (const auto &a : asked) {
        TwoCalls calls = TwoCallText(a.query, t, k);
        bool right = a.field == NULL ? calls.size == NOT_FOUND
                                     : calls.size == (int32_t)a.field->size() + 1 && calls.copied == calls.size &&
                                           calls.terminated && calls.text == *a.field;
        if (!right) Fail(number, key, a.name);
    }
}

/* The keys asked of every text: the empty key and each crc32 value any of
   the texts sets, as written, cut to what a key holds, and without its
   leading zeros (the short form a host may send). */
static std::vector<std::string> KeysToAsk(const std::vector<ModelText> &read) {
    std::vector<std::string> keys(1, "");
    for (const ModelText &text : read)
        for (const std::string &value : text.keys) {
            size_t zeros = value.find_first_not_of('0');
            for (const std::string &key : {value, value.substr(0, KEY_LIMIT),
                                           value.substr(zeros == std::string::npos ? 0 : zeros)})
                if (keys.size() < MAX_KEYS && std::find(keys.begin(), keys.end(), key) == keys.end())
                    keys.push_back(key);
        }
    return keys;
}

/* The input cut at its NUL bytes: up to four texts, and an input without
   a NUL sent twice. */
static std::vector<std::string> Texts(const uint8_t *data, size_t size) {
    std::vector<std::string> texts;
    const char *p = (const char *)data, *end = p + size;
    while (texts.size() < 4) {
        const char *nul = (const char *)memchr(p, '\0', (size_t)(end - p));
        texts.push_back(std::string(p, nul != NULL ? nul : end));
        if (nul == NULL) break;
        p = nul + 1;
    }
    if (texts.size() == 1) texts.push_back(texts[0]);
    return texts;
}

/* Texts in turn through one module life, nothing cleared between them: the
   first text that finishes a game is the table for the rest of the life. */
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FreshModule();
    std::vector<std::string> texts = Texts(data, size);
    std::vector<ModelText> read;
    for (const std::string &text : texts) read.push_back(ReadText(text));
    std::vector<std::string> keys = KeysToAsk(read);
    const std::vector<ModelGame> *table = NULL;
    for (size_t i = 0; i < texts.size(); i++) {
        if (table == NULL && !read[i].games.empty()) table = &read[i].games;
        for (const std::string &key : keys)
            CheckAnswers(texts[i], i, key, table != NULL ? FirstWithKey(*table, key) : NULL);
    }
    return 0;
}
