/* Platform (names, arguments and output in UTF-8 on Linux and Windows alike) */
#ifndef PLINORHOST_PLATFORM_H
#define PLINORHOST_PLATFORM_H

#include <stdio.h>

#include <filesystem>
#include <string>
#include <vector>

/* The command line: on Windows from its wide form, as UTF-8; on Linux the
   bytes as given. */
std::vector<std::string> Arguments(int argc, char **argv);

/* Names are UTF-8 on Windows and the file system's own bytes on Linux. */
std::filesystem::path PathOf(const std::string &name);
std::string NameOf(const std::filesystem::path &path);

/* What a file is when it is not a regular one ("not a regular file: a FIFO"). */
const char *NotRegular(std::filesystem::file_type type);

/* Opens a regular file for reading. Anything else is refused, without
   waiting on a FIFO or reading a device, and *notRegular says so. */
FILE *OpenRegularFile(const std::string &name, std::string *error, bool *notRegular = NULL);

/* Binary output, UTF-8 on a Windows console (its code page is put back at
   exit). */
void PrepareOutput(void);

/* Writes and flushes the whole text; false when any of it failed. */
bool WriteAll(FILE *stream, const std::string &text);

bool IsTerminal(FILE *stream);

#endif
