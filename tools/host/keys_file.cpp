/* Keys files (the keys a text file or a table lists, whatever program saved it, read in pieces) */
#include "keys_file.h"

#include <ctype.h>

#include <algorithm>
#include <utility>

#include "encodings.h"
#include "text.h"

static const char kUndecodable = '\xFF'; /* never part of UTF-8: marks a unit UTF-16 cannot decode */
static const size_t kHeadBytes = 4;      /* enough for any mark, or two UTF-16 units without one */

/* What each byte is to a keys file's line: a digit, a byte that ends a
   plain line's run (line ends, quotes, separators), or neither. */
enum { BYTE_HEX = 1, BYTE_STOPS = 2 };
static const struct ByteKinds {
    unsigned char kind[256];
    ByteKinds() : kind() {
        for (const char *c = "0123456789ABCDEFabcdef"; *c; c++) kind[(unsigned char)*c] |= BYTE_HEX;
        for (const char *c = "\n\r\"\t;,"; *c; c++) kind[(unsigned char)*c] |= BYTE_STOPS;
    }
} kBytes;

bool IsHexadecimal(const std::string &key) {
    for (unsigned char c : key)
        if (!(kBytes.kind[c] & BYTE_HEX)) return false;
    return !key.empty();
}

static bool Blank(char c) {
    return c == ' ' || c == '\t' || c == '\n'; /* LF only inside a quoted field */
}

static std::string Trimmed(const std::string &text) {
    size_t first = 0, last = text.size();
    while (first < last && Blank(text[first])) first++;
    while (last > first && Blank(text[last - 1])) last--;
    return text.substr(first, last - first);
}

/* --- Rows and fields ---------------------------------------------------- */

enum CharRole { CHAR_KEPT, CHAR_DROPPED, CHAR_SEPARATOR };

/* What a character is to its field, quotes as a spreadsheet writes them:
   a field that begins with one (after blanks) is quoted, a doubled one
   inside stands for itself; text after the closing one is kept. */
static CharRole Step(KeysQuoting *q, char c, bool separator) {
    if (*q == QUOTING_INSIDE) {
        if (c != '"') return CHAR_KEPT;
        *q = QUOTING_AFTER_QUOTE;
        return CHAR_DROPPED;
    }
    if (c == '"' && *q != QUOTING_BARE) {
        bool doubled = *q == QUOTING_AFTER_QUOTE;
        *q = QUOTING_INSIDE;
        return doubled ? CHAR_KEPT : CHAR_DROPPED;
    }
    if (separator) {
        *q = QUOTING_FIELD_START;
        return CHAR_SEPARATOR;
    }
    if (*q != QUOTING_FIELD_START || !Blank(c)) *q = QUOTING_BARE;
    return CHAR_KEPT;
}

struct Field {
    std::string text; /* quotes removed */
    bool whole = false;
};

/* A row's fields, split at the separator (none: one field); the last is not
   whole when the row was cut short. */
static std::vector<Field> Fields(const std::string &row, char separator, bool cut) {
    std::vector<Field> fields(1);
    KeysQuoting q = QUOTING_FIELD_START;
    size_t kept = 0; /* where the characters kept since the last one dropped begin */
    for (size_t i = 0; i < row.size(); i++) {
        CharRole role = Step(&q, row[i], separator != 0 && row[i] == separator);
        if (role == CHAR_KEPT) continue;
        fields.back().text.append(row, kept, i - kept);
        kept = i + 1;
        if (role == CHAR_SEPARATOR) {
            fields.back().whole = true;
            fields.emplace_back();
        }
    }
    fields.back().text.append(row, kept, std::string::npos);
    fields.back().whole = !cut;
    return fields;
}

/* The key a field holds: up to the first blank, the rest being a comment.
   False when the field was cut before the key ended. */
static bool KeyIn(const Field &field, std::string *key) {
    const std::string &t = field.text;
    size_t first = 0;
    while (first < t.size() && Blank(t[first])) first++;
    size_t end = first;
    while (end < t.size() && !Blank(t[end])) end++;
    key->assign(t, first, end - first);
    if (key->size() >= 3 && key->compare(0, 2, "=\"") == 0 && key->back() == '"') /* as --csv writes keys for spreadsheets */
        *key = key->substr(2, key->size() - 3);
    return field.whole || end < t.size();
}

static bool NamesKeys(const std::string &heading) {
    std::string name;
    for (char c : heading)
        if (!Blank(c) && c != '-' && c != '_') name += (char)tolower((unsigned char)c);
    return name == "crc" || name == "crc32" || name == "key" || name == "checksum";
}

/* The column headed like a key column, or -1. */
static int NamedColumn(const std::vector<Field> &fields) {
    for (size_t i = 0; i < fields.size(); i++)
        if (NamesKeys(fields[i].text)) return (int)i;
    return -1;
}

static bool AllBlank(const std::vector<Field> &fields) {
    for (const Field &f : fields)
        if (!std::all_of(f.text.begin(), f.text.end(), Blank)) return false;
    return true;
}

/* The separator a row that holds one is split at, as a spreadsheet's import
   guesses it: the one that heads a key column, or leaves a key in the first
   field; then the one giving the most fields; then tab, semicolon, comma.
   0 when the row holds none outside quotes. */
static char SeparatorOf(const std::string &row) {
    char best = 0;
    std::pair<int, size_t> bestScore(0, 0);
    for (char separator : {'\t', ';', ','}) {
        std::vector<Field> fields = Fields(row, separator, false);
        if (fields.size() < 2) continue;
        std::string key;
        KeyIn(fields[0], &key);
        std::pair<int, size_t> score(2 * (NamedColumn(fields) >= 0) + IsHexadecimal(key), fields.size());
        if (best == 0 || score > bestScore) best = separator, bestScore = score;
    }
    return best;
}

/* The first row names the columns when it names the key column or, in a
   table, holds no key in the first. */
static bool IsHeader(const KeysReader *r, const std::vector<Field> &fields, int named) {
    std::string key;
    KeyIn(fields[0], &key);
    return named >= 0 || (r->separator != 0 && !IsHexadecimal(key));
}

/* A blank line, a row of empty fields, or a comment; "#" may head a column
   of row numbers all the same. */
static bool HoldsNothing(const KeysReader *r, const std::string &trimmed, const std::vector<Field> &fields, int named) {
    bool numbers = named > 0 && Trimmed(fields[0].text) == "#";
    if (!trimmed.empty() && trimmed[0] == '#' && !numbers) return true;
    return !r->longLine && AllBlank(fields); /* a long row of blanks may have lost its key */
}

static KeyFault FaultOf(const KeysReader *r, bool whole, const std::string &key) {
    if (!whole) return KEY_TOO_LONG;
    bool hex = true;
    for (unsigned char c : key) { /* one pass: every key of a file comes this way */
        if (c == '\0') return KEY_NUL_BYTE;
        hex = hex && (kBytes.kind[c] & BYTE_HEX) != 0;
    }
    if (r->encoding != KEYS_BYTES && !IsValidUtf8(key)) return KEY_UNDECODABLE;
    if (key.empty()) return KEY_EMPTY;
    return hex ? KEY_FINE : KEY_NOT_HEXADECIMAL;
}

/* The same for a row of a plain keys file past its first row, without
   quotes: the most rows of all, so no field is made. Its key is its first
   word; false for a blank row or a comment. */
static bool JudgePlain(const KeysReader *r, const char *t, size_t length, bool longLine, KeyLine *k) {
    size_t first = 0, last = length;
    while (first < last && Blank(t[first])) first++;
    while (last > first && Blank(t[last - 1])) last--;
    if ((first == last && !longLine) || (first < last && t[first] == '#')) return false;
    size_t end = first;
    while (end < last && !Blank(t[end])) end++;
    k->line = r->first;
    k->column = r->keyColumn + 1;
    k->key.assign(t + first, end - first);
    k->fault = FaultOf(r, !longLine || end < length, k->key);
    return true;
}

/* What the row just read holds: false for nothing; else its key, why it
   has none, or that it is the header. */
static bool Judge(KeysReader *r, KeyLine *k) {
    if (r->begun && r->separator == 0 && !r->split && r->text.find('"') == std::string::npos)
        return JudgePlain(r, r->text.data(), r->text.size(), r->longLine, k);
    std::string trimmed = Trimmed(r->text);
    if (trimmed.empty() && !r->longLine) return false;
    char separator = r->separator != 0 ? r->separator : r->split ? SeparatorOf(trimmed) : 0;
    const std::string &row = separator == '\t' ? r->text : trimmed; /* an empty first cell is a cell */
    std::vector<Field> fields = Fields(row, separator, r->longLine);
    int named = r->begun ? -1 : NamedColumn(fields);
    if (HoldsNothing(r, trimmed, fields, named)) return false;
    r->separator = separator;
    bool first = !r->begun;
    r->begun = true;
    if (named >= 0) r->keyColumn = (size_t)named;
    k->line = r->first;
    k->column = r->keyColumn + 1;
    k->key.clear();
    if (first && IsHeader(r, fields, named)) {
        k->fault = KEY_HEADER;
        return true;
    }
    bool whole = r->keyColumn >= fields.size() || KeyIn(fields[r->keyColumn], &k->key);
    k->fault = FaultOf(r, whole, k->key);
    return true;
}

static void EndRow(KeysReader *r) {
    if (r->skipRow) r->skipRow = false;
    else if (Judge(r, &r->current)) r->stopped = r->stopped || !r->take(r->context, r->current);
    r->text.clear();
    r->longLine = false;
    r->quoting = QUOTING_FIELD_START;
    r->split = false;
    r->first = r->line;
}

/* --- Characters and lines ----------------------------------------------- */

static bool IsSeparator(const KeysReader *r, char c) {
    return r->separator != 0 ? c == r->separator : c == '\t' || c == ';' || c == ',';
}

/* Keeps characters of a row that end no line (up to MAX_KEY_LINE bytes), following their quotes. */
static void Keep(KeysReader *r, const char *run, size_t length) {
    size_t special = 0;
    while (special < length && run[special] != '"' && run[special] != '\t' && run[special] != ';' && run[special] != ',')
        special++;
    if (special == length && r->quoting != QUOTING_INSIDE) { /* no quote, no separator: most runs */
        bool marked = r->quoting != QUOTING_FIELD_START;
        for (size_t i = 0; i < length && !marked; i++) marked = run[i] != ' ';
        if (marked && length != 0) r->quoting = QUOTING_BARE;
    } else {
        for (size_t i = 0; i < length; i++)
            if (Step(&r->quoting, run[i], IsSeparator(r, run[i])) == CHAR_SEPARATOR) r->split = true;
    }
    size_t room = MAX_KEY_LINE - std::min(r->text.size(), (size_t)MAX_KEY_LINE);
    r->text.append(run, std::min(length, room));
    if (length > room) r->longLine = true;
}

/* A line end ends the row, but not inside a quoted field of a table. */
static void EndLine(KeysReader *r) {
    r->line++;
    if (r->quoting == QUOTING_INSIDE && (r->separator != 0 || r->split)) Keep(r, "\n", 1);
    else EndRow(r);
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
    else Keep(r, &c, 1);
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

/* A whole line of a plain keys file, past its first row, read where it
   lies: the most lines of all. False when it must be kept and judged as
   any other. The line end that follows is still the caller's. */
static bool PlainLine(KeysReader *r, const char *line, size_t length) {
    if (!r->begun || r->separator != 0 || r->split || !r->text.empty() || r->quoting != QUOTING_FIELD_START ||
        length > MAX_KEY_LINE || r->encoding == KEYS_UTF16_LE || r->encoding == KEYS_UTF16_BE)
        return false;
    if (!JudgePlain(r, line, length, false, &r->current)) return true; /* nothing to hand on */
    r->skipRow = true; /* handed on: the line end ends nothing more */
    r->stopped = r->stopped || !r->take(r->context, r->current);
    return true;
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
    for (size_t i = 0; i < length;) { /* runs between line ends kept at once: most of a file */
        size_t end = i;
        while (end < length && !(kBytes.kind[(unsigned char)bytes[end]] & BYTE_STOPS)) end++;
        bool special = end < length && bytes[end] != '\n' && bytes[end] != '\r';
        while (end < length && bytes[end] != '\n' && bytes[end] != '\r') end++;
        if (end > i) r->afterCr = false;
        if (end < length && !special && PlainLine(r, bytes + i, end - i)) { /* a whole plain line: no copy kept */
            Take(r, bytes[end]);
            i = end + 1;
            continue;
        }
        Keep(r, bytes + i, end - i);
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
    if (!r->text.empty() || r->longLine) EndRow(r); /* even inside quotes: the file ended */
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
