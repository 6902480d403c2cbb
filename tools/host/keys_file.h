/* Keys files (the keys a text file lists, whatever editor saved it, read in pieces) */
#ifndef PLINORHOST_KEYS_FILE_H
#define PLINORHOST_KEYS_FILE_H

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

enum KeyFault { KEY_FINE, KEY_NUL_BYTE, KEY_UNDECODABLE, KEY_TOO_LONG };

/* One key, or why its line cannot be one. */
struct KeyLine {
    size_t line = 0; /* from 1 */
    std::string key;
    KeyFault fault = KEY_FINE;
};

enum KeysEncoding { KEYS_UNDECIDED, KEYS_BYTES, KEYS_UTF8_MARKED, KEYS_UTF16_LE, KEYS_UTF16_BE };

/* Where each key goes as its line ends; false: stop reading. */
typedef bool (*TakeKey)(void *context, const KeyLine &line);

/* Reads a keys file's bytes as they come, in pieces of any size. A UTF-8
   byte-order mark is skipped; UTF-16 (little or big endian), known by its
   mark or else by NUL bytes between its first characters, is read as text
   and given as UTF-8; otherwise the bytes are taken as they are. Lines end in LF, CR LF or CR; spaces and tabs around a key
   are dropped; blank lines and lines that begin with '#' are skipped. A
   line holding a NUL byte, bytes its encoding cannot decode, or more than
   MAX_KEY_LINE bytes comes back as a fault; only that much of a line is
   kept. */
struct KeysReader {
    KeysEncoding encoding = KEYS_UNDECIDED;
    std::string head;       /* the first bytes, until the encoding is known */
    std::string text;       /* the line so far, as UTF-8 */
    bool longLine = false;  /* it had more than MAX_KEY_LINE bytes */
    bool afterCr = false;   /* the last line ended in CR: an LF next ends no line */
    size_t line = 1;
    int odd = -1;           /* UTF-16: the first byte of a unit cut in two, or -1 */
    uint32_t high = 0;      /* UTF-16: a high surrogate waiting for its low one */
    KeyLine current;        /* the line being handed on */
    TakeKey take = NULL;
    void *context = NULL;
    bool stopped = false;
};

enum { MAX_KEY_LINE = 4096 };

void StartKeys(KeysReader *reader, TakeKey take, void *context);

/* Hands on each complete line's key; EndKeys the last line's. False once
   the taker says stop. */
bool ReadKeys(KeysReader *reader, const char *bytes, size_t length);
bool EndKeys(KeysReader *reader);

/* All of a file's keys at once. */
std::vector<KeyLine> KeysOf(const std::string &bytes);

#endif
