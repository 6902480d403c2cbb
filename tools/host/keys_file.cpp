/* Keys files (the keys a text file lists, whatever editor saved it) */
#include "keys_file.h"

#include <stdint.h>

#include "encodings.h"
#include "text.h"

enum KeysEncoding { BYTES_AS_THEY_ARE, UTF8_MARKED, UTF16_LE, UTF16_BE };

static const char kUndecodable = '\xFF'; /* never part of UTF-8: marks a unit UTF-16 cannot decode */

/* UTF-16 after its mark, as UTF-8; a lone surrogate or an odd last byte
   becomes kUndecodable, so that its line is refused. */
static std::string FromUtf16(const std::string &bytes, bool bigEndian) {
    const unsigned char *b = (const unsigned char *)bytes.data();
    size_t units = bytes.size() / 2;
    auto unit = [&](size_t i) -> uint32_t {
        return bigEndian ? (uint32_t)(b[2 * i] << 8 | b[2 * i + 1]) : (uint32_t)(b[2 * i + 1] << 8 | b[2 * i]);
    };
    std::string out;
    for (size_t i = 1; i < units; i++) { /* unit 0 is the mark */
        uint32_t u = unit(i);
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units && unit(i + 1) >= 0xDC00 && unit(i + 1) <= 0xDFFF) {
            AppendUtf8(0x10000 + ((u - 0xD800) << 10) + (unit(++i) - 0xDC00), &out);
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            out += kUndecodable;
        } else {
            AppendUtf8(u, &out);
        }
    }
    if (bytes.size() % 2 != 0) out += kUndecodable;
    return out;
}

static KeysEncoding EncodingOf(const std::string &bytes) {
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) return UTF8_MARKED;
    if (bytes.compare(0, 2, "\xFF\xFE") == 0) return UTF16_LE;
    if (bytes.compare(0, 2, "\xFE\xFF") == 0) return UTF16_BE;
    return BYTES_AS_THEY_ARE;
}

static bool Blank(char c) {
    return c == ' ' || c == '\t';
}

static void TakeLine(const std::string &text, size_t line, bool decoded, std::vector<KeyLine> *keys) {
    size_t first = 0, last = text.size();
    while (first < last && Blank(text[first])) first++;
    while (last > first && Blank(text[last - 1])) last--;
    std::string key = text.substr(first, last - first);
    if (key.empty() || key[0] == '#') return;
    const char *fault = key.find('\0') != std::string::npos ? "holds a NUL byte"
                      : decoded && !IsValidUtf8(key)     ? "holds bytes that do not decode"
                                                          : NULL;
    keys->push_back({line, key, fault});
}

std::vector<KeyLine> KeysOf(const std::string &bytes) {
    KeysEncoding encoding = EncodingOf(bytes);
    std::string text = encoding == UTF16_LE   ? FromUtf16(bytes, false)
                     : encoding == UTF16_BE   ? FromUtf16(bytes, true)
                     : encoding == UTF8_MARKED ? bytes.substr(3)
                                               : bytes;
    std::vector<KeyLine> keys;
    size_t line = 1, start = 0;
    for (size_t i = 0; i <= text.size(); i++) {
        if (i < text.size() && text[i] != '\n' && text[i] != '\r') continue;
        TakeLine(text.substr(start, i - start), line++, encoding != BYTES_AS_THEY_ARE, &keys);
        if (i + 1 < text.size() && text[i] == '\r' && text[i + 1] == '\n') i++;
        start = i + 1;
    }
    return keys;
}
