/* Terminal text (the plug-in's Shift_JIS shown as UTF-8, and its width) */
#include "text.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <errno.h>
#include <iconv.h>
#endif

static const char kReplacement[] = "\xEF\xBF\xBD"; /* U+FFFD */

#ifdef _WIN32
/* Converts one run at a time, so a bad byte costs only itself. */
std::string Utf8FromShiftJis(const std::string &sjis) {
    std::string out;
    size_t at = 0;
    while (at < sjis.size()) {
        size_t take = (unsigned char)sjis[at] >= 0x80 && at + 1 < sjis.size() ? 2 : 1;
        if (take == 2 && !IsDBCSLeadByteEx(932, (BYTE)sjis[at])) take = 1;
        wchar_t wide[2];
        char utf8[8];
        int w = MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, sjis.data() + at, (int)take, wide, 2);
        int n = w > 0 ? WideCharToMultiByte(CP_UTF8, 0, wide, w, utf8, sizeof utf8, NULL, NULL) : 0;
        if (n > 0) out.append(utf8, (size_t)n);
        else out += kReplacement;
        at += take;
    }
    return out;
}
#else
std::string Utf8FromShiftJis(const std::string &sjis) {
    iconv_t cd = iconv_open("UTF-8", "CP932");
    if (cd == (iconv_t)-1) return sjis;
    std::string out;
    char buffer[1024];
    char *in = const_cast<char *>(sjis.data());
    size_t inLeft = sjis.size();
    while (inLeft > 0) {
        char *dst = buffer;
        size_t dstLeft = sizeof buffer;
        size_t r = iconv(cd, &in, &inLeft, &dst, &dstLeft);
        out.append(buffer, sizeof buffer - dstLeft);
        if (r == (size_t)-1 && errno != E2BIG) { /* a bad or cut-off byte */
            out += kReplacement;
            in++;
            inLeft--;
        }
    }
    iconv_close(cd);
    return out;
}
#endif

static bool IsWide(unsigned long cp) {
    return (cp >= 0x1100 && cp <= 0x115F) || (cp >= 0x2E80 && cp <= 0xA4CF) ||
           (cp >= 0xAC00 && cp <= 0xD7A3) || (cp >= 0xF900 && cp <= 0xFAFF) ||
           (cp >= 0xFE30 && cp <= 0xFE4F) || (cp >= 0xFF00 && cp <= 0xFF60) ||
           (cp >= 0xFFE0 && cp <= 0xFFE6) || (cp >= 0x20000 && cp <= 0x3FFFD);
}

size_t DisplayWidth(const std::string &utf8) {
    size_t width = 0;
    for (size_t i = 0; i < utf8.size();) {
        unsigned char c = (unsigned char)utf8[i];
        size_t length = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        unsigned long cp = length == 1 ? c : c & (0x7F >> length);
        for (size_t k = 1; k < length && i + k < utf8.size(); k++)
            cp = (cp << 6) | ((unsigned char)utf8[i + k] & 0x3F);
        width += IsWide(cp) ? 2 : 1;
        i += length;
    }
    return width;
}
