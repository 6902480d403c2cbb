/* Keys files (the keys a text file lists, whatever editor saved it, read in pieces) */
#include "keys_file.h"

#include <algorithm>

#include "encodings.h"
#include "text.h"

static const char kUndecodable = '\xFF'; /* never part of UTF-8: marks a unit UTF-16 cannot decode */

static bool Blank(char c) {
    return c == ' ' || c == '\t';
}

static void EndLine(KeysReader *r, std::vector<KeyLine> *keys) {
    const std::string &text = r->text;
    size_t first = 0, last = text.size();
    while (first < last && Blank(text[first])) first++;
    while (last > first && Blank(text[last - 1])) last--;
    size_t line = r->line++;
    bool decoded = r->encoding != KEYS_BYTES;
    if (first < last && text[first] != '#') { /* blank lines and comments are skipped */
        KeyLine k;
        k.line = line;
        k.key.assign(text, first, last - first);
        k.fault = r->longLine                             ? "is too long to hold a key"
                : k.key.find('\0') != std::string::npos   ? "holds a NUL byte"
                : decoded && !IsValidUtf8(k.key)          ? "holds bytes that do not decode"
                                                          : NULL;
        keys->push_back(k);
    }
    r->text.clear();
    r->longLine = false;
}

/* One character of the text, line ends told apart. */
static void Take(KeysReader *r, char c, std::vector<KeyLine> *keys) {
    bool lf = c == '\n', cr = c == '\r';
    if (lf && r->afterCr) {
        r->afterCr = false;
        return;
    }
    r->afterCr = cr;
    if (lf || cr) EndLine(r, keys);
    else if (r->text.size() < MAX_KEY_LINE) r->text += c;
    else r->longLine = true;
}

static void TakeCodePoint(KeysReader *r, uint32_t cp, std::vector<KeyLine> *keys) {
    if (cp < 0x80) {
        Take(r, (char)cp, keys);
        return;
    }
    std::string encoded;
    AppendUtf8(cp, &encoded);
    for (char c : encoded) Take(r, c, keys);
}

/* A UTF-16 unit; a lone surrogate is marked undecodable, so that its line is refused. */
static void TakeUnit(KeysReader *r, uint32_t u, std::vector<KeyLine> *keys) {
    if (r->high != 0) {
        uint32_t high = r->high;
        r->high = 0;
        if (u >= 0xDC00 && u <= 0xDFFF) {
            TakeCodePoint(r, 0x10000 + ((high - 0xD800) << 10) + (u - 0xDC00), keys);
            return;
        }
        Take(r, kUndecodable, keys);
    }
    if (u >= 0xD800 && u <= 0xDBFF) r->high = u;
    else if (u >= 0xDC00 && u <= 0xDFFF) Take(r, kUndecodable, keys);
    else TakeCodePoint(r, u, keys);
}

static void TakeBytes(KeysReader *r, const char *bytes, size_t length, std::vector<KeyLine> *keys) {
    const unsigned char *b = (const unsigned char *)bytes;
    if (r->encoding == KEYS_UTF16_LE || r->encoding == KEYS_UTF16_BE) {
        bool big = r->encoding == KEYS_UTF16_BE;
        for (size_t i = 0; i < length; i++) {
            if (r->odd < 0) {
                r->odd = b[i];
                continue;
            }
            uint32_t first = (uint32_t)r->odd, second = b[i];
            r->odd = -1;
            TakeUnit(r, big ? first << 8 | second : second << 8 | first, keys);
        }
        return;
    }
    for (size_t i = 0; i < length; i++) Take(r, bytes[i], keys);
}

/* The encoding, from the first three bytes (or fewer, at the end). */
static void Decide(KeysReader *r, std::vector<KeyLine> *keys) {
    const std::string &h = r->head;
    size_t mark = 0;
    if (h.compare(0, 3, "\xEF\xBB\xBF") == 0) r->encoding = KEYS_UTF8_MARKED, mark = 3;
    else if (h.compare(0, 2, "\xFF\xFE") == 0) r->encoding = KEYS_UTF16_LE, mark = 2;
    else if (h.compare(0, 2, "\xFE\xFF") == 0) r->encoding = KEYS_UTF16_BE, mark = 2;
    else r->encoding = KEYS_BYTES;
    std::string rest = h.substr(mark);
    r->head.clear();
    TakeBytes(r, rest.data(), rest.size(), keys);
}

void ReadKeys(KeysReader *r, const char *bytes, size_t length, std::vector<KeyLine> *keys) {
    if (r->encoding == KEYS_UNDECIDED) {
        size_t taken = std::min(length, 3 - r->head.size());
        r->head.append(bytes, taken);
        bytes += taken;
        length -= taken;
        if (r->head.size() < 3) return;
        Decide(r, keys);
    }
    TakeBytes(r, bytes, length, keys);
}

void EndKeys(KeysReader *r, std::vector<KeyLine> *keys) {
    if (r->encoding == KEYS_UNDECIDED) Decide(r, keys);
    if (r->high != 0) {
        r->high = 0;
        Take(r, kUndecodable, keys);
    }
    if (r->odd >= 0) {
        r->odd = -1;
        Take(r, kUndecodable, keys);
    }
    if (!r->text.empty() || r->longLine) EndLine(r, keys);
}

std::vector<KeyLine> KeysOf(const std::string &bytes) {
    KeysReader reader;
    std::vector<KeyLine> keys;
    ReadKeys(&reader, bytes.data(), bytes.size(), &keys);
    EndKeys(&reader, &keys);
    return keys;
}
