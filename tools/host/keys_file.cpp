/* Keys files (the keys a text file lists, whatever editor saved it, read in pieces) */
#include "keys_file.h"

#include <algorithm>

#include "encodings.h"
#include "text.h"

static const char kUndecodable = '\xFF'; /* never part of UTF-8: marks a unit UTF-16 cannot decode */
static const size_t kHeadBytes = 4;      /* enough for any mark, or two UTF-16 units without one */

static bool Blank(char c) {
    return c == ' ' || c == '\t';
}

static void EndLine(KeysReader *r) {
    const std::string &text = r->text;
    size_t first = 0, last = text.size();
    while (first < last && Blank(text[first])) first++;
    while (last > first && Blank(text[last - 1])) last--;
    size_t line = r->line++;
    bool decoded = r->encoding != KEYS_BYTES;
    if (first < last && text[first] != '#') { /* blank lines and comments are skipped */
        KeyLine &k = r->current;
        k.line = line;
        k.key.assign(text, first, last - first);
        k.fault = r->longLine                             ? KEY_TOO_LONG
                : k.key.find('\0') != std::string::npos   ? KEY_NUL_BYTE
                : decoded && !IsValidUtf8(k.key)          ? KEY_UNDECODABLE
                                                          : KEY_FINE;
        r->stopped = r->stopped || !r->take(r->context, k);
    }
    r->text.clear();
    r->longLine = false;
}

/* One character of the text, line ends told apart. */
static void Take(KeysReader *r, char c) {
    bool lf = c == '\n', cr = c == '\r';
    if (lf && r->afterCr) {
        r->afterCr = false;
        return;
    }
    r->afterCr = cr;
    if (lf || cr) EndLine(r);
    else if (r->text.size() < MAX_KEY_LINE) r->text += c;
    else r->longLine = true;
}

static void TakeCodePoint(KeysReader *r, uint32_t cp) {
    if (cp < 0x80) {
        Take(r, (char)cp);
        return;
    }
    std::string encoded;
    AppendUtf8(cp, &encoded);
    for (char c : encoded) Take(r, c);
}

/* A UTF-16 unit; a lone surrogate is marked undecodable, so that its line is refused. */
static void TakeUnit(KeysReader *r, uint32_t u) {
    if (r->high != 0) {
        uint32_t high = r->high;
        r->high = 0;
        if (u >= 0xDC00 && u <= 0xDFFF) {
            TakeCodePoint(r, 0x10000 + ((high - 0xD800) << 10) + (u - 0xDC00));
            return;
        }
        Take(r, kUndecodable);
    }
    if (u >= 0xD800 && u <= 0xDBFF) r->high = u;
    else if (u >= 0xDC00 && u <= 0xDFFF) Take(r, kUndecodable);
    else TakeCodePoint(r, u);
}

/* Bytes that end no line, taken at once. */
static void TakeRun(KeysReader *r, const char *run, size_t length) {
    if (length == 0) return;
    r->afterCr = false;
    size_t room = MAX_KEY_LINE - std::min(r->text.size(), (size_t)MAX_KEY_LINE);
    r->text.append(run, std::min(length, room));
    if (length > room) r->longLine = true;
}

static void TakeBytes(KeysReader *r, const char *bytes, size_t length) {
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
            TakeUnit(r, big ? first << 8 | second : second << 8 | first);
        }
        return;
    }
    for (size_t i = 0; i < length;) {
        size_t end = i;
        while (end < length && bytes[end] != '\n' && bytes[end] != '\r') end++;
        TakeRun(r, bytes + i, end - i);
        if (end < length) Take(r, bytes[end]);
        i = end + 1;
    }
}

/* UTF-16 saved without a mark, known by NUL bytes between its first
   characters (which a keys file's own bytes never hold). */
static KeysEncoding Unmarked(const std::string &head) {
    bool little = head.size() >= 2, big = little;
    for (size_t i = 0; i + 1 < head.size(); i += 2) {
        little = little && head[i] != 0 && head[i + 1] == 0;
        big = big && head[i] == 0 && head[i + 1] != 0;
    }
    return little ? KEYS_UTF16_LE : big ? KEYS_UTF16_BE : KEYS_BYTES;
}

/* The encoding, from the first kHeadBytes bytes (or fewer, at the end). */
static void Decide(KeysReader *r) {
    const std::string &h = r->head;
    size_t mark = 0;
    if (h.compare(0, 3, "\xEF\xBB\xBF") == 0) r->encoding = KEYS_UTF8_MARKED, mark = 3;
    else if (h.compare(0, 2, "\xFF\xFE") == 0) r->encoding = KEYS_UTF16_LE, mark = 2;
    else if (h.compare(0, 2, "\xFE\xFF") == 0) r->encoding = KEYS_UTF16_BE, mark = 2;
    else r->encoding = Unmarked(h);
    std::string rest = h.substr(mark);
    r->head.clear();
    TakeBytes(r, rest.data(), rest.size());
}

void StartKeys(KeysReader *r, TakeKey take, void *context) {
    *r = KeysReader();
    r->take = take;
    r->context = context;
}

bool ReadKeys(KeysReader *r, const char *bytes, size_t length) {
    if (r->encoding == KEYS_UNDECIDED) {
        size_t taken = std::min(length, kHeadBytes - r->head.size());
        r->head.append(bytes, taken);
        bytes += taken;
        length -= taken;
        if (r->head.size() < kHeadBytes) return !r->stopped;
        Decide(r);
    }
    TakeBytes(r, bytes, length);
    return !r->stopped;
}

bool EndKeys(KeysReader *r) {
    if (r->encoding == KEYS_UNDECIDED) Decide(r);
    if (r->high != 0) {
        r->high = 0;
        Take(r, kUndecodable);
    }
    if (r->odd >= 0) {
        r->odd = -1;
        Take(r, kUndecodable);
    }
    if (!r->text.empty() || r->longLine) EndLine(r);
    return !r->stopped;
}

static bool Collect(void *keys, const KeyLine &line) {
    ((std::vector<KeyLine> *)keys)->push_back(line);
    return true;
}

std::vector<KeyLine> KeysOf(const std::string &bytes) {
    std::vector<KeyLine> keys;
    KeysReader reader;
    StartKeys(&reader, Collect, &keys);
    ReadKeys(&reader, bytes.data(), bytes.size());
    EndKeys(&reader);
    return keys;
}
