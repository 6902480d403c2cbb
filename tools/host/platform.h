/* Platform (what Linux and Windows do differently, behind one interface) */
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
   separator between them ('\' on Windows), never two; below "" as itself. */
std::string JoinName(const std::string &folder, const std::string &entry);

/* A member of an archive, named below the archive as an entry is below
   its folder: on Windows with '\' for each '/' of the member's path too. */
std::string MemberName(const std::string &archive, const std::string &member);

/* On Windows, a name whose last part holds '*' or '?' stands for the
   entries of its folder that match (letter case aside), sorted; true when
   it is such a pattern. Elsewhere the shell has expanded patterns already. */
bool ExpandPattern(const std::string &name, std::vector<std::string> *matches);

/* Whether a name matches a pattern's '*' and '?', as ExpandPattern matches. */
bool MatchesPattern(const std::string &pattern, const std::string &name);

/* What tells one file or folder from another, however it is reached. */
struct FileId {
    uint64_t device, node;
};
static inline bool operator==(const FileId &a, const FileId &b) {
    return a.device == b.device && a.node == b.node;
}
static inline bool operator<(const FileId &a, const FileId &b) {
    return a.device != b.device ? a.device < b.device : a.node < b.node;
}
bool FileIdOf(const std::filesystem::path &path, FileId *id);

/* The same for an input as named: "-" is standard input, whatever it is. */
bool InputIdOf(const std::string &name, FileId *id);

/* A folder's entry, told apart without opening it: links followed. */
struct FolderEntry {
    std::string name;                 /* its own name: the file system's bytes, or UTF-8 on Windows */
    std::filesystem::file_type type;  /* none: it cannot be told, for `error` */
    bool link = false;                /* when its type cannot be told: a symbolic link, broken or looping */
    int error = 0;                    /* an errno value when its type cannot be told */
    FileId id = {0, 0};
};

/* An open folder, reached from its parent's handle so that a deep tree
   costs no more a level than a shallow one. */
struct Folder;

/* Opens `path`'s folder; with a parent, as its entry `name`. Null with the reason. */
Folder *OpenFolder(Folder *parent, const std::string &name, const std::string &path, std::string *error);
FileId FolderIdOf(const Folder *folder);

/* Its entries, in no order; false with the reason. */
bool ListFolder(Folder *folder, std::vector<FolderEntry> *entries, std::string *error);

/* What tells an entry from other files, asked only when it is needed. */
bool EntryIdOf(const Folder *folder, const FolderEntry &entry, FileId *id);
void CloseFolder(Folder *folder);

/* Opens a regular file for reading. Anything else is refused, without
   waiting on a FIFO or reading a device, and *type says what it is
   (file_type::none when the file could not be opened at all). */
FILE *OpenRegularFile(const std::string &name, std::string *error, std::filesystem::file_type *type);

/* Opens anything but a folder for reading: a file, a pipe, <(...),
   /dev/stdin; "-" is standard input. *type says what it is: a regular
   file's reads never wait; a folder is refused (with *error empty). */
FILE *OpenInput(const std::string &name, std::string *error, std::filesystem::file_type *type);

/* What tells that an open file changed: its size and modification time. */
struct FileStamp {
    uint64_t size;
    int64_t modified; /* in the platform's finest unit */
};
bool StampOf(FILE *file, FileStamp *stamp);

/* Reads exactly `length` bytes at a 64-bit offset: false if it cannot. */
bool ReadAt(FILE *file, uint64_t offset, void *buffer, size_t length);

/* Binary standard streams, a closed pipe reported as a failed write rather
   than a signal, and no error window when something crashes. */
void PrepareOutput(void);

enum WriteResult { WRITTEN, WRITE_FAILED, OUTPUT_CLOSED };

/* Writes UTF-8 text at once: on a Windows console as UTF-16 through the
   console itself, elsewhere as the bytes. On failure *error says why. */
WriteResult WriteAll(FILE *stream, const char *text, size_t length, std::string *error = NULL);

bool IsTerminal(FILE *stream);

/* How many columns a terminal or console window shows, or 0 when it is none. */
size_t TerminalColumns(FILE *stream);

/* Whether the stream is a file (or the null device): nothing that shows
   it on a terminal, as a pager would. */
bool IsFile(FILE *stream);

/* Creates (or empties) a file to write the rows to; null with the reason. */
FILE *OpenOutputFile(const std::string &name, std::string *error);

/* A clock in milliseconds, cheap enough to read for every row: a few
   milliseconds coarse. */
uint64_t Milliseconds(void);

/* From here on Ctrl-C only sets a flag (a second one stops at once), and
   blocking reads return early. */
void CatchInterrupt(void);
bool InterruptRequested(void);

/* Calls lastWords once if the process crashes (in a plug-in, say) before
   it ends as it would have; lastWords may only write. */
void WhenCrashing(void (*lastWords)(void));

/* Whether the user reads Japanese: on Windows the display language, else
   LC_ALL, LC_MESSAGES or LANG, the first that is set. */
bool UserReadsJapanese(void);

/* Whether the program has a console window of its own that will close
   when it ends: on Windows, started from Explorer (a double-click, or
   files dropped on it) rather than from a console or a script, with its
   input and output on that console. PLINORHOST_CONSOLE_ALONE=1 in the
   environment makes it say yes anywhere, so that tests can see the pause. */
bool ConsoleOfItsOwn(void);

/* Waits until a key is pressed (or a line or the end of the input comes,
   where the input is no console). */
void WaitForKey(void);

/* Work done beside the calling thread, the one other the tool runs: null
   when it cannot be started, and the caller then does the work itself. */
struct Beside;
Beside *StartBeside(void (*work)(void *context), void *context);
void JoinBeside(Beside *beside);

/* The system's words for an error code, in the user's language, and the
   code in brackets; a "%1" in them stands for `subject`. */
std::string SystemErrorText(unsigned long code, const std::string &subject = "");

/* The plug-in's file name, this program's, and the folder it is in. */
extern const char kPluginFileName[], kToolFileName[];
std::string ProgramDirectory(void);

/* Loads exactly the library named, relative to the current folder, never
   one found on a search path; null with the reason. */
void *OpenLibrary(const std::string &path, std::string *error);
void *LibrarySymbol(void *library, const char *name);
void CloseLibrary(void *library);

/* A library's file version ("1.1.0.0") from its version resource; empty
   where files carry none. */
std::string LibraryFileVersion(const std::string &path);

#endif
