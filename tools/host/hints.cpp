/* Key hints (what the catalogue has that a key not found may have meant, and why it is not found) */
#include "hints.h"

#include <string.h>

static uint32_t HashOf(const char loose[KEY_FIELD_SIZE]) {
    uint64_t low, high;
    memcpy(&low, loose, 8);
    memcpy(&high, loose + 8, 8);
    uint64_t h = low * 0x9E3779B97F4A7C15ull ^ high * 0xC2B2AE3D27D4EB4Full;
    return (uint32_t)((h ^ h >> 29) >> 32);
}

/* A slot holds 0, or the top byte of its entry's hash above the entry's
   number + 1: most keys the catalogue lacks are told apart without
   reading an entry. */
enum { ENTRY_BITS = 24, ENTRY_MASK = (1u << ENTRY_BITS) - 1 };
static_assert((uint32_t)MAX_KEY_LIKES < (uint32_t)ENTRY_MASK, "every entry's number fits below the tag");

static uint32_t Tag(uint32_t hash) {
    return hash >> ENTRY_BITS << ENTRY_BITS;
}

/* The slot holding this loose form, or the empty one where it would go. */
static size_t SlotOf(const KeyHints &hints, const char loose[KEY_FIELD_SIZE], uint32_t hash) {
    size_t mask = hints.slots.size() - 1;
    for (size_t slot = hash & mask;; slot = (slot + 1) & mask) {
        uint32_t held = hints.slots[slot];
        if (held == 0) return slot;
        if ((held & ~ENTRY_MASK) == Tag(hash) &&
            memcmp(hints.entries[(held & ENTRY_MASK) - 1].loose, loose, KEY_FIELD_SIZE) == 0)
            return slot;
    }
}

KeyHints HintsFor(const std::vector<KeyLike> &values) {
    KeyHints hints;
    size_t slots = 16;
    while (slots < 2 * values.size()) slots *= 2;
    hints.slots.assign(slots, 0);
    hints.entries.reserve(values.size());
    for (const KeyLike &value : values) {
        KeyHints::Entry entry;
        if (!LooseKey(value.value, entry.loose)) continue;
        uint32_t hash = HashOf(entry.loose);
        size_t slot = SlotOf(hints, entry.loose, hash);
        if (hints.slots[slot] != 0) continue;
        entry.like = value;
        hints.entries.push_back(entry);
        hints.slots[slot] = Tag(hash) | (uint32_t)hints.entries.size();
    }
    return hints;
}

bool HintFor(const KeyHints &hints, const std::string &key, Hint *hint) {
    char loose[KEY_FIELD_SIZE];
    if (hints.slots.empty() || !LooseKey(key, loose)) return false;
    uint32_t held = hints.slots[SlotOf(hints, loose, HashOf(loose))];
    if (held == 0) return false;
    const KeyLike &like = hints.entries[(held & ENTRY_MASK) - 1].like;
    if (like.reason == KEY_LIKE_FINDABLE && key == like.value) return false;
    hint->value = like.value;
    hint->line = like.line;
    hint->reason = like.reason;
    return true;
}
