/* Zip archives among the game files (each member a row, keyed by the CRC-32 its archive records) */
#include "archive_members.h"

#include <errno.h>
#include <string.h>

#include "platform.h"
#include "zip_directory.h"

bool IsZipName(const std::string &name) {
    if (name.size() < 4) return false;
    std::string suffix = name.substr(name.size() - 4);
    for (char &c : suffix) c = c >= 'A' && c <= 'Z' ? (char)(c - 'A' + 'a') : c;
    return suffix == ".zip";
}

/* The archive being read, and the first failure's reason. */
struct ArchiveFile {
    FILE *file;
    int error;
};

static bool ReadArchive(void *context, uint64_t offset, void *buffer, size_t length) {
    ArchiveFile *a = (ArchiveFile *)context;
    errno = 0;
    if (ReadAt(a->file, offset, buffer, length)) return true;
    if (a->error == 0) a->error = errno;
    return false;
}

/* The problems' texts, in the order of their bits. */
static std::string ProblemsText(unsigned problems) {
    std::string text;
    for (unsigned bit = 1; bit <= problems && bit != 0; bit <<= 1)
        if (problems & bit) text += (text.empty() ? "" : "; ") + std::string(ZipMemberProblemText((ZipMemberProblem)bit));
    return text;
}

static GameFile MemberRow(const std::string &archive, const ZipMember &m) {
    GameFile row = {archive, GAME_FILE_HASHED, "", m.crc, {true, m.name, m.rawName, m.encrypted}};
    if (m.problems != 0) {
        row.state = GAME_FILE_FAILED;
        row.note = ProblemsText(m.problems);
    } else if (!m.crcRecorded) {
        row.state = GAME_FILE_SKIPPED;
        row.note = "AES-encrypted, and the archive records no CRC-32 for it";
    }
    return row;
}

/* The archive's directory, or why there is none ("" when read). */
static std::string ReadDirectory(const std::string &archive, std::vector<ZipMember> *members) {
    std::string error;
    FILE *f = OpenRegularFile(archive, &error);
    if (f == NULL) return error;
    ArchiveFile source = {f, 0};
    FileStamp before;
    ZipProblem problem = ZIP_READ_FAILED;
    bool stamped = StampOf(f, &before);
    if (stamped) problem = ReadZipDirectory({ReadArchive, &source, before.size}, members);
    bool changed = stamped && ChangedSince(f, before);
    fclose(f);
    if (changed) return kChangedWhileRead;
    if (problem != ZIP_READ_FAILED || !stamped) return ZipProblemText(problem);
    return source.error != 0 ? strerror(source.error) : "it holds fewer bytes than its size says";
}

void ListMembers(const std::string &archive, std::vector<GameFile> *files) {
    std::vector<ZipMember> members;
    std::string problem = ReadDirectory(archive, &members);
    if (!problem.empty()) {
        files->push_back(FileRow(archive, GAME_FILE_FAILED, problem));
        return;
    }
    size_t before = files->size();
    for (const ZipMember &m : members)
        if (!m.folder) files->push_back(MemberRow(archive, m));
    if (files->size() == before) files->push_back(FileRow(archive, GAME_FILE_SKIPPED, "a zip archive holding no files"));
}
