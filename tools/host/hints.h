/* Key hints (what the catalogue has that a key not found may have meant, and why it is not found) */
#ifndef PLINORHOST_HINTS_H
#define PLINORHOST_HINTS_H

#include <stdint.h>

#include <string>
#include <vector>

#include "checker.h"

/* A catalogue value a key not found may have meant: a findable game's
   key in another letter case or padding, or a key the plug-in never finds
   (spaces or 0x around it, 5 to 7 characters long, its game past the
   table or after </games>). */
struct Hint {
    std::string value;     /* the catalogue's bytes */
    uint32_t line = 0;     /* where it is set */
    KeyLikeReason reason = KEY_LIKE_FINDABLE;
};

/* An open-addressed table of the catalogue's key-like values by their
   loose form (upper case, no spaces, 0x or leading zeros): a lookup
   loosens one key, hashes it and reads a slot or two, no more than the
   plug-in's own lookup, and allocates nothing when nothing is found. */
struct KeyHints {
    struct Entry {
        char loose[KEY_FIELD_SIZE]; /* zero-padded: compared as two words */
        KeyLike like;
    };
    std::vector<Entry> entries;
    std::vector<uint32_t> slots; /* a tag and an entry's number + 1, or 0; a power of two, over twice the entries */
};

/* The table for these values; the first of several with one loose form wins. */
KeyHints HintsFor(const std::vector<KeyLike> &values);

/* What the key may have meant; false when there is nothing, or when the
   catalogue has the key itself, findable. */
bool HintFor(const KeyHints &hints, const std::string &key, Hint *hint);

#endif
