/* The host's text and key end right before an unmapped page and lie in
   read-only memory: a read past the NUL or any write faults the test */
#include <string.h>
#include <sys/mman.h>
#include <unistd.h>

#include "plugin_test.h"

class GuardedText {
public:
    explicit GuardedText(const std::string &text) {
        size_t page = (size_t)sysconf(_SC_PAGESIZE), need = text.size() + 1;
        size_t readable = (need + page - 1) / page * page;
        size_ = readable + page;
        base_ = (char *)mmap(NULL, size_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        EXPECT_NE(base_, MAP_FAILED);
        text_ = base_ + readable - need;
        memcpy(text_, text.c_str(), need);
        EXPECT_EQ(mprotect(base_, readable, PROT_READ), 0);
        EXPECT_EQ(mprotect(base_ + readable, page, PROT_NONE), 0);
    }
    ~GuardedText() { munmap(base_, size_); }
    const char *c_str() const { return text_; }

private:
    char *base_, *text_;
    size_t size_;
};

static void AskAllFields(const char *catalogue, const char *key) {
    for (TextQuery q : {GetTitle, GetMaker, GetGenre, GetMemo}) Ask(q, catalogue, key);
    GetYear(catalogue, key, 0);
}

TEST_F(PluginTest, GuardedTextsAreReadOnlyUpToTheirEnd) {
    const std::string game = GameLines({"Edge", "00E06E00", "4", "Brink", "2010", "Last byte"});
    const std::string catalogues[] = {
        "<games>\n" + game + "</games>\n",
        "<games>\n" + game + "</games>",                 /* no final line feed */
        "<games>\n" + game,                              /* no end of games */
        "<games>\n" + game + "<title>Open",              /* ends inside a value */
        "<games>\n" + game + "<comment>x</comm",         /* ends inside a closing tag */
        "<games>\n" + game + std::string(400, 'L'),      /* ends inside a long line */
        "<games>\n" + game + "<crc32>" + std::string(40, 'C'), /* a long open key */
        "",
    };
    for (const std::string &text : catalogues) {
        ReleaseGameTable();
        CreateGameTable();
        GuardedText catalogue(text);
        for (size_t length = 0; length <= 20; length++) {
            GuardedText key(std::string("00E06E00CCCCCCCCCCCCC").substr(0, length));
            AskAllFields(catalogue.c_str(), key.c_str());
        }
        GuardedText hit("E06E00");
        EXPECT_EQ(Ask(GetTitle, catalogue.c_str(), hit.c_str()).text, text.empty() ? "" : "Edge");
    }
}
