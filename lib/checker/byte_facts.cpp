/* Byte facts (whether a text is UTF-8, and a line's first byte that is not Shift_JIS, a piece at a time) */
#include "byte_facts.h"

#include <stdint.h>
#include <string.h>

#include <string>

#include "encodings.h"
#include "text.h"

/* The offset of the first byte of p[0, n) with its high bit set, or n. */
static size_t FirstHighByte(const unsigned char *p, size_t n) {
    size_t i = 0;
    for (uint64_t word; i + 8 <= n; i += 8) { /* ASCII goes by a word at a time */
        memcpy(&word, p + i, 8);
        if (word & 0x8080808080808080ull) break;
    }
    while (i < n && p[i] < 0x80) i++;
    return i;
}

void StartUtf8(Utf8Stream *s) {
    s->heldLength = 0;
    s->valid = true;
}

/* Completes a held character from the piece; returns the bytes it took. */
static size_t CompleteHeld(Utf8Stream *s, const unsigned char *p, size_t n) {
    size_t need = Utf8LeadLength(s->held[0]), taken = 0;
    while (s->heldLength < need && taken < n) s->held[s->heldLength++] = p[taken++];
    uint32_t cp;
    if (s->heldLength == need) {
        s->valid = Utf8Length(s->held, need, &cp) == need;
        s->heldLength = 0;
    }
    return taken;
}

void ReadUtf8(Utf8Stream *s, const unsigned char *p, size_t n) {
    size_t i = s->valid && s->heldLength > 0 ? CompleteHeld(s, p, n) : 0;
    while (s->valid && (i += FirstHighByte(p + i, n - i)) < n) {
        size_t need = Utf8LeadLength(p[i]);
        uint32_t cp;
        if (need != 0 && i + need > n) { /* the rest comes with the next piece */
            memcpy(s->held, p + i, n - i);
            s->heldLength = n - i;
            return;
        }
        s->valid = need != 0 && Utf8Length(p + i, need, &cp) == need;
        i += need;
    }
}

bool EndUtf8(const Utf8Stream *s) {
    return s->valid && s->heldLength == 0;
}

/* Which non-ASCII bytes and pairs code page 932 assigns, learnt once from
   the converter itself, so that a line is judged without converting it. */
struct ShiftJisTable {
    bool single[256];          /* a byte that is a character of its own */
    uint64_t pair[65536 / 64]; /* by lead << 8 | trail */
};

static bool Converts(const std::string &bytes) {
    ShiftJisFault fault;
    Utf8FromShiftJis(bytes, &fault);
    return fault.length == 0;
}

static ShiftJisTable BuildTable() {
    ShiftJisTable t;
    memset(&t, 0, sizeof t);
    for (unsigned c = 0; c < 256; c++) {
        unsigned char pair[2] = {(unsigned char)c, 0};
        t.single[c] = ShiftJisLength(pair, 1) == 1 && Converts(std::string(1, (char)c));
        for (unsigned trail = 0x40; trail < 256; trail++) {
            pair[1] = (unsigned char)trail;
            if (ShiftJisLength(pair, 2) == 2 && Converts(std::string((const char *)pair, 2)))
                t.pair[(c << 8 | trail) / 64] |= 1ull << ((c << 8 | trail) % 64);
        }
    }
    return t;
}

static const ShiftJisTable &Table() {
    static const ShiftJisTable table = BuildTable();
    return table;
}

void StartShiftJis(ShiftJisStream *s, size_t offset) {
    s->offset = offset;
    s->lead = -1;
    s->found = false;
}

static void Fault(ShiftJisStream *s, size_t at, const unsigned char *bytes, size_t length) {
    s->found = true;
    s->faultAt = at;
    s->faultLength = length;
    memcpy(s->faultBytes, bytes, length);
}

/* The pair at p, or the lead byte alone when its trail is not one. */
static bool PairFault(ShiftJisStream *s, size_t at, const unsigned char *p) {
    const ShiftJisTable &t = Table();
    if (ShiftJisLength(p, 2) != 2) Fault(s, at, p, 1);
    else if (!(t.pair[(p[0] << 8 | p[1]) / 64] >> ((p[0] << 8 | p[1]) % 64) & 1)) Fault(s, at, p, 2);
    return s->found;
}

void ReadShiftJis(ShiftJisStream *s, const unsigned char *p, size_t n) {
    size_t i = 0, start = s->offset;
    s->offset += n;
    if (s->found || n == 0) return;
    if (s->lead >= 0) {
        unsigned char pair[2] = {(unsigned char)s->lead, p[0]};
        s->lead = -1;
        if (PairFault(s, start - 1, pair)) return;
        i = 1;
    }
    const ShiftJisTable &t = Table();
    while ((i += FirstHighByte(p + i, n - i)) < n) {
        if (t.single[p[i]]) {
            i++;
        } else if (!IsShiftJisLead(p[i])) {
            Fault(s, start + i, p + i, 1);
            return;
        } else if (i + 1 == n) {
            s->lead = p[i];
            return;
        } else if (PairFault(s, start + i, p + i)) {
            return;
        } else {
            i += 2;
        }
    }
}

void EndShiftJis(ShiftJisStream *s) {
    if (s->lead < 0 || s->found) return;
    unsigned char lead = (unsigned char)s->lead;
    Fault(s, s->offset - 1, &lead, 1);
    s->lead = -1;
}
