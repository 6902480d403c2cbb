/* Test helpers: a fresh module life per test, the two-call protocol, catalogues */
#include "plugin_test.h"

#include <iconv.h>
#include <string.h>

char **PoisonedOut(void) {
    return reinterpret_cast<char **>(uintptr_t(0x10));
}

static Answer CopyAfterSize(int32_t size, int32_t (*copy)(char **out, void *ctx), void *ctx) {
    Answer answer = {size, ""};
    if (size < 1) return answer;
    std::vector<char> buffer((size_t)size, '\x7f'); /* exact size: an overrun is caught */
    char *data = buffer.data();
    EXPECT_EQ(copy(&data, ctx), size) << "copy call and size call disagree";
    EXPECT_EQ(buffer[(size_t)size - 1], '\0');
    answer.text.assign(buffer.data(), (size_t)size - 1);
    EXPECT_EQ(strlen(buffer.data()), (size_t)size - 1) << "NUL inside the answer";
    return answer;
}

struct QueryCall {
    TextQuery query;
    const char *catalogue, *key;
};

Answer Ask(TextQuery query, const char *catalogue, const char *key) {
    QueryCall call = {query, catalogue, key};
    int32_t size = query(catalogue, key, 0, PoisonedOut(), 0);
    return CopyAfterSize(size, [](char **out, void *ctx) {
        QueryCall *c = static_cast<QueryCall *>(ctx);
        return c->query(c->catalogue, c->key, 0, out, 1);
    }, &call);
}

Answer AskIdentity(IdentityText query) {
    int32_t size = query(PoisonedOut(), 0);
    return CopyAfterSize(size, [](char **out, void *ctx) {
        return reinterpret_cast<IdentityText>(ctx)(out, 1);
    }, reinterpret_cast<void *>(query));
}

std::string Sjis(const char *utf8) {
    iconv_t cd = iconv_open("CP932", "UTF-8");
    EXPECT_NE(cd, (iconv_t)-1) << "iconv lacks CP932";
    if (cd == (iconv_t)-1) return "";
    std::string in(utf8);
    std::vector<char> out(in.size() * 2 + 1);
    char *src = &in[0], *dst = out.data();
    size_t srcLeft = in.size(), dstLeft = out.size();
    EXPECT_NE(iconv(cd, &src, &srcLeft, &dst, &dstLeft), (size_t)-1);
    iconv_close(cd);
    return std::string(out.data(), out.size() - dstLeft);
}

std::string GameLines(const Game &g, const char *eol) {
    std::string e(eol);
    return "  <game>" + e + "    <title>" + g.title + "</title>" + e + "    <genre>" + g.genre +
           "</genre>" + e + "    <publisher>" + g.publisher + "</publisher>" + e + "    <date>" +
           g.date + "</date>" + e + "    <comment>" + g.comment + "</comment>" + e +
           "    <crc32>" + g.crc32 + "</crc32>" + e + "  </game>" + e;
}

std::string Catalogue(const std::vector<Game> &games, const char *eol) {
    std::string text = std::string("<?xml version=\"1.0\"?>") + eol + "<games>" + eol;
    for (const Game &g : games) text += GameLines(g, eol);
    return text + "</games>" + eol;
}
