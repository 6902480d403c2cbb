/* Zip archives as a source (each member a row, keyed by the CRC-32 its archive records) */
#include "source_archive.h"

#include <errno.h>
#include <string.h>

#include "files.h"
#include "platform.h"
#include "zip_directory.h"

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

static MessageId ProblemId(ZipProblem problem) {
    switch (problem) {
    case ZIP_NOT_ZIP: return M_ZIP_NOT_ZIP;
    case ZIP_TRUNCATED: return M_ZIP_TRUNCATED;
    case ZIP_SPLIT: return M_ZIP_SPLIT;
    case ZIP_OUTSIDE: return M_ZIP_OUTSIDE;
    case ZIP_WRONG_COUNT: return M_ZIP_WRONG_COUNT;
    case ZIP_WRONG_SIZE: return M_ZIP_WRONG_SIZE;
    case ZIP_BROKEN: return M_ZIP_BROKEN;
    case ZIP_TOO_LARGE: return M_ZIP_TOO_LARGE;
    default: return M_ZIP_READ_FAILED;
    }
}

static MessageId MemberProblemId(ZipMemberProblem problem) {
    switch (problem) {
    case ZIP_MEMBER_UNSAFE_NAME: return M_ZIP_UNSAFE_NAME;
    case ZIP_MEMBER_SAME_NAME: return M_ZIP_SAME_NAME;
    case ZIP_MEMBER_OVERLAP: return M_ZIP_OVERLAP;
    case ZIP_MEMBER_OUTSIDE: return M_ZIP_DATA_OUTSIDE;
    default: return M_ZIP_BAD_EXTRA;
    }
}

/* The problems' texts, in the order of their bits. */
static std::string ProblemsText(unsigned problems, Language language) {
    std::string text;
    for (unsigned bit = 1; bit <= problems && bit != 0; bit <<= 1)
        if (problems & bit)
            text += (text.empty() ? "" : MessageText(M_PROBLEM_SEPARATOR, language)) +
                    std::string(MessageText(MemberProblemId((ZipMemberProblem)bit), language));
    return text;
}

/* Where the members go as the directory is read. */
struct Members {
    Language language;
    const std::string *archive;
    RowSink sink;
    Row *row;
    size_t sent;
    bool stopped;
};

static bool SendMember(void *context, const ZipMember &m) {
    Members *members = (Members *)context;
    if (m.folder) return true;
    Row *row = members->row;
    ClearRow(row);
    row->askedBy = ASKED_BY_FILE;
    row->file = *members->archive;
    row->member.present = true;
    row->member.name = m.name;
    row->member.recorded = m.rawName;
    row->member.encrypted = m.encrypted;
    row->crc = m.crc;
    row->crcKnown = m.problems == 0 && m.crcRecorded;
    if (m.problems != 0) {
        row->state = ROW_FAILED;
        row->note = ProblemsText(m.problems, members->language);
    } else if (!m.crcRecorded) {
        row->state = ROW_SKIPPED;
        row->note = MessageText(M_ZIP_AES_NO_CRC, members->language);
    }
    members->sent++;
    members->stopped = !members->sink.take(members->sink.context, row);
    return !members->stopped;
}

/* Lists the directory into the sink; why there is none, or "" when read. */
static std::string ListDirectory(FILE *f, Members *members) {
    ArchiveFile source = {f, 0};
    FileStamp before;
    ZipProblem problem = ZIP_READ_FAILED;
    bool stamped = StampOf(f, &before);
    if (stamped) problem = ListZipDirectory({ReadArchive, &source, before.size}, SendMember, members);
    Language language = members->language;
    if (stamped && ChangedSince(f, before)) return MessageText(M_CHANGED_WHILE_READ, language);
    if (problem == ZIP_OK) return "";
    if (problem != ZIP_READ_FAILED || !stamped) return MessageText(ProblemId(problem), language);
    return source.error != 0 ? strerror(source.error) : MessageText(M_ZIP_SHORT, language);
}

bool SendArchive(const std::string &archive, RowSink sink, Row *row, Language language) {
    std::string error;
    std::filesystem::file_type type;
    FILE *f = OpenRegularFile(archive, &error, &type);
    if (f == NULL)
        return SendFileRow(archive, ROW_FAILED,
                              type != std::filesystem::file_type::none ? NotRegular(type, language) : error, sink, row);
    Members members = {language, &archive, sink, row, 0, false};
    std::string problem = ListDirectory(f, &members);
    fclose(f);
    if (members.stopped) return false;
    if (!problem.empty()) return SendFileRow(archive, ROW_FAILED, problem, sink, row);
    if (members.sent == 0) return SendFileRow(archive, ROW_SKIPPED, MessageText(M_ZIP_NO_FILES, language), sink, row);
    return true;
}
