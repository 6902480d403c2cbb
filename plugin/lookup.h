/* Lookup (the game a normalised key names, and the answer copied to the host) */
#ifndef PLINOR_LOOKUP_H
#define PLINOR_LOOKUP_H

#include "game_table.h"
#include "keys.h"

/* The record whose crc32 equals the normalised key, or null: the last hit
   if its key matches, else the first such record, found through the index
   (or by a scan without one), which becomes the last hit. */
const GameRecord *FindGame(const char normalized[KEY_FIELD_SIZE]);

/* Copies size bytes of text to the host's buffer when asked and when there
   is a buffer to copy to; returns size either way. */
int32_t AnswerText(const char *text, int32_t size, char **out, int32_t copyFlag);

#endif
