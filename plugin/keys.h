/* Checksum keys (a host's key as the lookup compares it) */
#ifndef PLINOR_KEYS_H
#define PLINOR_KEYS_H

#include "game_table.h"

/* Copies the key into a zero-filled KEY_FIELD_SIZE buffer, left-padding keys
   of 5 to 7 characters with zeros to 8. False for a null key or one that
   does not fit. */
bool NormalizeKey(const char *key, char normalized[KEY_FIELD_SIZE]);

#endif
