/* Input files (what a path is, and inputs read whole within a bound) */
#include "files.h"

#include <errno.h>
#include <string.h>

#include <algorithm>

namespace fs = std::filesystem;

static MessageId NotRegularId(fs::file_type type) {
    switch (type) {
    case fs::file_type::directory: return M_IS_A_DIRECTORY;
    case fs::file_type::fifo: return M_NOT_REGULAR_FIFO;
    case fs::file_type::block: case fs::file_type::character: return M_NOT_REGULAR_DEVICE;
    case fs::file_type::socket: return M_NOT_REGULAR_SOCKET;
    default: return M_NOT_REGULAR;
    }
}

std::string NotRegular(fs::file_type type, Language language) {
    return MessageText(NotRegularId(type), language);
}

bool ChangedSince(FILE *file, const FileStamp &before) {
    FileStamp now;
    return !StampOf(file, &now) || now.size != before.size || now.modified != before.modified;
}

std::string TooLarge(size_t maxBytes, Language language) {
    return Say(language, M_LARGER_THAN, {std::to_string(maxBytes >> 20)});
}

/* Reads to the end, or to one byte past the bound. */
static bool ReadStream(FILE *stream, size_t maxBytes, std::string *contents, std::string *error, Language language) {
    char chunk[65536];
    size_t n;
    contents->clear();
    while (contents->size() <= maxBytes && (n = fread(chunk, 1, std::min(sizeof chunk, maxBytes + 1 - contents->size()), stream)) > 0)
        contents->append(chunk, n);
    if (ferror(stream)) *error = strerror(errno);
    else if (contents->size() > maxBytes) *error = TooLarge(maxBytes, language);
    return !ferror(stream) && contents->size() <= maxBytes;
}

FILE *OpenBoundedInput(const std::string &name, size_t maxBytes, std::string *error, fs::file_type *type,
                       uint64_t *size, Language language) {
    *size = 0;
    FILE *f = OpenInput(name, error, type);
    if (f == NULL) {
        if (*type == fs::file_type::directory) *error = NotRegular(*type, language);
        return NULL;
    }
    FileStamp stamp;
    if (*type == fs::file_type::regular && StampOf(f, &stamp)) {
        if (stamp.size > maxBytes) {
            *error = TooLarge(maxBytes, language);
            if (f != stdin) fclose(f);
            return NULL;
        }
        *size = stamp.size;
    }
    return f;
}

bool ReadWholeFile(const std::string &name, size_t maxBytes, std::string *contents, std::string *error,
                   Language language) {
    fs::file_type type;
    uint64_t size;
    FILE *f = OpenBoundedInput(name, maxBytes, error, &type, &size, language);
    if (f == NULL) return false;
    contents->reserve((size_t)size); /* read once, never grown, when the size is known */
    bool ok = ReadStream(f, maxBytes, contents, error, language);
    if (f != stdin) fclose(f);
    return ok;
}
