/* Key hints (the catalogue's key that a key not found differs from only in letter case or leading zeros) */
#include "hints.h"

#include <string.h>

/* Upper case, without leading zeros (one kept when all are); false when
   it cannot be a key the plug-in holds. */
static bool Loosen(const std::string &key, char loose[HINT_KEY_SIZE]) {
    size_t first = 0, size = key.size();
    const char *k = key.data();
    while (first + 1 < size && k[first] == '0') first++;
    if (size - first >= HINT_KEY_SIZE) return false;
    uint64_t zero = 0;
    memcpy(loose, &zero, 8);
    memcpy(loose + 8, &zero, 8);
    for (size_t i = first; i < size; i++) loose[i - first] = (char)(k[i] >= 'a' && k[i] <= 'z' ? k[i] - 32 : k[i]);
    return true;
}

static uint32_t HashOf(const char loose[HINT_KEY_SIZE]) {
    uint64_t low, high;
    memcpy(&low, loose, 8);
    memcpy(&high, loose + 8, 8);
    uint64_t h = low * 0x9E3779B97F4A7C15ull ^ high * 0xC2B2AE3D27D4EB4Full;
    return (uint32_t)((h ^ h >> 29) >> 32);
}

/* The slot holding this loose form, or the empty one where it would go. */
static size_t SlotOf(const KeyHints &hints, const char loose[HINT_KEY_SIZE]) {
    size_t mask = hints.slots.size() - 1;
    for (size_t slot = HashOf(loose) & mask;; slot = (slot + 1) & mask) {
        uint32_t held = hints.slots[slot];
        if (held == 0 || memcmp(hints.entries[held - 1].loose, loose, HINT_KEY_SIZE) == 0) return slot;
    }
}

KeyHints HintsFor(const std::vector<std::string> &keys) {
    KeyHints hints;
    size_t slots = 16;
    while (slots < 2 * keys.size()) slots *= 2;
    hints.slots.assign(slots, 0);
    hints.entries.reserve(keys.size());
    for (const std::string &key : keys) {
        KeyHints::Entry entry;
        if (key.size() >= HINT_KEY_SIZE || !Loosen(key, entry.loose)) continue;
        size_t slot = SlotOf(hints, entry.loose);
        if (hints.slots[slot] != 0) continue;
        memset(entry.key, 0, HINT_KEY_SIZE);
        memcpy(entry.key, key.data(), key.size());
        hints.entries.push_back(entry);
        hints.slots[slot] = (uint32_t)hints.entries.size();
    }
    return hints;
}

std::string HintFor(const KeyHints &hints, const std::string &key) {
    char loose[HINT_KEY_SIZE];
    if (hints.slots.empty() || !Loosen(key, loose)) return "";
    uint32_t held = hints.slots[SlotOf(hints, loose)];
    if (held == 0) return "";
    const char *has = hints.entries[held - 1].key;
    return key == has ? "" : has;
}
