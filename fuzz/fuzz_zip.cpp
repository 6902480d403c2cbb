/* Fuzz target: arbitrary bytes as a zip archive, and what the reader lists checked against them */
#include <stdint.h>
#include <stdlib.h>

#include <vector>

#include "text.h"
#include "zip_directory.h"

static const size_t kEntrySize = 46, kLocalSize = 30, kMaxName = 0xFFFF;
static const unsigned kAllProblems = ZIP_MEMBER_UNSAFE_NAME | ZIP_MEMBER_SAME_NAME | ZIP_MEMBER_OVERLAP |
                                     ZIP_MEMBER_OUTSIDE | ZIP_MEMBER_BAD_EXTRA;

/* A member whose data the reader does not call outside lies, with its local
   header, within the archive. */
static bool WithinArchive(const ZipMember &m, uint64_t size) {
    return m.offset <= size && m.compressedSize <= size - m.offset && size - m.offset - m.compressedSize >= kLocalSize;
}

/* The least a member's data takes, as the reader counts it. */
static uint64_t DataEnd(const ZipMember &m) {
    uint64_t least = kLocalSize + (m.compressedSize < UINT64_MAX - kLocalSize ? m.compressedSize : UINT64_MAX - kLocalSize);
    return m.offset > UINT64_MAX - least ? UINT64_MAX : m.offset + least;
}

/* The problems that depend on the other members, found the slow way: each
   pair of members compared. */
static unsigned PairProblems(const std::vector<ZipMember> &members, size_t i) {
    unsigned problems = 0;
    for (size_t j = 0; j < members.size(); j++) {
        const ZipMember &a = members[i], &b = members[j];
        if (j == i) continue;
        if (a.name == b.name) problems |= ZIP_MEMBER_SAME_NAME;
        if (a.offset < DataEnd(b) && b.offset < DataEnd(a)) problems |= ZIP_MEMBER_OVERLAP;
    }
    return problems;
}

/* The members visited, up to `most`. */
struct Visits {
    std::vector<ZipMember> members;
    size_t most;
};

static bool Visit(void *context, const ZipMember &member) {
    Visits *visits = (Visits *)context;
    visits->members.push_back(member);
    return visits->members.size() < visits->most;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    Visits all = {{}, SIZE_MAX};
    ZipProblem problem = ListZipDirectory(ZipMemorySource(data, size), Visit, &all);
    const std::vector<ZipMember> &members = all.members;
    if (problem != ZIP_OK && !members.empty()) abort(); /* memory never fails to read */
    if (members.size() > size / kEntrySize) abort();
    for (size_t i = 0; i < members.size(); i++) {
        const ZipMember &m = members[i];
        if (m.rawName.size() > kMaxName || m.name.size() > 3 * kMaxName || !IsValidUtf8(m.name)) abort();
        if (!(m.problems & ZIP_MEMBER_OUTSIDE) && !WithinArchive(m, size)) abort();
        if ((m.problems & ~kAllProblems) != 0) abort();
        if ((m.problems & (ZIP_MEMBER_SAME_NAME | ZIP_MEMBER_OVERLAP)) != PairProblems(members, i)) abort();
    }
    if (members.size() < 2) return 0;
    /* Stopped halfway, the same members up to there. */
    Visits some = {{}, members.size() / 2};
    if (ListZipDirectory(ZipMemorySource(data, size), Visit, &some) != ZIP_OK || some.members.size() != some.most) abort();
    for (size_t i = 0; i < some.most; i++)
        if (some.members[i].rawName != members[i].rawName || some.members[i].problems != members[i].problems) abort();
    return 0;
}
