/* Game files (what a path stands for, their CRC-32, and the keys a host forms) */
#ifndef PLINORHOST_GAME_FILES_H
#define PLINORHOST_GAME_FILES_H

#include <stdint.h>
#include <stdio.h>

#include <string>
#include <vector>

/* HASHED: its CRC-32 is known (for an archive's member, as recorded). */
enum GameFileState { GAME_FILE_TO_HASH, GAME_FILE_HASHED, GAME_FILE_SKIPPED, GAME_FILE_FAILED };

/* A file inside a zip archive, never opened by its name. */
struct ArchiveMember {
    bool present;         /* the row is a member; the rest is empty otherwise */
    std::string name;     /* as UTF-8, decoded by the reader's rule; not yet safe to show */
    std::string recorded; /* the name's bytes as the archive records them */
    bool encrypted;
};

struct GameFile {
    std::string name; /* for a member, its archive's */
    GameFileState state;
    std::string note; /* why it was skipped or failed */
    uint32_t crc;
    ArchiveMember member;
};

/* A row for the file, its CRC-32 not yet known. */
GameFile FileRow(const std::string &name, GameFileState state, const std::string &note);

/* Why a file's row fails when its size or modification time changed while it was read. */
extern const char kChangedWhileRead[];

/* The files a path stands for, in order: a file itself; a folder its
   entries by name, and with `recursive` its subfolders' (each folder once,
   whatever links lead to it); on Windows a pattern the entries it matches,
   or one failed row when it matches nothing. Entries are named below the
   path as it was given. With `archives`, a zip archive among them stands
   for its members (see ListMembers). Anything but a regular file is listed
   as skipped, saying what it is; a path that cannot be looked at, as
   failed. A folder that yields nothing gets a warning. Ctrl-C stops the
   listing. */
void ListGameFiles(const std::string &path, bool recursive, bool archives, std::vector<GameFile> *files,
                   std::vector<std::string> *warnings);

/* Called as a file's bytes are read, with how many so far; false stops. */
typedef bool (*HashProgress)(uint64_t bytes, void *context);

/* The file's CRC-32 (zlib); it fails with a reason rather than stop, and
   when the file's size or modification time changed while it was read. */
void HashGameFile(GameFile *file, HashProgress progress, void *context);

/* Reads the whole of a file, a pipe or "-" (standard input), of at most
   maxBytes; false with a reason. */
bool ReadWholeFile(const std::string &name, size_t maxBytes, std::string *contents, std::string *error);

/* All eight hexadecimal digits, upper case unless lower. */
std::string FullKey(uint32_t crc, bool lower);

#endif
