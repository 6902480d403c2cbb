/* Zip archives among the game files (each member a row, keyed by the CRC-32 its archive records) */
#ifndef PLINORHOST_ARCHIVE_MEMBERS_H
#define PLINORHOST_ARCHIVE_MEMBERS_H

#include <string>
#include <vector>

#include "game_files.h"

/* A name that ends in ".zip", in any letter case. */
bool IsZipName(const std::string &name);

/* The rows a zip archive stands for, from its central directory alone:
   each member that is not a folder, in the directory's order, HASHED with
   the CRC-32 it records; FAILED when the reader flags a problem with it,
   SKIPPED when it is AES-encrypted with no CRC-32 recorded. An archive
   that cannot be read as a whole is one FAILED row, and one without
   members one SKIPPED row, named as the archive. */
void ListMembers(const std::string &archive, std::vector<GameFile> *files);

#endif
