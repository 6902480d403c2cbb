/* Game files (what a path stands for, their CRC-32, and the keys a host forms) */
#include "game_files.h"

#include <errno.h>
#include <string.h>
#include <stdio.h>
#include <zlib.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "archive_members.h"
#include "platform.h"

namespace fs = std::filesystem;

const char kChangedWhileRead[] = "changed while being read";

GameFile FileRow(const std::string &name, GameFileState state, const std::string &note) {
    return {name, state, note, 0, {false, "", "", false}};
}

/* What a path that is not a folder stands for. */
static GameFile Classify(const fs::path &path, const std::string &name) {
    std::error_code ec, linkEc;
    fs::file_status status = fs::status(path, ec);
    bool missing = status.type() == fs::file_type::not_found || ec == std::errc::no_such_file_or_directory;
    if (ec) {
        if (fs::is_symlink(fs::symlink_status(path, linkEc)))
            return FileRow(name, GAME_FILE_SKIPPED, ec.value() == ELOOP ? "a link loop" : "a broken link");
        if (!missing) return FileRow(name, GAME_FILE_FAILED, ec.message());
    }
    if (missing) return FileRow(name, GAME_FILE_FAILED, "no such file or directory"); /* one wording everywhere */
    switch (status.type()) {
    case fs::file_type::regular: return FileRow(name, GAME_FILE_TO_HASH, "");
    default: return FileRow(name, GAME_FILE_SKIPPED, NotRegular(status.type()));
    }
}

struct Walk {
    bool recursive, archives;
    std::set<fs::path> seen; /* folders by their real path: links never lead round */
    size_t foldersLeft;      /* subfolders not searched without recursion */
    std::vector<GameFile> *files;
};

/* A path that is not a folder: a zip archive's members, or itself. */
static void AddFile(const Walk &walk, const fs::path &path, const std::string &name) {
    GameFile file = Classify(path, name);
    if (walk.archives && file.state == GAME_FILE_TO_HASH && IsZipName(name)) ListMembers(name, walk.files);
    else walk.files->push_back(file);
}

static void ListFolder(Walk *walk, const fs::path &folder, const std::string &name) {
    std::error_code ec;
    fs::path real = fs::canonical(folder, ec);
    if (!ec && !walk->seen.insert(real).second) {
        walk->files->push_back(FileRow(name, GAME_FILE_SKIPPED, "a folder already searched"));
        return;
    }
    std::vector<fs::path> entries;
    fs::directory_iterator it(folder, ec), end;
    for (; !ec && it != end; it.increment(ec)) entries.push_back(it->path());
    if (ec) {
        walk->files->push_back(FileRow(name, GAME_FILE_FAILED, "cannot list it: " + ec.message()));
        return;
    }
    std::sort(entries.begin(), entries.end(), [](const fs::path &a, const fs::path &b) {
        return NameOf(a.filename()) < NameOf(b.filename());
    });
    for (const fs::path &entry : entries) {
        if (Interrupted()) return;
        std::string entryName = JoinName(name, NameOf(entry.filename()));
        std::error_code entryEc; /* each entry's own: one bad link spoils nothing else */
        if (fs::is_directory(entry, entryEc)) {
            if (walk->recursive) ListFolder(walk, entry, entryName);
            else walk->foldersLeft++;
        } else {
            AddFile(*walk, entry, entryName);
        }
    }
}

static void ListPath(const std::string &path, bool recursive, bool archives, std::vector<GameFile> *files,
                     std::vector<std::string> *warnings) {
    fs::path p = PathOf(path);
    std::error_code ec;
    Walk walk = {recursive, archives, {}, 0, files};
    if (!fs::is_directory(p, ec)) {
        AddFile(walk, p, path);
        return;
    }
    size_t before = files->size();
    ListFolder(&walk, p, path);
    if (files->size() > before || Interrupted()) return;
    std::string why = walk.foldersLeft == 0 ? "it is empty"
                                            : "it holds only folders, which -r searches";
    warnings->push_back("'" + path + "' holds no game files: " + why);
}

void ListGameFiles(const std::string &path, bool recursive, bool archives, std::vector<GameFile> *files,
                   std::vector<std::string> *warnings) {
    std::vector<std::string> matches;
    if (!ExpandPattern(path, &matches)) {
        ListPath(path, recursive, archives, files, warnings);
        return;
    }
    size_t cut = path.find_last_of("\\/:");
    bool deep = cut != std::string::npos && path.find_first_of("*?") < cut; /* never expanded: say so */
    if (matches.empty())
        files->push_back(FileRow(path, GAME_FILE_FAILED, deep ? "nothing matches the pattern: only its last part may hold * or ?"
                                                              : "nothing matches the pattern"));
    for (size_t i = 0; i < matches.size() && !Interrupted(); i++)
        ListPath(matches[i], recursive, archives, files, warnings);
}

void HashGameFile(GameFile *file, HashProgress progress, void *context) {
    std::string error;
    bool notRegular;
    FILE *f = OpenRegularFile(file->name, &error, &notRegular);
    if (f == NULL) {
        file->state = notRegular ? GAME_FILE_SKIPPED : GAME_FILE_FAILED; /* it changed since listed */
        file->note = error;
        return;
    }
    FileStamp before;
    bool stamped = StampOf(f, &before);
    static unsigned char chunk[1 << 20];
    uLong sum = crc32(0L, Z_NULL, 0);
    uint64_t total = 0;
    size_t n;
    bool stopped = false;
    while (!stopped && (n = fread(chunk, 1, sizeof chunk, f)) > 0) {
        sum = crc32(sum, chunk, (uInt)n);
        total += n;
        stopped = progress != NULL && !progress(total, context);
    }
    bool failed = ferror(f) != 0;
    int readErrno = errno;
    bool changed = stamped && ChangedSince(f, before);
    fclose(f);
    file->crc = (uint32_t)sum;
    file->state = failed || changed || stopped ? GAME_FILE_FAILED : GAME_FILE_HASHED;
    if (failed) file->note = strerror(readErrno);
    else if (changed) file->note = kChangedWhileRead;
    else if (stopped) file->note = "stopped";
}

static bool ReadStream(FILE *stream, size_t maxBytes, std::string *contents, std::string *error) {
    char chunk[65536];
    size_t n;
    contents->clear();
    while ((n = fread(chunk, 1, sizeof chunk, stream)) > 0 && contents->size() <= maxBytes)
        contents->append(chunk, n);
    if (ferror(stream)) *error = strerror(errno);
    else if (contents->size() > maxBytes) *error = "larger than " + std::to_string(maxBytes >> 20) + " MB";
    return !ferror(stream) && contents->size() <= maxBytes;
}

bool ReadWholeFile(const std::string &name, size_t maxBytes, std::string *contents, std::string *error) {
    FILE *f = OpenInput(name, error);
    if (f == NULL) return false;
    bool ok = ReadStream(f, maxBytes, contents, error);
    if (f != stdin) fclose(f);
    return ok;
}

std::string FullKey(uint32_t crc, bool lower) {
    char key[9];
    snprintf(key, sizeof key, lower ? "%08x" : "%08X", (unsigned)crc);
    return key;
}
