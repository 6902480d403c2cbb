/* Settings (the command line as plain values, read once; every stage takes what it needs) */
#ifndef PLINORHOST_SETTINGS_H
#define PLINORHOST_SETTINGS_H

#include <string>
#include <vector>

#include "messages.h"

/* GIVEN: an argument without an option, a key or a path dropped on the
   program, until the file system tells which. */
enum RequestKind { REQUEST_KEY, REQUEST_FILE, REQUEST_KEYS_FILE, REQUEST_GIVEN };

/* One argument that asks: a key, a -f path, a -k keys file, or a bare one. */
struct Request {
    RequestKind kind = REQUEST_KEY;
    std::string value;
    bool recursive = false; /* a folder's subfolders too */
};

/* CSV: made for spreadsheets to open without harm; CSV_PLAIN: the values
   untouched, for programs. */
enum Format { FORMAT_TABLE, FORMAT_JSON, FORMAT_CSV, FORMAT_CSV_PLAIN };
enum Shown { SHOW_ALL, SHOW_FOUND, SHOW_MISSING };

struct Settings {
    Language language = LANGUAGE_EN; /* of every text for a person */
    bool check = false;           /* check a catalogue instead of asking */
    std::string checked;          /* the catalogue to check */
    std::vector<std::string> checkedKeys; /* keys whose fate check explains */
    std::string catalogue;        /* -c: "" for none, "-" for standard input */
    std::string plugin;           /* -p: "" for the one beside this program */
    std::string output;           /* -o: "" for standard output */
    std::vector<Request> requests; /* in the order given */
    bool recursive = false;       /* -r: folders' subfolders too */
    bool archives = true;         /* a zip archive stands for its members */
    bool lower = false;           /* keys formed in lower case */
    bool about = false;           /* the plug-in's identity first */
    bool summary = false;         /* the count on standard error, even when it is no terminal */
    bool version = false;         /* the versions of the tool and the plug-in */
    bool header = true;           /* the table's header line, and CSV's header row */
    std::vector<std::string> extensions; /* --ext: ".rom" and the like, in lower case; empty for every file */
    Format format = FORMAT_TABLE;
    Shown shown = SHOW_ALL;
};

#endif
