/* Keys files (the keys a text file lists, whatever editor saved it) */
#ifndef PLINORHOST_KEYS_FILE_H
#define PLINORHOST_KEYS_FILE_H

#include <stddef.h>

#include <string>
#include <vector>

/* One key, or why its line cannot be one. */
struct KeyLine {
    size_t line; /* from 1 */
    std::string key;
    const char *fault; /* NULL, or what is wrong with the line */
};

/* The keys of a keys file's bytes, one a line. A UTF-8 byte-order mark is
   skipped; UTF-16 (little or big endian) with its mark is read as text and
   given as UTF-8; without a mark the bytes are taken as they are. Lines end
   in LF, CR LF or CR; spaces and tabs around a key are dropped; blank lines
   and lines that begin with '#' are skipped. A line holding a NUL byte, or
   bytes its encoding cannot decode, comes back whole as a fault. */
std::vector<KeyLine> KeysOf(const std::string &bytes);

#endif
