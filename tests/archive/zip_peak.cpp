/* Peak memory of a listing: a directory near the 64 MB bound, written to a file a piece at a time, listed through it */
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <string>

#include "zip_builder.h"
#include "zip_directory.h"

/* zip_peak many|largest [LIMIT_KB]
   many:    1,200,000 members with names of 7 characters: a 63.6 MB directory.
   largest: 1,458,888 members with empty names, all the same: the most
            entries kZipMaxDirectory allows, each compared with the first.
   Prints the peak resident size; fails over LIMIT_KB, or on a listing that
   is not as written. */

namespace {

bool WriteAll(int fd, const std::string &bytes) {
    return write(fd, bytes.data(), bytes.size()) == (ssize_t)bytes.size();
}

/* The archive's directory and ZIP64 end, a megabyte at a time, after a hole
   where the members' local headers would be (the reader never reads them). */
bool WriteArchive(int fd, uint32_t members, bool named) {
    uint64_t directoryAt = (uint64_t)members * 30;
    if (lseek(fd, (off_t)directoryAt, SEEK_SET) < 0) return false;
    std::string piece;
    char name[16] = "";
    Entry e;
    for (uint32_t i = 0; i < members; i++) {
        if (named) snprintf(name, sizeof name, "%07x", (unsigned)i);
        e.name = name;
        piece += CentralEntry(e, (uint64_t)i * 30);
        if (piece.size() < (1u << 20)) continue;
        if (!WriteAll(fd, piece)) return false;
        piece.clear();
    }
    uint64_t endAt = (uint64_t)lseek(fd, 0, SEEK_CUR) + piece.size(), size = endAt - directoryAt;
    piece += Le(0x06064b50, 4) + Le(44, 8) + Le(45, 2) + Le(45, 2) + Le(0, 8) + Le(members, 8) + Le(members, 8) +
             Le(size, 8) + Le(directoryAt, 8);
    piece += Le(0x07064b50, 4) + Le(0, 4) + Le(endAt, 8) + Le(1, 4);
    piece += EndRecord(0xFFFF, 0xFFFFFFFF, 0xFFFFFFFF);
    return WriteAll(fd, piece);
}

bool ReadFile(void *context, uint64_t offset, void *buffer, size_t length) {
    return pread(*(int *)context, buffer, length, (off_t)offset) == (ssize_t)length;
}

/* The members seen, and those not as written. */
struct Tally {
    uint32_t members, wrong;
    unsigned problems; /* what each should have */
};

bool Count(void *context, const ZipMember &member) {
    Tally *tally = (Tally *)context;
    if (member.problems != tally->problems) tally->wrong++;
    tally->members++;
    return true;
}

}  // namespace

int main(int argc, char **argv) {
    bool named = argc >= 2 && strcmp(argv[1], "many") == 0;
    if (argc < 2 || (!named && strcmp(argv[1], "largest") != 0)) {
        fprintf(stderr, "usage: zip_peak many|largest [LIMIT_KB]\n");
        return 2;
    }
    uint32_t members = named ? 1200000 : (uint32_t)(kZipMaxDirectory / 46);
    char path[] = "/tmp/zip-peak-XXXXXX";
    int fd = mkstemp(path);
    if (fd < 0 || unlink(path) != 0 || !WriteArchive(fd, members, named)) {
        perror("zip_peak");
        return 1;
    }
    struct timespec start, end;
    clock_gettime(CLOCK_MONOTONIC, &start);
    Tally tally = {0, 0, named ? 0u : (unsigned)ZIP_MEMBER_SAME_NAME};
    ZipProblem problem = ListZipDirectory({ReadFile, &fd, (uint64_t)lseek(fd, 0, SEEK_END)}, Count, &tally);
    clock_gettime(CLOCK_MONOTONIC, &end);
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    long limit = argc >= 3 ? atol(argv[2]) : 0;
    printf("%s: %u members listed (%u not as written) in %.2f s; peak resident %ld KB%s\n", argv[1], tally.members,
           tally.wrong, (double)(end.tv_sec - start.tv_sec) + (double)(end.tv_nsec - start.tv_nsec) / 1e9,
           usage.ru_maxrss, limit > 0 ? (" (limit " + std::to_string(limit) + " KB)").c_str() : "");
    close(fd);
    bool good = problem == ZIP_OK && tally.members == members && tally.wrong == 0;
    return good && (limit <= 0 || usage.ru_maxrss <= limit) ? 0 : 1;
}
