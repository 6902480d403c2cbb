/* Game files (their CRC-32 and the key a host forms from it) */
#include "game_files.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>
#include <zlib.h>

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

static bool Fail(std::string *error, const std::string &why) {
    *error = why;
    return false;
}

/* Opens a regular file; a directory or a missing file is an error. */
static FILE *OpenRegular(const std::string &path, std::string *error) {
    std::error_code ec;
    if (fs::is_directory(path, ec)) {
        *error = "it is a directory";
        return NULL;
    }
    FILE *f = fopen(path.c_str(), "rb");
    if (f == NULL) *error = strerror(errno);
    return f;
}

bool ReadFile(const std::string &path, std::string *contents, std::string *error) {
    FILE *f = OpenRegular(path, error);
    if (f == NULL) return false;
    char chunk[65536];
    size_t n;
    contents->clear();
    while ((n = fread(chunk, 1, sizeof chunk, f)) > 0) contents->append(chunk, n);
    bool ok = !ferror(f);
    fclose(f);
    return ok || Fail(error, "read error");
}

bool FileCrc32(const std::string &path, uint32_t *crc, std::string *error) {
    FILE *f = OpenRegular(path, error);
    if (f == NULL) return false;
    unsigned char chunk[65536];
    uLong sum = crc32(0L, Z_NULL, 0);
    size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, f)) > 0) sum = crc32(sum, chunk, (uInt)n);
    bool ok = !ferror(f);
    fclose(f);
    *crc = (uint32_t)sum;
    return ok || Fail(error, "read error");
}

std::string KeyFromCrc(uint32_t crc, bool lowerCase) {
    char key[9];
    snprintf(key, sizeof key, lowerCase ? "%x" : "%X", (unsigned)crc);
    return key;
}

bool ExpandGameFiles(const std::string &path, std::vector<std::string> *files, std::string *error) {
    std::error_code ec;
    if (!fs::exists(path, ec)) return Fail(error, "no such file or directory");
    if (!fs::is_directory(path, ec)) {
        files->push_back(path);
        return true;
    }
    std::vector<std::string> found;
    for (const fs::directory_entry &entry : fs::directory_iterator(path, ec)) {
        if (entry.is_regular_file(ec)) found.push_back(entry.path().string());
    }
    if (ec) return Fail(error, ec.message());
    std::sort(found.begin(), found.end());
    files->insert(files->end(), found.begin(), found.end());
    return true;
}
