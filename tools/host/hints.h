/* Key hints (the catalogue's key that a key not found differs from only in letter case or leading zeros) */
#ifndef PLINORHOST_HINTS_H
#define PLINORHOST_HINTS_H

#include <stdint.h>

#include <string>
#include <vector>

enum { HINT_KEY_SIZE = 16 }; /* as the plug-in's keys: 15 bytes and a terminator */

/* An open-addressed table of the catalogue's keys by their loose form
   (upper case, without leading zeros): a lookup hashes one key and reads
   a slot or two, no more than the plug-in's own lookup. */
struct KeyHints {
    struct Entry {
        char loose[HINT_KEY_SIZE]; /* zero-padded: compared as two words */
        char key[HINT_KEY_SIZE];   /* as the catalogue writes it */
    };
    std::vector<Entry> entries;
    std::vector<uint32_t> slots; /* an entry's number + 1, or 0; a power of two, over twice the entries */
};

/* The table for these keys; the first of several with one loose form wins. */
KeyHints HintsFor(const std::vector<std::string> &keys);

/* The catalogue's key that the key differs from only in letter case or
   leading zeros, or "" when there is none (or it is the key itself). */
std::string HintFor(const KeyHints &hints, const std::string &key);

#endif
