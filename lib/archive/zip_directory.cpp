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
    bool zip64;     /* the count is ZIP64's, exact, not the 16-bit one */
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
    *directory = {Get64(p + 48), Get64(p + 40), Get64(p + 32), at, true};
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
    *directory = {Get32(end + 16), Get32(end + 12), Get16(end + 10), endAt, false};
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

/* Every field but the decoded name; the general-purpose flags. The entry
   has been checked to hold its name, extra fields and comment. */
static uint16_t ReadFields(const unsigned char *entry, ZipMember *member, Extras *extras) {
    size_t nameLength = Get16(entry + 28), extraLength = Get16(entry + 30);
    uint16_t flags = Get16(entry + 8);
    member->rawName.assign((const char *)entry + kEntrySize, nameLength);
    member->crc = Get32(entry + 16);
    member->compressedSize = Get32(entry + 20);
    member->size = Get32(entry + 24);
    member->offset = Get32(entry + 42);
    member->encrypted = (flags & 1) != 0;
    member->aes = Get16(entry + 10) == kAesMethod;
    *extras = {false, false, std::string(), 0};
    ReadExtras(entry + kEntrySize + nameLength, extraLength, member, extras);
    member->crcRecorded = !member->aes || extras->aesVersion == 1;
    return flags;
}

/* The member an entry describes, with the problems it shows alone. */
static void ReadEntry(const unsigned char *entry, ZipMember *member) {
    Extras extras;
    uint16_t flags = ReadFields(entry, member, &extras);
    bool unsafe = DecodeName(flags, extras, member);
    member->folder = !member->name.empty() && (member->name.back() == '/' || member->name.back() == '\\');
    member->problems = (extras.bad ? ZIP_MEMBER_BAD_EXTRA : 0) | (unsafe ? ZIP_MEMBER_UNSAFE_NAME : 0);
}

/* The least a member's data takes: its local header and compressed bytes. */
static uint64_t DataEnd(const ZipMember &member) {
    uint64_t least = kLocalSize + std::min<uint64_t>(member.compressedSize, UINT64_MAX - kLocalSize);
    return member.offset > UINT64_MAX - least ? UINT64_MAX : member.offset + least;
}

/* More than the longest entry: its fixed part, name, extra fields and
   comment of 65,535 bytes each. */
static const size_t kWindow = 256u << 10;
static_assert(kWindow >= kEntrySize + 3 * 0xFFFF, "an entry fits in the window");

/* The directory, read through the source a window at a time. Positions
   are within the directory; it is at most kZipMaxDirectory bytes, so they
   fit in 32 bits, as do entry indices. */
struct DirectoryReader {
    const ZipSource *source;
    uint64_t offset, size; /* the directory's, in the archive */
    std::vector<unsigned char> window; /* kWindow bytes, or the whole directory if it is smaller */
    uint64_t windowAt;
    size_t windowLength;
};

/* What one read of an entry alone takes: enough for most, whose names and
   extra fields are short. */
static const size_t kGlimpse = 512;

/* The `length` bytes at `at`, from the window or read into it: a whole
   window when reading `ahead`, else a glimpse or those bytes, the longer.
   NULL if the source fails. */
static const unsigned char *Bytes(DirectoryReader *r, uint64_t at, size_t length, bool ahead) {
    if (at >= r->windowAt && at - r->windowAt <= r->windowLength && length <= r->windowLength - (at - r->windowAt))
        return r->window.data() + (at - r->windowAt);
    size_t fill = std::max(length, (size_t)std::min<uint64_t>(ahead ? kWindow : kGlimpse, r->size - at));
    r->windowLength = 0;
    if (!r->source->read(r->source->context, r->offset + at, r->window.data(), fill)) return NULL;
    r->windowAt = at;
    r->windowLength = fill;
    return r->window.data();
}

/* The entry at `at`, whole, and its length. */
static ZipProblem EntryAt(DirectoryReader *r, uint64_t at, bool ahead, const unsigned char **entry, size_t *length) {
    uint64_t left = r->size - at;
    if (left < kEntrySize) return ZIP_WRONG_SIZE;
    const unsigned char *p = Bytes(r, at, kEntrySize, ahead);
    if (p == NULL) return ZIP_READ_FAILED;
    if (Get32(p) != kEntrySignature) return ZIP_BROKEN;
    *length = kEntrySize + Get16(p + 28) + Get16(p + 30) + Get16(p + 32);
    if (*length > left) return ZIP_WRONG_SIZE;
    *entry = Bytes(r, at, *length, ahead);
    return *entry == NULL ? ZIP_READ_FAILED : ZIP_OK;
}

/* Calls each(index, position, entry) for the entries in order, until the
   directory's size is used up or `each` returns false. */
template <typename Each>
static ZipProblem EachEntry(DirectoryReader *r, Each each) {
    size_t length = 0;
    uint32_t index = 0;
    for (uint64_t at = 0; at < r->size; at += length, index++) {
        const unsigned char *entry = NULL;
        ZipProblem problem = EntryAt(r, at, true, &entry, &length);
        if (problem != ZIP_OK) return problem;
        if (!each(index, (uint32_t)at, entry)) break;
    }
    return ZIP_OK;
}

/* The count against the entries found: ZIP64's is exact, while writers
   that do not use ZIP64 let the 16-bit one wrap past 65,535. */
static bool CountAgrees(const Directory &directory, uint64_t found) {
    return directory.entries == (directory.zip64 ? found : found & 0xFFFF);
}

#pragma pack(push, 4)
/* A member's data range, in 20 bytes: one for each entry is kept. */
struct DataRange {
    uint64_t offset, end;
    uint32_t index;
};
/* A member's decoded name, hashed. */
struct NameKey {
    uint64_t hash;
    uint32_t index;
};
#pragma pack(pop)

/* Each data range against those next to it in offset order: a member meets
   an earlier one if it starts before the furthest end so far. */
static void FlagDataRanges(std::vector<DataRange> *ranges, uint64_t directoryOffset, std::vector<unsigned char> *problems) {
    std::vector<DataRange> &r = *ranges;
    std::sort(r.begin(), r.end(), [](const DataRange &a, const DataRange &b) {
        return a.offset != b.offset ? a.offset < b.offset : a.index < b.index;
    });
    uint64_t reach = 0;
    for (size_t k = 0; k < r.size(); k++) {
        uint64_t end = r[k].end; /* a copy: packed, it may be misaligned */
        bool meetsEarlier = r[k].offset < reach, meetsNext = k + 1 < r.size() && r[k + 1].offset < end;
        unsigned char &flags = (*problems)[r[k].index];
        if (meetsEarlier || meetsNext) flags |= ZIP_MEMBER_OVERLAP;
        if (end > directoryOffset) flags |= ZIP_MEMBER_OUTSIDE;
        reach = std::max(reach, end);
    }
}

/* The first pass: the entries' layout and count checked, and the data
   ranges flagged. `problems` gets one byte for each entry. */
static ZipProblem CheckEntries(DirectoryReader *r, const Directory &directory, std::vector<unsigned char> *problems) {
    std::vector<DataRange> ranges;
    ranges.reserve((size_t)(directory.size / kEntrySize));
    ZipMember member;
    Extras extras;
    ZipProblem problem = EachEntry(r, [&](uint32_t index, uint32_t, const unsigned char *entry) {
        ReadFields(entry, &member, &extras);
        ranges.push_back({member.offset, DataEnd(member), index});
        return true;
    });
    if (problem != ZIP_OK) return problem;
    if (!CountAgrees(directory, ranges.size())) return ZIP_WRONG_COUNT;
    problems->assign(ranges.size(), 0);
    FlagDataRanges(&ranges, directory.offset, problems);
    return ZIP_OK;
}

/* SipHash-2-4 under a fixed key. Its state is wider than its result, so
   collisions cannot be chained into many names that share one hash: the
   rounds of CompareNames stay few even for an archive made to defeat it. */
static uint64_t Rotate(uint64_t x, int bits) { return x << bits | x >> (64 - bits); }

static void SipRounds(uint64_t v[4], int rounds) {
    for (int i = 0; i < rounds; i++) {
        v[0] += v[1]; v[1] = Rotate(v[1], 13); v[1] ^= v[0]; v[0] = Rotate(v[0], 32);
        v[2] += v[3]; v[3] = Rotate(v[3], 16); v[3] ^= v[2];
        v[0] += v[3]; v[3] = Rotate(v[3], 21); v[3] ^= v[0];
        v[2] += v[1]; v[1] = Rotate(v[1], 17); v[1] ^= v[2]; v[2] = Rotate(v[2], 32);
    }
}

static uint64_t NameHash(const std::string &name) {
    const uint64_t k0 = 0x706c696e6f72, k1 = 0x7a6970206e616d65;
    uint64_t v[4] = {k0 ^ 0x736f6d6570736575, k1 ^ 0x646f72616e646f6d, k0 ^ 0x6c7967656e657261,
                     k1 ^ 0x7465646279746573};
    const unsigned char *p = (const unsigned char *)name.data();
    size_t whole = name.size() & ~(size_t)7;
    for (size_t at = 0; at <= whole; at += 8) {
        uint64_t m = at < whole ? Get64(p + at) : (uint64_t)name.size() << 56;
        for (size_t i = 0; at == whole && i < name.size() - whole; i++) m |= (uint64_t)p[at + i] << (8 * i);
        v[3] ^= m;
        SipRounds(v, 2);
        v[0] ^= m;
    }
    v[2] ^= 0xFF;
    SipRounds(v, 4);
    return v[0] ^ v[1] ^ v[2] ^ v[3];
}

/* The entry at `at` read again, alone (or, `ahead`, with what follows). */
static ZipProblem NameAt(DirectoryReader *r, uint32_t at, bool ahead, ZipMember *member) {
    const unsigned char *entry = NULL;
    size_t length = 0;
    ZipProblem problem = EntryAt(r, at, ahead, &entry, &length);
    if (problem != ZIP_OK) return ZIP_READ_FAILED; /* it was whole in the first pass */
    ReadEntry(entry, member);
    return ZIP_OK;
}

/* Reading on past an entry pays when the next one wanted is near. */
static bool Near(const NameKey *run, size_t k, size_t count, const std::vector<uint32_t> &positions) {
    return k + 1 < count && positions[run[k + 1].index] - positions[run[k].index] < kWindow / 2;
}

/* Entries whose names hash alike, in directory order, compared for real:
   each with the first left unmatched, until none is, the unmatched kept in
   place. Only names that share a hash by chance take more than one round. */
static ZipProblem CompareNames(DirectoryReader *r, NameKey *run, size_t count, const std::vector<uint32_t> &positions,
                               std::vector<unsigned char> *problems) {
    ZipMember first, other;
    while (count >= 2) {
        if (NameAt(r, positions[run[0].index], Near(run, 0, count, positions), &first) != ZIP_OK) return ZIP_READ_FAILED;
        size_t unmatched = 0;
        for (size_t k = 1; k < count; k++) {
            if (NameAt(r, positions[run[k].index], Near(run, k, count, positions), &other) != ZIP_OK)
                return ZIP_READ_FAILED;
            if (other.name != first.name) {
                run[unmatched++] = run[k];
                continue;
            }
            (*problems)[run[0].index] |= ZIP_MEMBER_SAME_NAME;
            (*problems)[run[k].index] |= ZIP_MEMBER_SAME_NAME;
        }
        count = unmatched;
    }
    return ZIP_OK;
}

/* The second pass: each decoded name hashed, and those that hash alike
   compared. */
static ZipProblem FlagSameNames(DirectoryReader *r, std::vector<unsigned char> *problems) {
    std::vector<NameKey> keys;
    std::vector<uint32_t> positions;
    keys.reserve(problems->size());
    positions.reserve(problems->size());
    ZipMember member;
    ZipProblem problem = EachEntry(r, [&](uint32_t index, uint32_t at, const unsigned char *entry) {
        if (index >= problems->size()) return false;
        ReadEntry(entry, &member);
        keys.push_back({NameHash(member.name), index});
        positions.push_back(at);
        return true;
    });
    if (problem != ZIP_OK || keys.size() != problems->size()) return ZIP_READ_FAILED; /* not as first read */
    std::sort(keys.begin(), keys.end(), [](const NameKey &a, const NameKey &b) {
        return a.hash != b.hash ? a.hash < b.hash : a.index < b.index;
    });
    for (size_t k = 0, end = 0; k < keys.size() && problem == ZIP_OK; k = end) {
        for (end = k + 1; end < keys.size() && keys[end].hash == keys[k].hash;) end++;
        problem = CompareNames(r, &keys[k], end - k, positions, problems);
    }
    return problem;
}

/* The last pass: each member, with the problems found before, visited. */
static ZipProblem VisitMembers(DirectoryReader *r, const std::vector<unsigned char> &problems, ZipVisit visit,
                               void *context) {
    ZipMember member;
    uint32_t visited = 0;
    bool stopped = false;
    ZipProblem problem = EachEntry(r, [&](uint32_t index, uint32_t, const unsigned char *entry) {
        if (index >= problems.size()) return false;
        ReadEntry(entry, &member);
        member.problems |= problems[index];
        visited++;
        stopped = !visit(context, member);
        return !stopped;
    });
    if (problem != ZIP_OK || (!stopped && visited != problems.size())) return ZIP_READ_FAILED; /* not as first read */
    return ZIP_OK;
}

ZipProblem ListZipDirectory(const ZipSource &source, ZipVisit visit, void *context) {
    Directory directory = {0, 0, 0, 0, false};
    ZipProblem problem = LocateDirectory(source, &directory);
    if (problem != ZIP_OK) return problem;
    if (directory.offset > directory.limit || directory.size > directory.limit - directory.offset) return ZIP_OUTSIDE;
    if (directory.entries > directory.size / kEntrySize) return ZIP_WRONG_COUNT;
    if (directory.size > kZipMaxDirectory) return ZIP_TOO_LARGE;
    size_t window = (size_t)std::min<uint64_t>(kWindow, directory.size);
    DirectoryReader reader = {&source, directory.offset, directory.size, std::vector<unsigned char>(window), 0, 0};
    std::vector<unsigned char> problems;
    problem = CheckEntries(&reader, directory, &problems);
    if (problem == ZIP_OK) problem = FlagSameNames(&reader, &problems);
    if (problem == ZIP_OK) problem = VisitMembers(&reader, problems, visit, context);
    return problem;
}

static bool Collect(void *context, const ZipMember &member) {
    ((std::vector<ZipMember> *)context)->push_back(member);
    return true;
}

ZipProblem ReadZipDirectory(const ZipSource &source, std::vector<ZipMember> *members) {
    members->clear();
    ZipProblem problem = ListZipDirectory(source, Collect, members);
    if (problem != ZIP_OK) members->clear();
    return problem;
}

const char *ZipProblemText(ZipProblem problem) {
    switch (problem) {
    case ZIP_OK: return "";
    case ZIP_READ_FAILED: return "cannot be read";
    case ZIP_NOT_ZIP: return "not a zip archive: it has no end record";
    case ZIP_TRUNCATED: return "a zip archive cut short: its end record is missing";
    case ZIP_SPLIT: return "one part of a split zip archive";
    case ZIP_OUTSIDE: return "its end record points outside the file";
    case ZIP_WRONG_COUNT: return "its end record miscounts the directory's entries";
    case ZIP_WRONG_SIZE: return "its directory's recorded size ends within an entry";
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
