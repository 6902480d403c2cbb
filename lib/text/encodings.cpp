/* Encodings (the byte rules of Shift_JIS and UTF-8, as catalogues and names meet them) */
#include "encodings.h"

size_t ShiftJisLength(const unsigned char *p, size_t left) {
    if (left == 0) return 0;
    unsigned char c = p[0];
    if (c < 0x80 || (c >= 0xA1 && c <= 0xDF)) return 1;
    bool trail = left >= 2 && p[1] >= 0x40 && p[1] <= 0xFC && p[1] != 0x7F;
    return IsShiftJisLead(c) && trail ? 2 : 0;
}

size_t Utf8Length(const unsigned char *p, size_t left, uint32_t *codePoint) {
    if (left == 0) return 0;
    unsigned char c = p[0];
    size_t length = Utf8LeadLength(c);
    if (length == 0 || length > left) return 0;
    uint32_t cp = length == 1 ? c : c & (0x7Fu >> length);
    for (size_t i = 1; i < length; i++) {
        if ((p[i] & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (p[i] & 0x3Fu);
    }
    static const uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < least[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    *codePoint = cp;
    return length;
}

void AppendUtf8(uint32_t cp, std::string *out) {
    if (cp < 0x80) {
        *out += (char)cp;
        return;
    }
    static const unsigned char lead[] = {0, 0xC0, 0xE0, 0xF0}; /* by the bytes that follow it */
    int trail = cp < 0x800 ? 1 : cp < 0x10000 ? 2 : 3;
    *out += (char)(lead[trail] | cp >> (6 * trail));
    for (int i = trail - 1; i >= 0; i--) *out += (char)(0x80 | (cp >> (6 * i) & 0x3F));
}
