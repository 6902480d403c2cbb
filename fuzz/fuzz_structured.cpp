/* Fuzz target: catalogues built from the format's own tags with mutated
   values, lengths and line ends, so that inputs reach deep into the parser */
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "fuzz_queries.h"
#include "lines.h"

struct Reader {
    const uint8_t *data;
    size_t size, at;
    uint8_t Byte() { return at < size ? data[at++] : 0; }
    std::string Bytes(size_t n) {
        if (n > size - at) n = size - at;
        std::string s((const char *)data + at, n);
        at += n;
        return s;
    }
};

static const char *const kGenres[] = {"0", "1", "2", "3", "4", "5", "6", "7", "8",
                                      "9", "10", "11", "01", " 1", ""};

/* One line: the op byte picks its kind and its shape (line end, indentation,
   a missing closing tag, a value longer than a line may be). */
static std::string Line(Reader &in, std::vector<std::string> &keys) {
    uint8_t op = in.Byte();
    unsigned kind = op % 10, shape = op / 10;
    std::string indent = (shape & 1) ? "    " : "";
    std::string eol = (shape & 2) ? "\r\n" : "\n";
    if (kind >= 6) {
        static const char *const kOther[] = {lineTags[LINE_END_OF_GAME].opening, GAME_OPENING_TAG,
                                             lineTags[LINE_END_OF_GAMES].opening, "<!-- note -->"};
        return indent + kOther[kind - 6] + eol;
    }
    size_t length = in.Byte();
    if (shape & 4) length *= 2; /* past the line limit */
    std::string value = kind == 1 ? kGenres[length % 15] : in.Bytes(length);
    value.erase(std::remove(value.begin(), value.end(), '\n'), value.end());
    value.erase(std::remove(value.begin(), value.end(), '\0'), value.end());
    if (kind == 5 && keys.size() < 8 && std::find(keys.begin(), keys.end(), value) == keys.end())
        keys.push_back(value);
    const LineTag &tag = lineTags[LINE_TITLE + kind]; /* kinds 0 to 5: title to crc32 */
    return indent + tag.opening + value + ((shape & 8) ? "" : tag.closing) + eol;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FreshModule();
    Reader in = {data, size, 0};
    std::vector<std::string> keys;
    std::string text = "<games>\n";
    while (in.at < in.size) text += Line(in, keys);
    if (size % 3 == 0 && !text.empty()) text.pop_back(); /* no final line feed */
    char *catalogue = TerminatedCopy((const uint8_t *)text.data(), text.size());
    AskEverything(catalogue, "");
    for (const std::string &key : keys) { /* each form once: a repeat would check nothing new */
        AskEverything(catalogue, key.c_str());
        if (key.size() > 15) AskEverything(catalogue, key.substr(0, 15).c_str());
        size_t zeros = key.find_first_not_of('0'); /* the short form a host may send */
        if (zeros != std::string::npos && zeros != 0) AskEverything(catalogue, key.c_str() + zeros);
    }
    free(catalogue);
    return 0;
}
