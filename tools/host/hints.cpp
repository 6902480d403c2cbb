/* Key hints (what the catalogue has that a key not found may have meant, and why it is not found) */
#include "hints.h"

#include <string.h>

static uint32_t HashOf(const std::string &loose) {
    uint64_t h = 1469598103934665603ull; /* FNV-1a: loose forms are short */
    for (unsigned char c : loose) h = (h ^ c) * 1099511628211ull;
    return (uint32_t)(h ^ h >> 32);
}

/* The slot holding this loose form, or the empty one where it would go. */
static size_t SlotOf(const KeyHints &hints, const std::string &loose, uint32_t hash) {
    size_t mask = hints.slots.size() - 1;
    for (size_t slot = hash & mask;; slot = (slot + 1) & mask) {
        uint32_t held = hints.slots[slot];
        if (held == 0) return slot;
        if (hints.hashes[held - 1] == hash && LooseForm(hints.entries[held - 1].value) == loose) return slot;
    }
}

KeyHints HintsFor(const std::vector<KeyLike> &values) {
    KeyHints hints;
    size_t slots = 16;
    while (slots < 2 * values.size()) slots *= 2;
    hints.slots.assign(slots, 0);
    hints.entries.reserve(values.size());
    for (const KeyLike &value : values) {
        std::string loose = LooseForm(value.value);
        uint32_t hash = HashOf(loose);
        size_t slot = SlotOf(hints, loose, hash);
        if (hints.slots[slot] != 0) continue;
        hints.entries.push_back(value);
        hints.hashes.push_back(hash);
        hints.slots[slot] = (uint32_t)hints.entries.size();
    }
    return hints;
}

bool HintFor(const KeyHints &hints, const std::string &key, Hint *hint) {
    if (hints.slots.empty()) return false;
    std::string loose = LooseForm(key);
    uint32_t held = hints.slots[SlotOf(hints, loose, HashOf(loose))];
    if (held == 0) return false;
    const KeyLike &like = hints.entries[held - 1];
    if (like.reason == KEY_LIKE_FINDABLE && key == like.value) return false;
    hint->value = like.value;
    hint->line = like.line;
    hint->reason = like.reason;
    return true;
}
