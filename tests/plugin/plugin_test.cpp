/* Test helpers: a fresh module life per test, the two-call protocol, catalogues */
#include "plugin_test.h"

#include <iconv.h>
#include <string.h>

#include "two_calls.h"

char **PoisonedOut(void) {
    return reinterpret_cast<char **>(uintptr_t(0x10));
}

/* A copy call that answers otherwise than the size call, or copies other
   than the size says, fails the test. */
static Answer Judge(const TwoCalls &calls) {
    if (calls.size >= 1) {
        EXPECT_EQ(calls.copied, calls.size) << "copy call and size call disagree";
        EXPECT_TRUE(calls.terminated) << "the copy is not terminated where the size says";
    }
    return {calls.size, calls.text};
}

Answer Ask(TextQuery query, const char *catalogue, const char *key) {
    return Judge(TwoCallText(query, catalogue, key, PoisonedOut()));
}

Answer AskIdentity(IdentityText query) {
    return Judge(TwoCallIdentity(query, PoisonedOut()));
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
