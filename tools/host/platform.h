/* Platform (names, arguments, input, output and Ctrl-C alike on Linux and Windows) */
#ifndef PLINORHOST_PLATFORM_H
#define PLINORHOST_PLATFORM_H

#include <stdint.h>
#include <stdio.h>

#include <filesystem>
#include <string>
#include <vector>

/* The command line: on Windows from its wide form, as UTF-8, with "/?"
   read as "--help"; on Linux the bytes as given. */
std::vector<std::string> Arguments(int argc, char **argv);

/* Names are UTF-8 on Windows and the file system's own bytes on Linux. */
std::filesystem::path PathOf(const std::string &name);
std::string NameOf(const std::filesystem::path &path);

/* A folder's entry, named below the folder as the user typed it: one
   separator between them ('\' on Windows), never two. */
std::string JoinName(const std::string &folder, const std::string &entry);

/* A member of an archive, named below the archive as an entry is below
   its folder: on Windows with '\' for each '/' of the member's path too. */
std::string MemberName(const std::string &archive, const std::string &member);

/* On Windows, a name whose last part holds '*' or '?' stands for the
   entries of its folder that match (letter case aside), sorted; true when
   it is such a pattern. Elsewhere the shell has expanded patterns already. */
bool ExpandPattern(const std::string &name, std::vector<std::string> *matches);

/* What a file is when it is not a regular one ("not a regular file: a FIFO"). */
const char *NotRegular(std::filesystem::file_type type);

/* Opens a regular file for reading. Anything else is refused, without
   waiting on a FIFO or reading a device, and *notRegular says so. */
FILE *OpenRegularFile(const std::string &name, std::string *error, bool *notRegular = NULL);

/* Opens anything but a folder for reading: a file, a pipe, <(...),
   /dev/stdin; "-" is standard input. */
FILE *OpenInput(const std::string &name, std::string *error);

/* What tells that an open file changed: its size and modification time. */
struct FileStamp {
    uint64_t size;
    int64_t modified; /* in the platform's finest unit */
};
bool StampOf(FILE *file, FileStamp *stamp);

/* Whether the open file is no longer as its stamp says, or cannot tell. */
bool ChangedSince(FILE *file, const FileStamp &before);

/* Reads exactly `length` bytes at a 64-bit offset: false if it cannot. */
bool ReadAt(FILE *file, uint64_t offset, void *buffer, size_t length);

/* Binary standard streams, and a closed pipe reported as a failed write
   rather than a signal. */
void PrepareOutput(void);

enum WriteResult { WRITTEN, WRITE_FAILED, OUTPUT_CLOSED };

/* Writes the UTF-8 text at once, unbuffered: on a Windows console as
   UTF-16 through the console itself, elsewhere as the bytes. On failure
   *error says why. */
WriteResult WriteAll(FILE *stream, const std::string &text, std::string *error = NULL);

bool IsTerminal(FILE *stream);

#ifdef _WIN32
/* The system's words for an error code, and the code. */
std::string WindowsErrorText(unsigned long code);
#endif

/* From here on Ctrl-C only sets a flag (a second one stops at once), and
   blocking reads return early. */
void CatchInterrupt(void);
bool Interrupted(void);

#endif
