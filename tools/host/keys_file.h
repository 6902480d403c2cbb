/* Keys files (the keys a text file or a table lists, whatever program saved it, read in pieces) */
#ifndef PLINORHOST_KEYS_FILE_H
#define PLINORHOST_KEYS_FILE_H

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

/* KEY_HEADER is no fault: the first row, naming the columns, skipped. */
/* KEY_FINE: hexadecimal; KEY_NOT_HEXADECIMAL: a key all the same, asked with
   a warning; the others: no key at all. */
enum KeyFault { KEY_FINE, KEY_NUL_BYTE, KEY_UNDECODABLE, KEY_TOO_LONG, KEY_EMPTY, KEY_HEADER, KEY_NOT_HEXADECIMAL };

/* One key, or why its line cannot be one. */
struct KeyLine {
    size_t line = 0;   /* from 1: where the key's row begins */
    size_t column = 0; /* from 1: the column keys are read from */
    std::string key;
    KeyFault fault = KEY_FINE;
};

enum KeysEncoding { KEYS_UNDECIDED, KEYS_BYTES, KEYS_UTF8_MARKED, KEYS_UTF16_LE, KEYS_UTF16_BE };

/* Where the last character left a field: at its start, in it bare, inside
   quotes, or just after a quote inside them (a closing or a doubled one). */
enum KeysQuoting { QUOTING_FIELD_START, QUOTING_BARE, QUOTING_INSIDE, QUOTING_AFTER_QUOTE };

/* Where each key goes as its row ends; false: stop reading. */
typedef bool (*TakeKey)(void *context, const KeyLine &line);

/* Reads a keys file's bytes as they come, in pieces of any size.

   Encoding: a UTF-8 byte-order mark is skipped; UTF-16 (little or big
   endian), known by its mark or else by NUL bytes between its first
   characters, is given as UTF-8; otherwise the bytes are taken as they
   are. Lines end in LF, CR LF or CR.

   Rows: the first line with a tab, semicolon or comma outside quotes (blanks
   around the line aside) makes the file a table and picks its separator;
   lines before it are rows of one field. A field may be quoted, with doubled
   quotes inside; a table's quoted field may hold the separator and line
   ends. Keys come from the column headed "crc", "crc32", "key" or
   "checksum" (any case; blanks, '-' and '_' ignored), else the first. The
   first row is the header, handed on as KEY_HEADER, when it names the key
   column or, in a table, holds no hexadecimal key; "#" may head its first
   column. A key is its field up to the first blank: the rest is a comment.
   Blank lines, rows of empty fields and lines that begin with '#' are
   skipped.

   Faults: a key holding a NUL byte or bytes its encoding cannot decode
   (UTF-8 with its mark, UTF-16), a key not ended within the MAX_KEY_LINE
   bytes kept of a row, an empty key field. */
struct KeysReader {
    KeysEncoding encoding = KEYS_UNDECIDED;
    std::string head;      /* the first bytes, until the encoding is known */
    std::string text;      /* the row so far, as UTF-8 */
    bool longLine = false; /* it had more than MAX_KEY_LINE bytes */
    bool afterCr = false;  /* the last line ended in CR: an LF next ends no line */
    size_t line = 1;       /* the line being read */
    size_t first = 1;      /* the line the row began on */
    int odd = -1;          /* UTF-16: the first byte of a unit cut in two, or -1 */
    uint32_t high = 0;     /* UTF-16: a high surrogate waiting for its low one */
    KeysQuoting quoting = QUOTING_FIELD_START;
    bool split = false;    /* the row so far has a separator outside quotes */
    char separator = 0;    /* '\t', ';' or ',' once the file is a table */
    size_t keyColumn = 0;  /* from 0 */
    bool begun = false;    /* a row was read: no header follows */
    KeyLine current;       /* the row being handed on */
    bool skipRow = false;  /* the row was read where it lay, and handed on already */
    TakeKey take = NULL;
    void *context = NULL;
    bool stopped = false;
};

enum { MAX_KEY_LINE = 4096 };

void StartKeys(KeysReader *reader, TakeKey take, void *context);

/* Hands on each complete row's key; EndKeys the last row's. False once
   the taker says stop. */
bool ReadKeys(KeysReader *reader, const char *bytes, size_t length);
bool EndKeys(KeysReader *reader);

/* All of a file's keys (and its header) at once. */
std::vector<KeyLine> KeysOf(const std::string &bytes);

/* Digits 0-9, A-F and a-f only, at least one. */
bool IsHexadecimal(const std::string &key);

#endif
