/* Zip central directory (each member's recorded name, CRC-32 and sizes, read within bounds) */
#ifndef PLINOR_ZIP_DIRECTORY_H
#define PLINOR_ZIP_DIRECTORY_H

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

/* Reads only the central directory: the end record, the ZIP64 locator and
   end record, each entry and its extra fields (ZIP64 sizes, the Unicode
   path, AES). It never decompresses, never reads a member's data or local
   header, and never opens anything by a member's name. Every byte is
   untrusted: whatever the file holds, it answers, in time linear in the
   directory's size (a sort aside) and in memory bounded by it (see
   ListZipDirectory). */

/* Reads exactly `length` bytes at `offset` into `buffer`; false if it
   cannot. The reader asks only for ranges within the archive's size, each
   at most 256 KB, and reads the directory more than once: the source must
   give the same bytes each time. */
typedef bool (*ZipRead)(void *context, uint64_t offset, void *buffer, size_t length);

struct ZipSource {
    ZipRead read;
    void *context;
    uint64_t size; /* the archive's, in bytes */
};

/* An archive in memory: the bytes must outlive the source. */
ZipSource ZipMemorySource(const void *data, size_t size);

/* A problem that leaves no member to list: the archive is one row. */
enum ZipProblem {
    ZIP_OK,
    ZIP_READ_FAILED,        /* the source failed; why is the caller's to say */
    ZIP_NOT_ZIP,            /* no end record, and it does not begin as a zip */
    ZIP_TRUNCATED,          /* it begins as a zip, but the end record is gone */
    ZIP_SPLIT,              /* one part of an archive split over several files */
    ZIP_OUTSIDE,            /* the end record, or ZIP64's, points outside the file */
    ZIP_WRONG_COUNT,        /* the end record's count is not the number of entries (see ListZipDirectory) */
    ZIP_WRONG_SIZE,         /* the directory's recorded size ends within an entry */
    ZIP_BROKEN,             /* an entry or the ZIP64 end record lacks its signature */
    ZIP_TOO_LARGE           /* a directory over kZipMaxDirectory bytes */
};

/* Over a million members (at most 1,458,888: an entry takes 46 bytes and
   more); bounds what an archive can make us allocate. */
const uint64_t kZipMaxDirectory = 64u << 20;

/* A problem with one member, a bit in ZipMember::problems; the other
   members are listed as usual. */
enum ZipMemberProblem {
    ZIP_MEMBER_UNSAFE_NAME = 1,  /* a ".." component, an absolute path or a drive ("C:", "\\server") */
    ZIP_MEMBER_SAME_NAME = 2,    /* another member has the same name: each is flagged */
    ZIP_MEMBER_OVERLAP = 4,      /* its data range meets another's: each is flagged */
    ZIP_MEMBER_OUTSIDE = 8,      /* its data range does not end before the directory */
    ZIP_MEMBER_BAD_EXTRA = 16    /* an extra field runs past its end, or ZIP64 values it needs are missing */
};

/* How the name was read: the first rule that applies, in this order.
   1. ZIP_NAME_UTF8: general-purpose flag bit 11 says UTF-8.
   2. ZIP_NAME_UNICODE_FIELD: a Unicode path extra field (version 1) whose
      CRC-32 matches the recorded name and which holds well-formed UTF-8
      gives the name; a stale one (the name changed since) or a malformed
      one is ignored.
   3. ZIP_NAME_CP437: the name is ASCII, which reads the same in every
      code page.
   4. ZIP_NAME_UTF8_UNMARKED: its bytes are well-formed UTF-8, as zip tools
      on Linux and macOS write without saying so.
   5. ZIP_NAME_CP932: well-formed Shift_JIS with every pair assigned, as
      Japanese archivers write.
   6. ZIP_NAME_CP437: anything else, by the format's own default.
   Known limits: legacy names cannot be told apart for certain. A Western
   name whose accented letters happen to form Shift_JIS pairs ("\x82" for
   e-acute before a letter) or half-width katakana reads as CP932; a
   Shift_JIS name that happens to be well-formed UTF-8 (short runs of
   half-width katakana) reads as UTF-8; other code pages (CP850, Chinese,
   Korean) come out as CP932 or CP437 look-alikes. No byte is lost: the
   recorded bytes stay in rawName. Names marked UTF-8 that are not have
   each bad byte replaced by U+FFFD.
   ZIP_MEMBER_UNSAFE_NAME is judged on the recorded name as rules 1 and 3
   to 6 decode it (so a Shift_JIS trail byte 0x5C is no backslash), and on
   the Unicode path field's name too when rule 2 gives it: a tool that
   ignores the field must not be led out either. */
enum ZipNameEncoding {
    ZIP_NAME_UTF8,
    ZIP_NAME_UNICODE_FIELD,
    ZIP_NAME_UTF8_UNMARKED,
    ZIP_NAME_CP932,
    ZIP_NAME_CP437
};

struct ZipMember {
    std::string rawName;  /* the bytes as recorded, at most 65,535 */
    ZipNameEncoding encoding;
    std::string name;     /* as UTF-8, well-formed but not made safe to show */
    uint32_t crc;         /* as recorded; meaningless unless crcRecorded */
    uint64_t compressedSize, size, offset; /* ZIP64's where present; offset of its local header */
    bool folder;          /* the name ends with '/' (or '\') */
    bool encrypted;       /* general-purpose bit 0: traditional or AES */
    bool aes;             /* compression method 99 */
    bool crcRecorded;     /* false for AES but AE-1: AE-2 writes no CRC-32 */
    unsigned problems;    /* ZipMemberProblem bits */
};

/* Called with each member in directory order; false stops the listing. */
typedef bool (*ZipVisit)(void *context, const ZipMember &member);

/* Calls `visit` with each member, in directory order, until it returns
   false (the listing then answers ZIP_OK).
   When: every problem of the archive as a whole is found before the first
   member is visited, so on a problem other than ZIP_OK none is; the one
   exception is ZIP_READ_FAILED, which may also come after some members
   were visited, when the source fails on a later read of the directory or
   gives other bytes than before. Each member is visited with all its
   problems, those that depend on later members included: nothing read
   afterwards changes it.
   Bounds: memory holds a 256 KB window on the directory, three members and
   at most 21 bytes for each entry (31 MB for the largest directory that
   kZipMaxDirectory allows), whatever the archive. The directory is read
   three times, a window at a time: to check its entries and find their
   data ranges, to hash their decoded names, and to visit them; an entry
   whose name's 64-bit hash another shares is read once more, alone, and
   compared for real. Time is linear in the directory's size, two sorts of
   the entries aside.
   Count: the entries are read until the directory's recorded size is used
   up, whatever the end record counts; a size that ends within an entry is
   ZIP_WRONG_SIZE. The count must then be the number of entries, except
   that the 16-bit count of an archive without ZIP64 need only equal it
   modulo 65,536 (writers that do not use ZIP64 let it wrap past 65,535
   members); otherwise it is ZIP_WRONG_COUNT.
   Members: a traditionally encrypted member is listed with its recorded
   CRC-32 (that of the plain data). A zero-length member is listed like any
   other, with size 0 and, normally, CRC-32 0. An empty archive is ZIP_OK
   with no members. The end record is searched for backwards from the end,
   the first whose comment length reaches exactly to the end of the file
   winning (so a comment holding the signature does not mislead), else the
   last whose comment fits. A member's data range is taken as its local
   header offset plus 30 bytes and its compressed size: the least it can
   take. Names are compared as decoded. Offsets are used as recorded: an
   archive with bytes put before it and its offsets not adjusted reads as
   ZIP_BROKEN. */
ZipProblem ListZipDirectory(const ZipSource &source, ZipVisit visit, void *context);

/* ListZipDirectory into a vector, whole: for tests, whose archives are
   small. On a problem other than ZIP_OK, no member. */
ZipProblem ReadZipDirectory(const ZipSource &source, std::vector<ZipMember> *members);

/* What a problem means, in a few words of ASCII for a row. */
const char *ZipProblemText(ZipProblem problem);
const char *ZipMemberProblemText(ZipMemberProblem problem);

#endif
