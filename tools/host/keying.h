/* Keying (a game file's CRC-32, and the keys a host forms from it) */
#ifndef PLINORHOST_KEYING_H
#define PLINORHOST_KEYING_H

#include <stdint.h>

#include <string>
#include <vector>

#include "control.h"
#include "row.h"

/* All eight hexadecimal digits, upper case unless lower. */
std::string FullKey(uint32_t crc, bool lower);

/* Without its leading zeros (one kept when all are), as hosts often write
   a file's key. */
std::string ShortKey(const std::string &key);

/* Gives a row asked by file its key: the file's CRC-32 read through the
   buffer (zlib), or the one its archive records, as all eight digits. A
   file that cannot be read, or whose size or modification time changed
   while it was read, fails its row; one that is no longer a regular file
   is skipped. False when the run is stopping. */
bool KeyRow(Row *row, bool lower, std::vector<unsigned char> *buffer, Control *control);

#endif
