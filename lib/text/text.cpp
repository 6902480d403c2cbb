/* Text for people (the plug-in's Shift_JIS as UTF-8, and any bytes shown safely) */
#include "text.h"

#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "encodings.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

static const char kReplacement[] = "\xEF\xBF\xBD"; /* U+FFFD */

/* Converts well-formed Shift_JIS characters with the platform's code page
   932; false when it leaves one of them unassigned. */
#ifdef _WIN32
static bool ConvertCharacters(const char *sjis, size_t length, std::string *utf8) {
    std::wstring wide(length, L'\0');
    int w = MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, sjis, (int)length, &wide[0], (int)length);
    if (w <= 0) return false;
    int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), w, NULL, 0, NULL, NULL);
    size_t at = utf8->size();
    utf8->resize(at + (size_t)n);
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), w, &(*utf8)[at], n, NULL, NULL);
    return true;
}
#else
/* One converter for the process, opened once; the checker's thread and
   the main one never convert at the same time. */
static bool ConvertCharacters(const char *sjis, size_t length, std::string *utf8) {
    static const iconv_t cd = iconv_open("UTF-8", "CP932");
    if (cd == (iconv_t)-1) return false;
    iconv(cd, NULL, NULL, NULL, NULL);
    std::string out(length * 3, '\0'); /* one Shift_JIS byte gives at most three UTF-8 */
    char *in = const_cast<char *>(sjis), *dst = &out[0];
    size_t inLeft = length, outLeft = out.size();
    if (iconv(cd, &in, &inLeft, &dst, &outLeft) == (size_t)-1) return false;
    utf8->append(out.data(), out.size() - outLeft);
    return true;
}
#endif

std::string Utf8FromShiftJis(const std::string &sjis, ShiftJisFault *first) {
    const unsigned char *p = (const unsigned char *)sjis.data();
    std::string out;
    size_t i = 0;
    if (first != NULL) *first = {sjis.size(), 0};
    auto replace = [&](size_t at, size_t length) {
        out += kReplacement;
        if (first != NULL && first->length == 0) *first = {at, length};
    };
    while (i < sjis.size()) {
        if (p[i] < 0x80) { /* ASCII reads the same: a run of it taken at once */
            size_t start = i;
            while (i < sjis.size() && p[i] < 0x80) i++;
            out.append(sjis, start, i - start);
            continue;
        }
        size_t run = i; /* a run of whole non-ASCII characters, converted at once */
        for (size_t n; run < sjis.size() && p[run] >= 0x80 && (n = ShiftJisLength(p + run, sjis.size() - run)) != 0;)
            run += n;
        if (run == i) {
            replace(i++, 1);
            continue;
        }
        if (!ConvertCharacters(sjis.data() + i, run - i, &out)) {
            for (size_t n; i < run; i += n) { /* one at a time, to find the unassigned */
                n = ShiftJisLength(p + i, run - i);
                if (!ConvertCharacters(sjis.data() + i, n, &out)) replace(i, n);
            }
        }
        i = run;
    }
    return out;
}

std::string AsciiLower(std::string text) {
    for (char &c : text) c = c >= 'A' && c <= 'Z' ? (char)(c - 'A' + 'a') : c;
    return text;
}

std::string HexBytes(const std::string &bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

/* Characters that move the cursor, ring, or reorder what follows. */
static bool IsControl(uint32_t cp) {
    return cp < 0x20 || (cp >= 0x7F && cp <= 0x9F) || cp == 0x200E || cp == 0x200F ||
           (cp >= 0x2028 && cp <= 0x202E) || (cp >= 0x2066 && cp <= 0x2069);
}

static std::string Escape(uint32_t cp) {
    char text[12];
    if (cp == '\t') return "\\t";
    if (cp == '\n') return "\\n";
    if (cp == '\r') return "\\r";
    snprintf(text, sizeof text, cp < 0x100 ? "\\x%02x" : "\\u%04x", (unsigned)cp);
    return text;
}

/* Each well-formed character kept, or escaped if it is a control, and each
   other byte escaped or replaced. */
static std::string Rewrite(const std::string &text, bool forTerminal) {
    const unsigned char *p = (const unsigned char *)text.data();
    std::string out;
    uint32_t cp;
    for (size_t i = 0, n; i < text.size(); i += n ? n : 1) {
        n = Utf8Length(p + i, text.size() - i, &cp);
        if (n == 0) out += forTerminal ? Escape(p[i]) : kReplacement;
        else if (forTerminal && IsControl(cp)) out += Escape(cp);
        else out.append(text, i, n);
    }
    return out;
}

std::string ValidUtf8(const std::string &text) {
    return Rewrite(text, false);
}

bool IsValidUtf8(const std::string &text) {
    const unsigned char *p = (const unsigned char *)text.data();
    uint32_t cp;
    for (size_t i = 0, n; i < text.size(); i += n)
        if ((n = p[i] < 0x80 ? 1 : Utf8Length(p + i, text.size() - i, &cp)) == 0) return false;
    return true;
}

bool IsPlainAscii(const std::string &text) {
    const unsigned char *p = (const unsigned char *)text.data();
    size_t i = 0;
    for (uint64_t w; i + 8 <= text.size(); i += 8) { /* eight bytes a step: a byte under 0x20 or over 0x7E */
        memcpy(&w, p + i, 8);
        uint64_t high = (w | (w + 0x0101010101010101ull)) & 0x8080808080808080ull;
        uint64_t low = (w - 0x2020202020202020ull) & ~w & 0x8080808080808080ull;
        if ((high | low) != 0) return false;
    }
    for (; i < text.size(); i++)
        if (p[i] < 0x20 || p[i] > 0x7E) return false;
    return true;
}

std::string Visible(const std::string &text) {
    return IsPlainAscii(text) ? text : Rewrite(text, true);
}

size_t VisibleWidth(const std::string &text) {
    return IsPlainAscii(text) ? text.size() : DisplayWidth(Rewrite(text, true));
}

static bool IsWide(uint32_t cp) {
    return (cp >= 0x1100 && cp <= 0x115F) || (cp >= 0x2E80 && cp <= 0xA4CF) ||
           (cp >= 0xAC00 && cp <= 0xD7A3) || (cp >= 0xF900 && cp <= 0xFAFF) ||
           (cp >= 0xFE30 && cp <= 0xFE4F) || (cp >= 0xFF00 && cp <= 0xFF60) ||
           (cp >= 0xFFE0 && cp <= 0xFFE6) || (cp >= 0x20000 && cp <= 0x3FFFD);
}

size_t DisplayWidth(const std::string &utf8) {
    const unsigned char *p = (const unsigned char *)utf8.data();
    size_t width = 0;
    uint32_t cp;
    for (size_t i = 0, n; i < utf8.size(); i += n ? n : 1) {
        n = Utf8Length(p + i, utf8.size() - i, &cp);
        width += n != 0 && IsWide(cp) ? 2 : 1;
    }
    return width;
}

std::string CutToWidth(const std::string &utf8, size_t width) {
    if (DisplayWidth(utf8) <= width) return utf8;
    static const char kMore[] = "..."; /* ASCII: one column a dot on every console */
    size_t room = width >= 3 ? width - 3 : 0, used = 0, at = 0;
    const unsigned char *p = (const unsigned char *)utf8.data();
    uint32_t cp;
    while (at < utf8.size()) {
        size_t n = Utf8Length(p + at, utf8.size() - at, &cp), w = n != 0 && IsWide(cp) ? 2 : 1;
        if (used + w > room) break;
        used += w;
        at += n != 0 ? n : 1;
    }
    return utf8.substr(0, at) + std::string(kMore, width >= 3 ? 3 : width);
}

