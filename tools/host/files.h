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

/* Opens a file, a pipe or "-" (standard input) to be read within maxBytes:
   a folder is refused, and so is a file that says it is larger, before it
   is read. Null with the reason; else its type, and its size when it says
   one (0 when not). */
FILE *OpenBoundedInput(const std::string &name, size_t maxBytes, std::string *error,
                       std::filesystem::file_type *type, uint64_t *size, Language language);

/* Reads the whole of such an input. False with the reason. */
bool ReadWholeFile(const std::string &name, size_t maxBytes, std::string *contents, std::string *error,
                   Language language);

#endif
