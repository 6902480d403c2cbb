/* Game files (their CRC-32 and the key a host forms from it) */
#ifndef PLINORHOST_GAME_FILES_H
#define PLINORHOST_GAME_FILES_H

#include <stdint.h>

#include <string>
#include <vector>

/* Reads a whole file; false when it cannot be read. */
bool ReadFile(const std::string &path, std::string *contents, std::string *error);

/* The CRC-32 of a file's bytes. */
bool FileCrc32(const std::string &path, uint32_t *crc, std::string *error);

/* Hexadecimal without leading zeros, as hosts write keys. */
std::string KeyFromCrc(uint32_t crc, bool lowerCase);

/* A file stands for itself; a directory for its regular files, by name. */
bool ExpandGameFiles(const std::string &path, std::vector<std::string> *files, std::string *error);

#endif
