/* Rows (what was asked, in the order asked, each answered through the plug-in) */
#ifndef PLINORHOST_ROWS_H
#define PLINORHOST_ROWS_H

#include <string>
#include <unordered_map>
#include <vector>

#include "checker.h"
#include "plugin_loader.h"
#include "report.h"

enum RequestKind { REQUEST_KEY, REQUEST_FILE, REQUEST_KEYS_FILE };

/* One argument that asks: a key, a -f path or a -k keys file. */
struct Request {
    RequestKind kind;
    std::string value;
};

/* What listing the requests met besides rows. */
struct Listing {
    bool filesMissing; /* a folder held no game files */
    bool keysMissing;  /* a keys file held no keys */
    std::string error; /* a keys file that cannot be read; nothing is asked then */
};

bool IsHexadecimal(const std::string &key);

struct ListOptions {
    bool recursive;      /* folders' subfolders too */
    bool archives;       /* a zip archive stands for its members */
    bool lower;          /* members' keys in lower case */
    size_t maxKeysBytes;
};

/* The rows the requests stand for, in order, before any is answered: game
   files listed, zip archives' directories and keys files read; a member's
   row comes with its key. Warnings go to `warn`. */
Listing ListRows(const std::vector<Request> &requests, const ListOptions &options, std::vector<GameAnswer> *rows,
                 void (*warn)(const std::string &));

/* The catalogue's findable keys, by their form without letter case or
   leading zeros, for a hint when a key is not found. */
typedef std::unordered_map<std::string, std::string> KeyHints;
KeyHints HintsOf(const CheckReport &catalogue);

/* Asks the plug-in about the row's key, trying a game file's short key
   too, and fills its answer or its hint. */
void Ask(const Plugin &plugin, const std::string &catalogue, const KeyHints &hints, GameAnswer *row);

#endif
