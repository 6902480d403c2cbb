/* Input files (what a path is, and inputs read whole within a bound) */
#include "files.h"

#include <errno.h>
#include <string.h>

#include <algorithm>

namespace fs = std::filesystem;

const char kChangedWhileRead[] = "changed while being read";

const char *NotRegular(fs::file_type type) {
    switch (type) {
    case fs::file_type::directory: return "it is a directory";
    case fs::file_type::fifo: return "not a regular file: a FIFO";
    case fs::file_type::block: case fs::file_type::character: return "not a regular file: a device";
    case fs::file_type::socket: return "not a regular file: a socket";
    default: return "not a regular file";
    }
}

bool ChangedSince(FILE *file, const FileStamp &before) {
    FileStamp now;
    return !StampOf(file, &now) || now.size != before.size || now.modified != before.modified;
}

static std::string TooLarge(size_t maxBytes) {
    return "larger than " + std::to_string(maxBytes >> 20) + " MB";
}

/* Reads to the end, or to one byte past the bound. */
static bool ReadStream(FILE *stream, size_t maxBytes, std::string *contents, std::string *error) {
    char chunk[65536];
    size_t n;
    contents->clear();
    while (contents->size() <= maxBytes && (n = fread(chunk, 1, std::min(sizeof chunk, maxBytes + 1 - contents->size()), stream)) > 0)
        contents->append(chunk, n);
    if (ferror(stream)) *error = strerror(errno);
    else if (contents->size() > maxBytes) *error = TooLarge(maxBytes);
    return !ferror(stream) && contents->size() <= maxBytes;
}

bool ReadWholeFile(const std::string &name, size_t maxBytes, std::string *contents, std::string *error) {
    fs::file_type type;
    FILE *f = OpenInput(name, error, &type);
    if (f == NULL) {
        if (type == fs::file_type::directory) *error = NotRegular(type);
        return false;
    }
    FileStamp stamp;
    bool known = type == fs::file_type::regular && StampOf(f, &stamp);
    bool fits = !known || stamp.size <= maxBytes;
    if (!fits) *error = TooLarge(maxBytes);
    else if (known) contents->reserve((size_t)stamp.size); /* read once, never grown */
    bool ok = fits && ReadStream(f, maxBytes, contents, error);
    if (f != stdin) fclose(f);
    return ok;
}
