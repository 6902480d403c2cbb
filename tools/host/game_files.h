/* Game files (what a path stands for, their CRC-32, and the keys a host forms) */
#ifndef PLINORHOST_GAME_FILES_H
#define PLINORHOST_GAME_FILES_H

#include <stdint.h>
#include <stdio.h>

#include <string>
#include <vector>

enum GameFileState { GAME_FILE_TO_HASH, GAME_FILE_HASHED, GAME_FILE_SKIPPED, GAME_FILE_FAILED };

struct GameFile {
    std::string name;
    GameFileState state;
    std::string note; /* why it was skipped or failed */
    uint32_t crc;
};

/* The files a path stands for, in order: a file itself; a folder its
   entries by name, and with `recursive` its subfolders' (each folder once,
   whatever links lead to it). Anything but a regular file is listed as
   skipped, saying what it is; a path that cannot be looked at, as failed.
   A folder that yields nothing gets a warning. */
void ListGameFiles(const std::string &path, bool recursive, std::vector<GameFile> *files,
                   std::vector<std::string> *warnings);

/* Called as a file's bytes are read, with how many so far. */
typedef void (*HashProgress)(uint64_t bytes, void *context);

/* The file's CRC-32 (zlib); it fails with a reason rather than stop. */
void HashGameFile(GameFile *file, HashProgress progress, void *context);

/* Reads a whole stream, or file, of at most maxBytes; false with a reason. */
bool ReadStream(FILE *stream, size_t maxBytes, std::string *contents, std::string *error);
bool ReadWholeFile(const std::string &name, size_t maxBytes, std::string *contents, std::string *error);

/* All eight hexadecimal digits, upper case unless lower. */
std::string FullKey(uint32_t crc, bool lower);

#endif
