/* A row (one game asked about: a file, a member of an archive, or a key; its key and the plug-in's answer) */
#ifndef PLINORHOST_ROW_H
#define PLINORHOST_ROW_H

#include <stdint.h>

#include <string>

enum AskedBy { ASKED_BY_KEY, ASKED_BY_FILE };

/* ANSWERED: asked, or still to be asked; the others say why not in `note`. */
enum RowState { ROW_ANSWERED, ROW_SKIPPED, ROW_FAILED };

/* A file inside a zip archive, never opened by its name. */
struct ArchiveMember {
    bool present = false;  /* the row is a member; the rest is empty otherwise */
    std::string name;      /* as UTF-8, decoded by the reader's rule; not yet safe to show */
    std::string recorded;  /* the name's bytes as the archive records them */
    bool encrypted = false;
};

struct Row {
    AskedBy askedBy = ASKED_BY_KEY;
    std::string file;       /* as given or found, when asked by file; a member's archive */
    ArchiveMember member;
    bool toHash = false;    /* a game file whose CRC-32 is still to be read */
    bool crcKnown = false;  /* crc holds the file's, or what its archive records */
    uint32_t crc = 0;
    std::string key;        /* the key asked; for a file, the form that matched */
    RowState state = ROW_ANSWERED;
    std::string note;       /* why skipped or failed */
    bool found = false;
    std::string title, maker, genre, memo; /* UTF-8 */
    int32_t year = 0;
    std::string hint;       /* not found: what the catalogue has that the key may have meant */
    uint32_t hintLine = 0;  /* where the catalogue has it */
    int hintReason = 0;     /* a KeyLikeReason: why the key is not found though */
};

/* Empties a row for the next game, keeping its strings' memory. */
void ClearRow(Row *row);

#endif
