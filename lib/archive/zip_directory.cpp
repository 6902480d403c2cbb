/* Zip central directory (each member's recorded name, CRC-32 and sizes, read within bounds) */
#include "zip_directory.h"

#include <string.h>
#include <zlib.h>

#include <algorithm>

#include "encodings.h"
#include "text.h"

static const uint32_t kEndSignature = 0x06054b50, kLocatorSignature = 0x07064b50,
                      kZip64EndSignature = 0x06064b50, kEntrySignature = 0x02014b50,
                      kLocalSignature = 0x04034b50;
static const size_t kEndSize = 22, kLocatorSize = 20, kZip64EndSize = 56, kEntrySize = 46,
                    kLocalSize = 30, kMaxComment = 0xFFFF;
static const uint32_t kWide = 0xFFFFFFFF; /* a 32-bit field whose value is in the ZIP64 field */
static const uint16_t kUtf8Flag = 0x800, kAesMethod = 99;
static const uint16_t kZip64Field = 0x0001, kUnicodePathField = 0x7075, kAesField = 0x9901;

/* Little-endian fields; the caller has checked the bounds. */
static uint16_t Get16(const unsigned char *p) { return (uint16_t)(p[0] | p[1] << 8); }
static uint32_t Get32(const unsigned char *p) { return Get16(p) | (uint32_t)Get16(p + 2) << 16; }
static uint64_t Get64(const unsigned char *p) { return Get32(p) | (uint64_t)Get32(p + 4) << 32; }

static bool MemoryRead(void *context, uint64_t offset, void *buffer, size_t length) {
    memcpy(buffer, (const char *)context + offset, length);
    return true;
}

ZipSource ZipMemorySource(const void *data, size_t size) {
    return {MemoryRead, const_cast<void *>(data), size};
}

static bool ReadAt(const ZipSource &source, uint64_t offset, size_t length, std::string *bytes) {
    bytes->assign(length, '\0');
    return length == 0 || source.read(source.context, offset, &(*bytes)[0], length);
}

/* Where the directory lies, as the end records say. */
struct Directory {
    uint64_t offset, size, entries;
    uint64_t limit; /* where the records that describe it begin */
};

/* The end record's offset in the tail: the last whose comment reaches
   exactly to the end, else the last whose comment fits; SIZE_MAX if none. */
static size_t FindEndRecord(const unsigned char *tail, size_t length) {
    size_t fits = SIZE_MAX;
    for (size_t at = length >= kEndSize ? length - kEndSize + 1 : 0; at-- > 0;) {
        if (Get32(tail + at) != kEndSignature) continue;
        size_t comment = Get16(tail + at + 20), after = length - at - kEndSize;
        if (comment == after) return at;
        if (comment < after && fits == SIZE_MAX) fits = at;
    }
    return fits;
}

/* The ZIP64 end record the locator before the end record names. */
static ZipProblem ReadZip64End(const ZipSource &source, uint64_t locatorAt, const unsigned char *locator,
                               Directory *directory) {
    uint64_t at = Get64(locator + 8);
    if (Get32(locator + 4) != 0 || Get32(locator + 16) > 1) return ZIP_SPLIT;
    if (locatorAt < kZip64EndSize || at > locatorAt - kZip64EndSize) return ZIP_OUTSIDE;
    std::string bytes;
    if (!ReadAt(source, at, kZip64EndSize, &bytes)) return ZIP_READ_FAILED;
    const unsigned char *p = (const unsigned char *)bytes.data();
    if (Get32(p) != kZip64EndSignature) return ZIP_BROKEN;
    if (Get32(p + 16) != 0 || Get32(p + 20) != 0 || Get64(p + 24) != Get64(p + 32)) return ZIP_SPLIT;
    *directory = {Get64(p + 48), Get64(p + 40), Get64(p + 32), at};
    return ZIP_OK;
}

static ZipProblem LocateDirectory(const ZipSource &source, Directory *directory) {
    std::string tail, start;
    size_t found = SIZE_MAX, length = 0;
    for (size_t most : {kEndSize, kEndSize + kMaxComment}) { /* most archives have no comment: one small read */
        length = (size_t)std::min<uint64_t>(source.size, most);
        if (!ReadAt(source, source.size - length, length, &tail)) return ZIP_READ_FAILED;
        found = FindEndRecord((const unsigned char *)tail.data(), length);
        if (found != SIZE_MAX || length == source.size) break;
    }
    if (found == SIZE_MAX) {
        if (source.size < 4) return ZIP_NOT_ZIP;
        if (!ReadAt(source, 0, 4, &start)) return ZIP_READ_FAILED;
        return Get32((const unsigned char *)start.data()) == kLocalSignature ? ZIP_TRUNCATED : ZIP_NOT_ZIP;
    }
    const unsigned char *end = (const unsigned char *)tail.data() + found;
    uint64_t endAt = source.size - length + found;
    std::string locator;
    if (endAt >= kLocatorSize) {
        if (!ReadAt(source, endAt - kLocatorSize, kLocatorSize, &locator)) return ZIP_READ_FAILED;
        const unsigned char *p = (const unsigned char *)locator.data();
        if (Get32(p) == kLocatorSignature) return ReadZip64End(source, endAt - kLocatorSize, p, directory);
    }
    if (Get16(end + 4) != 0 || Get16(end + 6) != 0 || Get16(end + 8) != Get16(end + 10)) return ZIP_SPLIT;
    *directory = {Get32(end + 16), Get32(end + 12), Get16(end + 10), endAt};
    return ZIP_OK;
}

/* The extra fields this reader uses. */
struct Extras {
    bool bad;
    bool hasUnicodeName;
    std::string unicodeName;
    uint16_t aesVersion; /* 0: no AES field */
};

/* ZIP64's field holds, in this order, the values whose 32-bit fields are
   all ones; each one it lacks leaves its field all ones. */
static bool ReadZip64Field(const unsigned char *p, size_t length, ZipMember *member) {
    uint64_t *values[] = {&member->size, &member->compressedSize, &member->offset};
    for (uint64_t *value : values) {
        if (*value != kWide) continue;
        if (length < 8) return false;
        *value = Get64(p);
        p += 8;
        length -= 8;
    }
    return true;
}

static void ReadExtras(const unsigned char *p, size_t length, ZipMember *member, Extras *extras) {
    bool zip64Needed = member->size == kWide || member->compressedSize == kWide || member->offset == kWide;
    bool zip64Seen = false;
    while (length >= 4 && !extras->bad) {
        uint16_t id = Get16(p), size = Get16(p + 2);
        const unsigned char *field = p + 4;
        if (size > length - 4) {
            extras->bad = true;
            break;
        }
        if (id == kZip64Field && !zip64Seen) {
            zip64Seen = true;
            extras->bad = !ReadZip64Field(field, size, member);
        } else if (id == kUnicodePathField && size >= 5 && field[0] == 1 &&
                   Get32(field + 1) == crc32(0, (const Bytef *)member->rawName.data(), (uInt)member->rawName.size())) {
            std::string name((const char *)field + 5, size - 5u);
            extras->hasUnicodeName = IsValidUtf8(name); /* else it would put U+FFFD over a good name */
            if (extras->hasUnicodeName) extras->unicodeName.swap(name);
        } else if (id == kAesField && size >= 7) {
            extras->aesVersion = Get16(field);
        }
        p += 4 + size;
        length -= 4 + size;
    }
    if (zip64Needed && !zip64Seen) extras->bad = true;
}

static const uint16_t kCp437[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7,
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192,
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,
    0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556,
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B,
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229,
    0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,
};

static std::string Utf8FromCp437(const std::string &bytes) {
    std::string out;
    for (char byte : bytes) {
        unsigned char c = (unsigned char)byte;
        AppendUtf8(c < 0x80 ? c : kCp437[c - 0x80], &out);
    }
    return out;
}

static bool IsAscii(const std::string &bytes) {
    for (char c : bytes)
        if (c & 0x80) return false;
    return true;
}

/* Judged on a decoded name, where a Shift_JIS trail byte 0x5C is no
   backslash. A leading backslash covers "\\server" too. */
static bool LeavesItsFolder(const std::string &name) {
    if (!name.empty() && (name[0] == '/' || name[0] == '\\')) return true;
    if (name.size() >= 2 && name[1] == ':' && ((name[0] | 0x20) >= 'a' && (name[0] | 0x20) <= 'z')) return true;
    for (size_t start = 0, i = 0; i <= name.size(); i++) {
        if (i < name.size() && name[i] != '/' && name[i] != '\\') continue;
        if (i - start == 2 && name.compare(start, 2, "..") == 0) return true;
        start = i + 1;
    }
    return false;
}

/* The recorded bytes by the rules that need no extra field. */
static ZipNameEncoding DecodeRecordedName(uint16_t flags, const std::string &raw, std::string *name) {
    if (flags & kUtf8Flag) {
        *name = ValidUtf8(raw);
        return ZIP_NAME_UTF8;
    }
    if (IsAscii(raw) || IsValidUtf8(raw)) {
        *name = raw;
        return IsAscii(raw) ? ZIP_NAME_CP437 : ZIP_NAME_UTF8_UNMARKED;
    }
    ShiftJisFault fault;
    *name = Utf8FromShiftJis(raw, &fault);
    if (fault.length == 0) return ZIP_NAME_CP932;
    *name = Utf8FromCp437(raw);
    return ZIP_NAME_CP437;
}

/* The order of the rules is documented with ZipNameEncoding; true when
   the recorded name, or the Unicode one used instead, leaves its folder. */
static bool DecodeName(uint16_t flags, const Extras &extras, ZipMember *member) {
    member->encoding = DecodeRecordedName(flags, member->rawName, &member->name);
    bool unsafe = LeavesItsFolder(member->name);
    if (!(flags & kUtf8Flag) && extras.hasUnicodeName) {
        member->encoding = ZIP_NAME_UNICODE_FIELD;
        member->name = extras.unicodeName;
        unsafe = unsafe || LeavesItsFolder(member->name);
    }
    return unsafe;
}

static ZipProblem ReadEntry(const unsigned char *entry, size_t left, size_t *length, ZipMember *member) {
    if (left < kEntrySize) return ZIP_TOO_MANY_ENTRIES;
    if (Get32(entry) != kEntrySignature) return ZIP_BROKEN;
    size_t nameLength = Get16(entry + 28), extraLength = Get16(entry + 30);
    *length = kEntrySize + nameLength + extraLength + Get16(entry + 32);
    if (*length > left) return ZIP_TOO_MANY_ENTRIES;
    uint16_t flags = Get16(entry + 8);
    member->rawName.assign((const char *)entry + kEntrySize, nameLength);
    member->crc = Get32(entry + 16);
    member->compressedSize = Get32(entry + 20);
    member->size = Get32(entry + 24);
    member->offset = Get32(entry + 42);
    Extras extras = {false, false, std::string(), 0};
    ReadExtras(entry + kEntrySize + nameLength, extraLength, member, &extras);
    bool unsafe = DecodeName(flags, extras, member);
    member->folder = !member->name.empty() && (member->name.back() == '/' || member->name.back() == '\\');
    member->encrypted = (flags & 1) != 0;
    member->aes = Get16(entry + 10) == kAesMethod;
    member->crcRecorded = !member->aes || extras.aesVersion == 1;
    member->problems = (extras.bad ? ZIP_MEMBER_BAD_EXTRA : 0) | (unsafe ? ZIP_MEMBER_UNSAFE_NAME : 0);
    return ZIP_OK;
}

/* The least a member's data takes: its local header and compressed bytes. */
static uint64_t DataEnd(const ZipMember &member) {
    uint64_t least = kLocalSize + std::min<uint64_t>(member.compressedSize, UINT64_MAX - kLocalSize);
    return member.offset > UINT64_MAX - least ? UINT64_MAX : member.offset + least;
}

/* The members' indices, sorted by `less` over members. */
template <typename Less>
static std::vector<size_t> SortedOrder(const std::vector<ZipMember> &members, Less less) {
    std::vector<size_t> order(members.size());
    for (size_t i = 0; i < order.size(); i++) order[i] = i;
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return less(members[a], members[b]); });
    return order;
}

/* Each data range against those next to it in offset order: a member meets
   an earlier one if it starts before the furthest end so far. */
static void FlagDataRanges(std::vector<ZipMember> *members, uint64_t directoryOffset) {
    std::vector<ZipMember> &m = *members;
    std::vector<size_t> order =
        SortedOrder(m, [](const ZipMember &a, const ZipMember &b) { return a.offset < b.offset; });
    uint64_t reach = 0;
    for (size_t k = 0; k < order.size(); k++) {
        ZipMember &member = m[order[k]];
        uint64_t end = DataEnd(member);
        bool meetsEarlier = member.offset < reach;
        bool meetsNext = k + 1 < order.size() && m[order[k + 1]].offset < end;
        if (meetsEarlier || meetsNext) member.problems |= ZIP_MEMBER_OVERLAP;
        if (end > directoryOffset) member.problems |= ZIP_MEMBER_OUTSIDE;
        reach = std::max(reach, end);
    }
}

static void FlagSameNames(std::vector<ZipMember> *members) {
    std::vector<ZipMember> &m = *members;
    std::vector<size_t> order = SortedOrder(m, [](const ZipMember &a, const ZipMember &b) { return a.name < b.name; });
    for (size_t k = 1; k < order.size(); k++) {
        ZipMember &a = m[order[k - 1]], &b = m[order[k]];
        if (a.name != b.name) continue;
        a.problems |= ZIP_MEMBER_SAME_NAME;
        b.problems |= ZIP_MEMBER_SAME_NAME;
    }
}

ZipProblem ReadZipDirectory(const ZipSource &source, std::vector<ZipMember> *members) {
    members->clear();
    Directory directory = {0, 0, 0, 0};
    ZipProblem problem = LocateDirectory(source, &directory);
    if (problem != ZIP_OK) return problem;
    if (directory.offset > directory.limit || directory.size > directory.limit - directory.offset) return ZIP_OUTSIDE;
    if (directory.entries > directory.size / kEntrySize) return ZIP_TOO_MANY_ENTRIES;
    if (directory.size > kZipMaxDirectory) return ZIP_TOO_LARGE;
    std::string bytes;
    if (!ReadAt(source, directory.offset, (size_t)directory.size, &bytes)) return ZIP_READ_FAILED;
    const unsigned char *p = (const unsigned char *)bytes.data();
    members->resize((size_t)directory.entries);
    for (size_t i = 0, at = 0, length = 0; i < members->size(); i++, at += length) {
        problem = ReadEntry(p + at, bytes.size() - at, &length, &(*members)[i]);
        if (problem != ZIP_OK) {
            members->clear();
            return problem;
        }
    }
    FlagDataRanges(members, directory.offset);
    FlagSameNames(members);
    return ZIP_OK;
}

const char *ZipProblemText(ZipProblem problem) {
    switch (problem) {
    case ZIP_OK: return "";
    case ZIP_READ_FAILED: return "cannot be read";
    case ZIP_NOT_ZIP: return "not a zip archive: it has no end record";
    case ZIP_TRUNCATED: return "a zip archive cut short: its end record is missing";
    case ZIP_SPLIT: return "one part of a split zip archive";
    case ZIP_OUTSIDE: return "its end record points outside the file";
    case ZIP_TOO_MANY_ENTRIES: return "its directory claims more entries than it holds";
    case ZIP_BROKEN: return "its directory is damaged: a record lacks its signature";
    case ZIP_TOO_LARGE: return "its directory is over 64 MB";
    }
    return "";
}

const char *ZipMemberProblemText(ZipMemberProblem problem) {
    switch (problem) {
    case ZIP_MEMBER_UNSAFE_NAME: return "its name leads out of the archive's folder";
    case ZIP_MEMBER_SAME_NAME: return "another member has the same name";
    case ZIP_MEMBER_OVERLAP: return "its data overlaps another member's";
    case ZIP_MEMBER_OUTSIDE: return "its data runs past the start of the directory";
    case ZIP_MEMBER_BAD_EXTRA: return "its extra fields are damaged";
    }
    return "";
}
