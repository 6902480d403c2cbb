/* Sources (the rows the requests stand for, made one at a time, in the order asked) */
#ifndef PLINORHOST_SOURCES_H
#define PLINORHOST_SOURCES_H

#include <stdio.h>

#include <set>
#include <string>
#include <vector>

#include "control.h"
#include "platform.h"
#include "row.h"
#include "settings.h"

/* Where a source sends each row it makes; false: stop. */
typedef bool (*TakeRow)(void *context, Row *row);
struct RowSink {
    TakeRow take;
    void *context;
};

struct SourceOptions {
    bool recursive = false; /* folders' subfolders too: each request says */
    bool archives = true;   /* a zip archive stands for its members */
    bool measuring = false; /* a first look at the names, for the table: no warnings, no keys read */
    std::vector<FileId> notGames;        /* the catalogue and the output: met in a folder walked, no games */
    std::vector<std::string> extensions; /* --ext: only these, zip archives aside */
};

/* The keys files, opened before any row: one that cannot be read stops
   the run before anything is asked. */
struct OpenedInput {
    FILE *file;
    bool waits; /* a pipe or a terminal, whose reads may wait for a writer */
};
struct OpenedInputs {
    std::vector<OpenedInput> keysFiles; /* one per keys-file request, in order */
};

/* What the sources met besides rows. */
struct SourceNotes {
    bool filesMissing = false; /* a folder held no game files */
    bool keysMissing = false;  /* a keys file held no keys */
    std::string error;         /* why the run stops here, or "" */
    size_t notGames = 0;       /* files systems leave in folders, not asked */
    std::set<std::string> notGameNames;
    size_t leftOut = 0;        /* files --ext left out */
    size_t wholeArchives = 0;  /* archives this tool does not open, hashed whole */
    std::set<std::string> archiveKinds;
};

/* A row for a file, filled in: its key is not yet known. */
void FileRowOf(const std::string &file, RowState state, const std::string &note, Row *row);

/* One row for a file that is skipped or failed as a whole: a path, an archive. */
bool SendFileRow(const std::string &file, RowState state, const std::string &note, RowSink sink, Row *row);

/* Bare arguments told apart by the file system, as Explorer passes what
   is dropped on the program: one that is hexadecimal, or names nothing,
   is a key; a file or folder is a game path, searched with its
   subfolders; and the first file ending in ".dat", when no catalogue is
   given, is the catalogue. Returns the first folder given, or "". */
std::string ResolveGiven(Settings *settings);

/* Where a catalogue is looked for when none is given: data.dat in the
   current folder, beside this program, then in the first folder given. */
std::vector<std::string> CataloguePlaces(const std::string &firstFolder);

/* Opens every keys file; false with notes->error when one cannot be read. */
bool OpenInputs(const std::vector<Request> &requests, OpenedInputs *inputs, SourceNotes *notes, Language language);
void CloseInputs(OpenedInputs *inputs);

/* Sends each row to the sink in the order asked: a key as given; the game
   files a path stands for (see SendPath); a keys file's keys as they are
   read. Stops when the sink says so, or with notes->error. */
void SendRequests(const std::vector<Request> &requests, OpenedInputs *inputs, const SourceOptions &options,
                  RowSink sink, Control *control, SourceNotes *notes);

/* The game files a path stands for, in order: a file itself; a folder its
   entries by name, and with `recursive` its subfolders' (each folder once,
   whatever links lead to it); on Windows a pattern the entries it matches,
   or one failed row when it matches nothing. Entries are named below the
   path as it was given. With `archives`, a zip archive among them stands
   for its members. Anything but a regular file is a skipped row, saying
   what it is; a path that cannot be looked at, a failed one. A folder that
   yields nothing gets a warning. False once the sink says stop. */
bool SendPath(const std::string &path, const SourceOptions &options, RowSink sink, Row *row, Control *control,
              SourceNotes *notes);

/* A key given, asked as written: one that is not hexadecimal with a warning. */
bool SendKey(const std::string &key, RowSink sink, Row *row, Control *control);

/* A keys file's keys, read in pieces as they come; a line that cannot be
   a key is a failed row naming it. False once the sink says stop. */
bool SendKeysFile(const std::string &name, const OpenedInput &input, RowSink sink, Row *row, Control *control, SourceNotes *notes);

#endif
