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

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::vector<ZipMember> members;
    ZipProblem problem = ReadZipDirectory(ZipMemorySource(data, size), &members);
    if (problem != ZIP_OK && !members.empty()) abort();
    if (members.size() > size / kEntrySize) abort();
    for (const ZipMember &m : members) {
        if (m.rawName.size() > kMaxName || m.name.size() > 3 * kMaxName || !IsValidUtf8(m.name)) abort();
        if (!(m.problems & ZIP_MEMBER_OUTSIDE) && !WithinArchive(m, size)) abort();
        if ((m.problems & ~kAllProblems) != 0) abort();
    }
    return 0;
}
