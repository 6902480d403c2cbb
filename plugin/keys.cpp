/* Checksum keys (a host's key as the lookup compares it) */
#include "keys.h"

#include <string.h>

enum { PADDED_KEY_LENGTH = 8 };

bool NormalizeKey(const char *key, char normalized[KEY_FIELD_SIZE]) {
    if (key == NULL) return false;
    size_t length = 0;
    while (length < KEY_FIELD_SIZE && key[length] != '\0') length++; /* never past the NUL */
    if (length >= KEY_FIELD_SIZE) return false;
    size_t padding = length >= 5 && length < PADDED_KEY_LENGTH ? PADDED_KEY_LENGTH - length : 0;
    memset(normalized, 0, KEY_FIELD_SIZE);
    memset(normalized, '0', padding);
    memcpy(normalized + padding, key, length);
    return true;
}
