/* Input files (what a path is, and inputs read whole within a bound) */
#ifndef PLINORHOST_FILES_H
#define PLINORHOST_FILES_H

#include <stddef.h>
#include <stdio.h>

#include <filesystem>
#include <string>

#include "messages.h"
#include "platform.h"

enum { MAX_INPUT_BYTES = 256 << 20 }; /* far beyond any 20000-game catalogue */

/* What a file is when it is not a regular one ("not a regular file: a FIFO"). */
std::string NotRegular(std::filesystem::file_type type, Language language);

/* An input refused for its size ("larger than 256 MB"). */
std::string TooLarge(size_t maxBytes, Language language);

/* Whether the open file is no longer as its stamp says, or cannot tell. */
bool ChangedSince(FILE *file, const FileStamp &before);

/* Reads the whole of a file, a pipe or "-" (standard input), of at most
   maxBytes: a file that says it is larger is refused before it is read.
   False with the reason. */
bool ReadWholeFile(const std::string &name, size_t maxBytes, std::string *contents, std::string *error,
                   Language language);

#endif
