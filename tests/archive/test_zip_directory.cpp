/* Zip directory tests (the reader against zipfile's and unzip's listings, and hand-made bad archives) */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <zlib.h>

#include "text.h"
#include "zip_builder.h"
#include "zip_directory.h"

namespace fs = std::filesystem;

namespace {

std::string ReadFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

ZipProblem List(const std::string &bytes, std::vector<ZipMember> *members) {
    return ReadZipDirectory(ZipMemorySource(bytes.data(), bytes.size()), members);
}

/* The members in the fixture script's listing format. */
std::string Listing(const std::vector<ZipMember> &members) {
    std::string out;
    char line[80];
    for (const ZipMember &m : members) {
        snprintf(line, sizeof line, " %08x %llu %llu %d %d\n", (unsigned)m.crc, (unsigned long long)m.compressedSize,
                 (unsigned long long)m.size, m.folder, m.encrypted);
        out += HexBytes(m.rawName) + " " + HexBytes(m.name) + line;
    }
    return out;
}

/* Each archive in a scratch folder of its own, made by the tools. */
class ZipToolsTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/zip-directory-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder = pattern;
    }
    void TearDown() override { fs::remove_all(folder); }
    void Shell(const std::string &command) { ASSERT_EQ(system(("cd " + folder + " && " + command).c_str()), 0) << command; }
    std::string Path(const std::string &name) { return folder + "/" + name; }

    /* The archive read by the reader, as its listing, and its members. */
    std::string ReadArchive(const std::string &name, std::vector<ZipMember> *members) {
        EXPECT_EQ(List(ReadFile(Path(name)), members), ZIP_OK) << name;
        return Listing(*members);
    }
    std::string folder;
};

const char kFixtures[] = "python3 " ZIP_FIXTURES;

TEST_F(ZipToolsTest, ListsWhatZipfileLists) {
    Shell(std::string(kFixtures) + " make .");
    const char *archives[] = {"stored.zip", "deflated.zip", "zip64.zip", "utf8.zip", "empty.zip",
                              "comment.zip", "cp932.zip", "cp437.zip"};
    std::vector<ZipMember> members;
    for (const char *name : archives)
        EXPECT_EQ(ReadArchive(name, &members), ReadFile(Path(name) + ".list")) << name;
    ReadArchive("utf8.zip", &members);
    EXPECT_EQ(members[1].encoding, ZIP_NAME_UTF8);
    ReadArchive("cp932.zip", &members);
    EXPECT_EQ(members[1].encoding, ZIP_NAME_CP932);
    ReadArchive("cp437.zip", &members);
    EXPECT_EQ(members[0].encoding, ZIP_NAME_CP437);
}

/* unzip -v's columns: length, method, size, ratio, date, time, CRC-32, name. */
std::string UnzipListing(const std::string &text) {
    std::istringstream in(text);
    std::string line, out;
    int rules = 0;
    while (std::getline(in, line) && rules < 2) {
        if (line.compare(0, 8, "--------") == 0) {
            rules++;
            continue;
        }
        if (rules != 1) continue;
        std::istringstream row(line);
        std::string length, method, size, ratio, date, time, crc;
        row >> length >> method >> size >> ratio >> date >> time >> crc;
        out += crc + " " + size + " " + length + " " + line.substr((size_t)row.tellg() + 2) + "\n";
    }
    return out;
}

/* unzip leaves the 12-byte encryption header out of the compressed size. */
std::string UnzipColumns(const std::vector<ZipMember> &members) {
    std::string out;
    char line[64];
    for (const ZipMember &m : members) {
        snprintf(line, sizeof line, "%08x %llu %llu ", (unsigned)m.crc, (unsigned long long)m.compressedSize - (m.encrypted ? 12 : 0),
                 (unsigned long long)m.size);
        out += line + m.rawName + "\n";
    }
    return out;
}

TEST_F(ZipToolsTest, ListsWhatZipAndUnzipList) {
    Shell("mkdir -p games/maps && printf 'coral moth' > games/coral-moth.rom && : > games/empty.rom"
          " && head -c 3000 /dev/zero > games/maps/zeros.rom"
          " && printf stars > \"$(printf '\\220\\257\\202\\314\\222\\353.rom')\""   /* 星の庭.rom in CP932 */
          " && printf stars > \"$(printf '\\346\\230\\237.rom')\"");                 /* 星.rom in UTF-8 */
    Shell("zip -qr deflated.zip games && zip -qr0 stored.zip games && zip -qr -fz zip64.zip games"
          " && zip -qr -P secret encrypted.zip games"
          " && zip -q cp932.zip \"$(printf '\\220\\257\\202\\314\\222\\353.rom')\""
          " && zip -q utf8.zip \"$(printf '\\346\\230\\237.rom')\""
          " && zip -qr commented.zip games");
    const char *archives[][2] = {{"deflated.zip", ""}, {"stored.zip", ""}, {"zip64.zip", ""}, {"encrypted.zip", ""},
                                 {"cp932.zip", "cp932"}, {"utf8.zip", "utf-8"}, {"commented.zip", ""}};
    for (auto &archive : archives)
        Shell(std::string(kFixtures) + " list " + archive[0] + " " + archive[1] + " > " + archive[0] + ".list");
    /* After zipfile's listing: a signature in the comment misleads zipfile itself. */
    Shell("echo 'a comment with PK\x05\x06 in it' | zip -qz commented.zip");
    std::vector<ZipMember> members;
    for (auto &archive : archives) {
        std::string name = archive[0];
        Shell("unzip -v " + name + " > " + name + ".unzip");
        EXPECT_EQ(ReadArchive(name, &members), ReadFile(Path(name) + ".list")) << name;
        EXPECT_EQ(UnzipColumns(members), UnzipListing(ReadFile(Path(name) + ".unzip"))) << name;
    }
    ReadArchive("cp932.zip", &members);
    EXPECT_EQ(members[0].encoding, ZIP_NAME_CP932);
    ReadArchive("utf8.zip", &members);
    EXPECT_EQ(members[0].encoding, ZIP_NAME_UTF8_UNMARKED);
}

/* Past 65,535 members, with ZIP64 or with the 16-bit count wrapped. */
TEST_F(ZipToolsTest, ListsEveryMemberWhateverTheCount) {
    Shell(std::string(kFixtures) + " many .");
    std::vector<ZipMember> members;
    EXPECT_EQ(ReadArchive("many.zip", &members), ReadFile(Path("many.zip.list")));
    EXPECT_EQ(members.size(), 70000u);
    for (size_t count : {65535u, 65536u, 65537u, 70000u}) {
        std::string name = "wrapped-" + std::to_string(count) + ".zip";
        EXPECT_EQ(ReadArchive(name, &members), ReadFile(Path(name + ".list"))) << name;
        EXPECT_EQ(members.size(), count) << name;
    }
    /* A 16-bit count that is no wrap; a ZIP64 count right only modulo 65,536, or one over. */
    std::string wrapped = ReadFile(Path("wrapped-65537.zip")), zip64 = ReadFile(Path("many.zip"));
    EXPECT_EQ(List(Patched(Patched(wrapped, End(wrapped) + 8, 2, 2), End(wrapped) + 10, 2, 2), &members), ZIP_WRONG_COUNT);
    size_t zip64Count = End(zip64) - 20 - 56 + 24;
    for (uint64_t count : {70000u - 65536u, 70001u})
        EXPECT_EQ(List(Patched(Patched(zip64, zip64Count, count, 8), zip64Count + 8, count, 8), &members),
                  ZIP_WRONG_COUNT) << count;
    EXPECT_TRUE(members.empty());
}

std::vector<ZipMember> Members(const std::string &bytes) {
    std::vector<ZipMember> members;
    EXPECT_EQ(List(bytes, &members), ZIP_OK);
    return members;
}

uint32_t Crc(const std::string &bytes) {
    return (uint32_t)crc32(0, (const Bytef *)bytes.data(), (uInt)bytes.size());
}

TEST(ZipNames, AreDecodedByTheDocumentedRule) {
    Entry flagged = Named("bad\xff.rom"), field = Named("hoshi.rom"), stale = Named("old.rom"),
          unmarked = Named("\xe6\x98\x9f.rom"), cp932 = Named("\x90\xaf.rom"), cp437 = Named("caf\x82.rom"),
          hidden = Named("\x83\x5c.."); /* ソ.. in CP932: its trail byte is no backslash */
    flagged.flags = 0x800;
    std::string hoshi = "\xe6\x98\x9f.rom"; /* 星.rom */
    field.extra = stale.extra = Field(0x7075, "\x01" + Le(Crc("hoshi.rom"), 4) + hoshi);
    std::vector<ZipMember> m = Members(Archive({flagged, field, stale, unmarked, cp932, cp437, hidden}));
    ASSERT_EQ(m.size(), 7u);
    EXPECT_EQ(m[0].encoding, ZIP_NAME_UTF8);
    EXPECT_EQ(m[0].name, "bad\xef\xbf\xbd.rom");
    EXPECT_EQ(m[1].encoding, ZIP_NAME_UNICODE_FIELD);
    EXPECT_EQ(m[1].name, hoshi);
    EXPECT_EQ(m[1].rawName, "hoshi.rom");
    EXPECT_EQ(m[2].encoding, ZIP_NAME_CP437);
    EXPECT_EQ(m[2].name, "old.rom");
    EXPECT_EQ(m[3].encoding, ZIP_NAME_UTF8_UNMARKED);
    EXPECT_EQ(m[3].name, hoshi);
    EXPECT_EQ(m[4].encoding, ZIP_NAME_CP932);
    EXPECT_EQ(m[4].name, hoshi);
    EXPECT_EQ(m[5].encoding, ZIP_NAME_CP437);
    EXPECT_EQ(m[5].name, "caf\xc3\xa9.rom");
    EXPECT_EQ(m[6].name, "\xe3\x82\xbd..");
    EXPECT_EQ(m[6].problems, 0u);
}

TEST(ZipNames, ThatLeaveTheFolderAreFlagged) {
    const char *unsafe[] = {"../up.rom", "games/../../up.rom", "games/..", "..\\up.rom", "/root.rom", "\\root.rom",
                            "C:games.rom", "c:\\games.rom", "\\\\server\\share\\x.rom"};
    const char *safe[] = {"a..b.rom", "..rom", "games/.../x.rom", "games/./x.rom", "1:x.rom"};
    std::vector<Entry> entries;
    for (const char *name : unsafe) entries.push_back(Named(name));
    for (const char *name : safe) entries.push_back(Named(name));
    std::vector<ZipMember> m = Members(Archive(entries));
    ASSERT_EQ(m.size(), entries.size());
    for (size_t i = 0; i < m.size(); i++)
        EXPECT_EQ(m[i].problems, i < std::size(unsafe) ? (unsigned)ZIP_MEMBER_UNSAFE_NAME : 0u) << m[i].name;
}

TEST(ZipNames, AUnicodePathFieldHidesNoUnsafeName) {
    auto withField = [](const std::string &recorded, const std::string &unicode) {
        Entry e = Named(recorded);
        e.extra = Field(0x7075, "\x01" + Le(Crc(recorded), 4) + unicode);
        return e;
    };
    std::vector<ZipMember> m = Members(Archive({
        withField("../../evil.rom", "safe1.rom"), withField("/evil.rom", "safe2.rom"),
        withField("C:evil.rom", "safe3.rom"), withField("\\\\server\\evil.rom", "safe4.rom"),
        withField("safe5.rom", "../evil.rom"),
        withField("\x83\x5c..", "\xe3\x82\xbd.."),   /* ソ.. in CP932 and in UTF-8: no backslash */
        withField("plain.rom", "bad\xff.rom")}));   /* not UTF-8: ignored */
    ASSERT_EQ(m.size(), 7u);
    for (size_t i = 0; i < 4; i++) {
        EXPECT_EQ(m[i].problems, (unsigned)ZIP_MEMBER_UNSAFE_NAME) << m[i].rawName;
        EXPECT_EQ(m[i].encoding, ZIP_NAME_UNICODE_FIELD) << m[i].rawName;
        EXPECT_EQ(m[i].name, "safe" + std::to_string(i + 1) + ".rom");
    }
    EXPECT_EQ(m[4].problems, (unsigned)ZIP_MEMBER_UNSAFE_NAME);
    EXPECT_EQ(m[4].name, "../evil.rom");
    EXPECT_EQ(m[5].problems, 0u);
    EXPECT_EQ(m[5].encoding, ZIP_NAME_UNICODE_FIELD);
    EXPECT_EQ(m[6].problems, 0u);
    EXPECT_EQ(m[6].encoding, ZIP_NAME_CP437);
    EXPECT_EQ(m[6].name, "plain.rom");
}

TEST(ZipMembers, ThatRepeatOrOverlapAreFlagged) {
    Entry utf8 = Named("\xe6\x98\x9f.rom"), cp932 = Named("\x90\xaf.rom"); /* 星.rom twice */
    utf8.flags = 0x800;
    Entry again = Named("a.rom"), shared = Named("shared.rom"), inside = Named("inside.rom"), beyond = Named("beyond.rom");
    shared.offset = 0;    /* a.rom's local header */
    inside.offset = 5;    /* within it */
    inside.compressedSize = 0;
    beyond.offset = 4000; /* past the directory's start */
    std::vector<ZipMember> m = Members(Archive({Named("a.rom"), utf8, cp932, again, shared, inside, Named("ok.rom"), beyond}));
    ASSERT_EQ(m.size(), 8u);
    EXPECT_EQ(m[0].problems, (unsigned)(ZIP_MEMBER_SAME_NAME | ZIP_MEMBER_OVERLAP));
    EXPECT_EQ(m[1].problems, (unsigned)ZIP_MEMBER_SAME_NAME);
    EXPECT_EQ(m[2].problems, (unsigned)ZIP_MEMBER_SAME_NAME);
    EXPECT_EQ(m[3].problems, (unsigned)ZIP_MEMBER_SAME_NAME);
    EXPECT_EQ(m[4].problems, (unsigned)ZIP_MEMBER_OVERLAP);
    EXPECT_EQ(m[5].problems, (unsigned)ZIP_MEMBER_OVERLAP);
    EXPECT_EQ(m[6].problems, 0u);
    EXPECT_EQ(m[7].problems, (unsigned)ZIP_MEMBER_OUTSIDE);
}

TEST(ZipMembers, EncryptedAesAndEmptyAreTold) {
    Entry traditional = Named("locked.rom"), ae1 = Named("ae1.rom"), ae2 = Named("ae2.rom"), empty = Named("empty.rom");
    traditional.flags = ae1.flags = ae2.flags = 1;
    ae1.method = ae2.method = 99;
    ae1.extra = Field(0x9901, Le(1, 2) + "AE" + Le(3, 1) + Le(8, 2));
    ae2.extra = Field(0x9901, Le(2, 2) + "AE" + Le(3, 1) + Le(8, 2));
    ae2.crc = 0;
    empty.compressedSize = empty.size = 0;
    empty.crc = 0;
    std::vector<ZipMember> m = Members(Archive({traditional, ae1, ae2, empty}));
    ASSERT_EQ(m.size(), 4u);
    EXPECT_TRUE(m[0].encrypted && !m[0].aes && m[0].crcRecorded);
    EXPECT_EQ(m[0].crc, 0x1A2B3C4Du);
    EXPECT_TRUE(m[1].encrypted && m[1].aes && m[1].crcRecorded);
    EXPECT_TRUE(m[2].encrypted && m[2].aes && !m[2].crcRecorded);
    EXPECT_TRUE(!m[3].encrypted && m[3].crcRecorded && m[3].size == 0 && m[3].problems == 0);
}

/* A file of `size` bytes that are zeros but for its last ones. */
struct Sparse {
    uint64_t size;
    std::string tail;
};

bool ReadSparse(void *context, uint64_t offset, void *buffer, size_t length) {
    const Sparse *file = (const Sparse *)context;
    uint64_t tailAt = file->size - file->tail.size();
    for (size_t i = 0; i < length; i++)
        ((char *)buffer)[i] = offset + i < tailAt ? '\0' : file->tail[offset + i - tailAt];
    return true;
}

ZipProblem ListSparse(const Sparse &file, std::vector<ZipMember> *members) {
    return ReadZipDirectory({ReadSparse, (void *)&file, file.size}, members);
}

TEST(ZipMembers, Zip64SizesAreRead) {
    const uint64_t big = 5ull << 30;
    Entry e = Named("big.rom");
    e.compressedSize = e.size = 0xFFFFFFFF;
    e.extra = Field(1, Le(big + 1, 8) + Le(big, 8));
    uint64_t directoryAt = 30 + e.name.size() + big;
    std::string ending = Zip64Ending(e, directoryAt);
    Sparse file = {directoryAt + ending.size(), ending};
    std::vector<ZipMember> m;
    ASSERT_EQ(ListSparse(file, &m), ZIP_OK);
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].size, big + 1);
    EXPECT_EQ(m[0].compressedSize, big);
    EXPECT_EQ(m[0].problems, 0u);

    Entry missing = Named("missing.rom"), short_ = Named("short.rom"), overrun = Named("overrun.rom");
    missing.size = short_.size = 0xFFFFFFFF;
    short_.extra = Field(1, Le(big, 4));
    overrun.extra = Le(0x5455, 2) + Le(9, 2) + "1234";
    m = Members(Archive({missing, short_, overrun}));
    ASSERT_EQ(m.size(), 3u);
    for (const ZipMember &member : m) EXPECT_EQ(member.problems, (unsigned)ZIP_MEMBER_BAD_EXTRA) << member.name;
}

bool FailRead(void *, uint64_t, void *, size_t) {
    return false;
}

TEST(ZipArchive, CutOrForeignFilesAreRefused) {
    std::string whole = Archive({Named("a.rom"), Named("b.rom")});
    std::vector<ZipMember> m;
    for (size_t length = 0; length < whole.size(); length++)
        EXPECT_EQ(List(whole.substr(0, length), &m), length < 4 ? ZIP_NOT_ZIP : ZIP_TRUNCATED) << length;
    EXPECT_EQ(List("not a zip archive at all, but long enough to search", &m), ZIP_NOT_ZIP);
    EXPECT_EQ(ReadZipDirectory({FailRead, NULL, whole.size()}, &m), ZIP_READ_FAILED);
    EXPECT_TRUE(m.empty());
}

TEST(ZipArchive, DirectoriesThatCannotBeTrustedAreRefused) {
    std::string good = Archive({Named("a.rom"), Named("b.rom")});
    size_t directoryAt = good.size() - 22 - 2 * (46 + 5);
    std::string brokenSignature = good;
    brokenSignature[directoryAt + 46 + 5] = 'X';
    std::vector<ZipMember> m;
    EXPECT_EQ(List(Patched(good, End(good) + 16, 0xFFFFFF, 4), &m), ZIP_OUTSIDE);
    EXPECT_EQ(List(Patched(good, End(good) + 12, 1000, 4), &m), ZIP_OUTSIDE);
    EXPECT_EQ(List(brokenSignature, &m), ZIP_BROKEN);
    EXPECT_EQ(List(Patched(good, End(good) + 4, 1, 2), &m), ZIP_SPLIT);

    /* The count against the entries the size holds, and a size that cuts an entry or leaves bytes over. */
    for (uint64_t count : {1, 3, 1000})
        EXPECT_EQ(List(Patched(Patched(good, End(good) + 8, count, 2), End(good) + 10, count, 2), &m), ZIP_WRONG_COUNT);
    EXPECT_EQ(List(Patched(good, End(good) + 12, 100, 4), &m), ZIP_WRONG_SIZE);
    for (size_t over : {45, 46}) {
        std::string padded = good.substr(0, End(good)) + std::string(over, 'P') + good.substr(End(good));
        EXPECT_EQ(List(Patched(padded, End(padded) + 12, 2 * (46 + 5) + over, 4), &m), over < 46 ? ZIP_WRONG_SIZE : ZIP_BROKEN);
    }

    std::string locator = Le(0x07064b50, 4) + Le(0, 4) + Le(1u << 30, 8) + Le(1, 4);
    std::string pastIt = good.substr(0, End(good)) + locator + good.substr(End(good));
    EXPECT_EQ(List(pastIt, &m), ZIP_OUTSIDE);
    EXPECT_EQ(List(Patched(pastIt, End(pastIt) - 20 + 8, 0, 8), &m), ZIP_BROKEN); /* a local header is no ZIP64 end record */

    Sparse huge = {1ull << 30, EndRecord(100, kZipMaxDirectory + 1, 1000)};
    EXPECT_EQ(ListSparse(huge, &m), ZIP_TOO_LARGE);
    EXPECT_TRUE(m.empty());
}

/* What a listing visited, stopping after `most`. */
struct Visits {
    std::vector<ZipMember> members;
    size_t most;
};

bool Visit(void *context, const ZipMember &member) {
    Visits *visits = (Visits *)context;
    visits->members.push_back(member);
    return visits->members.size() < visits->most;
}

ZipProblem Visited(const ZipSource &source, Visits *visits) {
    visits->members.clear();
    return ListZipDirectory(source, Visit, visits);
}

TEST(ZipListing, EachMemberIsVisitedWithAllItsProblemsUntilStopped) {
    std::string bytes = Archive({Named("twin.rom"), Named("b.rom"), Named("c.rom"), Named("twin.rom")});
    Visits visits = {{}, 2};
    EXPECT_EQ(Visited(ZipMemorySource(bytes.data(), bytes.size()), &visits), ZIP_OK);
    ASSERT_EQ(visits.members.size(), 2u);
    EXPECT_EQ(visits.members[0].name, "twin.rom");
    EXPECT_EQ(visits.members[0].problems, (unsigned)ZIP_MEMBER_SAME_NAME); /* known before its twin is visited */
    EXPECT_EQ(visits.members[1].name, "b.rom");

    visits.most = SIZE_MAX;
    std::string miscounted = Patched(Patched(bytes, End(bytes) + 8, 3, 2), End(bytes) + 10, 3, 2);
    EXPECT_EQ(Visited(ZipMemorySource(miscounted.data(), miscounted.size()), &visits), ZIP_WRONG_COUNT);
    EXPECT_TRUE(visits.members.empty());
}

/* Members over several windows of the directory: 6,000 with 40-byte names
   (96 bytes an entry), every 1,000th named "same.rom", and a pair far apart. */
std::string WideArchive() {
    std::vector<Entry> entries;
    char name[48];
    for (int i = 0; i < 6000; i++) {
        snprintf(name, sizeof name, "%039d/", i);
        entries.push_back(Named(i % 1000 == 7 ? "same.rom" : i == 3 || i == 5990 ? "far.rom" : name));
    }
    return Archive(entries);
}

TEST(ZipListing, RepeatedNamesAreFoundAcrossTheDirectory) {
    std::vector<ZipMember> m = Members(WideArchive());
    ASSERT_EQ(m.size(), 6000u);
    for (size_t i = 0; i < m.size(); i++) {
        bool repeated = i % 1000 == 7 || i == 3 || i == 5990;
        EXPECT_EQ(m[i].problems, repeated ? (unsigned)ZIP_MEMBER_SAME_NAME : 0u) << i;
    }
}

TEST(ZipListing, EntriesOfTheLongestKindAreReadAcrossWindows) {
    std::vector<Entry> entries;
    for (int i = 0; i < 5; i++) {
        Entry e = Named(std::string(65535 - i, (char)('a' + i % 4))); /* the fifth repeats the first */
        e.name = i == 4 ? entries[0].name : e.name;
        e.extra = Field(0xCAFE, std::string(65531, 'x'));
        e.comment = std::string(65535, 'c');
        entries.push_back(e);
    }
    std::vector<ZipMember> m = Members(Archive(entries));
    ASSERT_EQ(m.size(), 5u);
    for (size_t i = 0; i < m.size(); i++) {
        EXPECT_EQ(m[i].name, entries[i].name) << i;
        EXPECT_EQ(m[i].problems, i == 0 || i == 4 ? (unsigned)ZIP_MEMBER_SAME_NAME : 0u) << i;
    }
}

/* An archive in memory whose reads fail from the `failAt`th on, or, with
   `later` set, read `later` instead. */
struct FlakySource {
    std::string bytes, later;
    size_t reads, failAt;
};

bool ReadFlaky(void *context, uint64_t offset, void *buffer, size_t length) {
    FlakySource *f = (FlakySource *)context;
    if (++f->reads >= f->failAt && f->later.empty()) return false;
    memcpy(buffer, (f->reads >= f->failAt ? f->later : f->bytes).data() + offset, length);
    return true;
}

/* The reads made before the first member was visited, and the visits. */
struct Watch {
    const FlakySource *source;
    size_t readsBeforeVisits, visited;
};

bool WatchVisit(void *context, const ZipMember &) {
    Watch *watch = (Watch *)context;
    if (watch->visited++ == 0) watch->readsBeforeVisits = watch->source->reads;
    return true;
}

/* A source that fails, or changes, at any read: the listing says it failed,
   and, if it did before the directory was checked whole, visited none. */
TEST(ZipListing, ASourceThatFailsOrChangesMidwayIsTold) {
    std::string bytes = WideArchive(), shifted = bytes;
    shifted[bytes.size() / 2] ^= 0x40; /* somewhere in the directory: a name, or a length */
    FlakySource source = {bytes, "", 0, SIZE_MAX};
    Watch clean = {&source, 0, 0};
    ASSERT_EQ(ListZipDirectory({ReadFlaky, &source, bytes.size()}, WatchVisit, &clean), ZIP_OK);
    ASSERT_EQ(clean.visited, 6000u);
    for (const std::string &later : {std::string(), shifted}) {
        for (size_t failAt = 1; failAt <= source.reads; failAt++) {
            FlakySource flaky = {bytes, later, 0, failAt};
            Watch watch = {&flaky, 0, 0};
            ZipProblem problem = ListZipDirectory({ReadFlaky, &flaky, bytes.size()}, WatchVisit, &watch);
            if (later.empty()) {
                EXPECT_EQ(problem, ZIP_READ_FAILED) << failAt;
                if (failAt <= clean.readsBeforeVisits) EXPECT_EQ(watch.visited, 0u) << failAt;
            } else {
                EXPECT_TRUE(problem == ZIP_OK || problem == ZIP_READ_FAILED || watch.visited == 0) << failAt;
            }
            if (problem == ZIP_OK) EXPECT_EQ(watch.visited, 6000u) << failAt;
        }
    }
}

}  // namespace
