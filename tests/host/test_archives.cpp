/* The host tool on zip archives: each member a row keyed by its recorded
   CRC-32, bad archives and members as rows, and archives streamed */
#include "host_tool_test.h"

#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <fstream>

#include "zip_builder.h"

/* Each row as "member: what came of it". */
static std::vector<std::string> Outcomes(const nlohmann::json &doc) {
    std::vector<std::string> outcomes;
    for (const nlohmann::json &g : doc["games"]) {
        std::string outcome = g.contains("error")     ? "error: " + g["error"].get<std::string>()
                            : g.contains("skipped")   ? "skipped: " + g["skipped"].get<std::string>()
                            : g["found"].get<bool>()  ? g["title"].get<std::string>()
                                                      : "not found: " + g["key"].get<std::string>();
        outcomes.push_back(g.value("member", "-") + ": " + outcome + (g.contains("encrypted") ? " (encrypted)" : ""));
    }
    return outcomes;
}

static uint32_t CrcOf(const std::string &bytes) {
    return (uint32_t)crc32(0, (const Bytef *)bytes.data(), (uInt)bytes.size());
}

static std::string Hex(uint32_t crc) {
    char key[9];
    snprintf(key, sizeof key, "%08X", crc);
    return key;
}

TEST_F(HostTool, ZippedGamesGiveTheLooseFilesRows) {
    std::string zips = dir_ + "/zips", s = UnderWine() ? "\\" : "/";
    ASSERT_EQ(system(("mkdir " + Quote(zips) + " && cd " + Quote(zips) + " && for f in " + Quote(Sample("games")) +
                      "/*.rom; do zip -qj \"$(basename \"$f\" .rom).zip\" \"$f\"; done").c_str()), 0);
    nlohmann::json loose = Json({"--json", "-c", Sample("data.dat"), "-f", Sample("games")});
    nlohmann::json zipped = Json({"--json", "-c", Sample("data.dat"), "-f", zips});
    ASSERT_EQ(zipped["games"].size(), loose["games"].size());
    for (size_t i = 0; i < loose["games"].size(); i++) {
        nlohmann::json expected = loose["games"][i];
        std::string file = expected["file"], member = file.substr(file.find_last_of(s) + 1);
        expected["file"] = zips + s + member.substr(0, member.size() - 4) + ".zip";
        expected["member"] = member;
        EXPECT_EQ(zipped["games"][i], expected);
    }

    std::string coral = zips + "/coral-moth.zip";
    ToolRun run = Tool({"-c", Sample("data.dat"), "-f", coral});
    EXPECT_NE(run.out.find(coral + s + "coral-moth.rom  0058DE32  Coral Moth"), std::string::npos) << run.out;
    run = Tool({"--csv=plain", "-c", Sample("data.dat"), "-f", coral});
    EXPECT_NE(run.out.find(",file_hex,member,member_hex,encrypted,key,"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\r\nfile," + coral + ",,coral-moth.rom,,,0058DE32,,true,Coral Moth,"), std::string::npos)
        << run.out;
    nlohmann::json whole = Json({"--json", "--no-archives", "-c", Sample("data.dat"), "-f", coral});
    EXPECT_EQ(whole["games"][0], nlohmann::json::parse("{\"asked\": \"file\", \"file\": \"" + coral + "\", \"key\": \"" +
                                                       Hex(CrcOf(Slurp(coral))) + "\", \"found\": false}"));
}

/* Its directory lies past 4 GB: read with 64-bit offsets, which a long is not on Windows. */
TEST_F(HostTool, AnArchiveOverFourGigabytesIsRead) {
    const uint64_t big = 5ull << 30;
    Entry e = Named("big.rom");
    e.compressedSize = e.size = 0xFFFFFFFF;
    e.extra = Field(1, Le(big, 8) + Le(big, 8));
    e.crc = 0x0058DE32;
    std::string archive = Write("big.zip", "");
    uint64_t directoryAt = 30 + e.name.size() + big;
    ASSERT_EQ(truncate(archive.c_str(), (off_t)directoryAt), 0);
    std::ofstream(archive, std::ios::binary | std::ios::app) << Zip64Ending(e, directoryAt);
    EXPECT_EQ(Outcomes(Json({"--json", "-c", Sample("data.dat"), "-f", archive})),
              std::vector<std::string>{"big.rom: Coral Moth"});
}

TEST_F(HostTool, AFolderMixesLooseFilesAndZipsAndAZipInAZipIsAMember) {
    std::string mixed = dir_ + "/mixed";
    ASSERT_EQ(system(("mkdir -p " + Quote(mixed + "/games") + " && cd " + Quote(mixed) + " && cp " +
                      Quote(Sample("games/coral-moth.rom")) + " a.rom && cp " + Quote(Sample("games/tidewatch.rom")) +
                      " games/ && zip -qj inner.zip " + Quote(Sample("games/lantern-keep.rom")) +
                      " && zip -qr b.zip games inner.zip && rm -r games").c_str()), 0);
    nlohmann::json doc = Json({"--json", "-c", Sample("data.dat"), "-f", mixed});
    EXPECT_EQ(Outcomes(doc), (std::vector<std::string>{"-: Coral Moth", "games/tidewatch.rom: Tidewatch",
                                                       "inner.zip: not found: " + Hex(CrcOf(Slurp(mixed + "/inner.zip"))),
                                                       "lantern-keep.rom: Lantern Keep"}));
}

TEST_F(HostTool, AnArchiveThatCannotBeReadIsOneFailedRow) {
    std::string good = Archive({Named("a.rom"), Named("b.rom")}), damaged = good;
    damaged[End(good) - 46 - 5] = 'X'; /* the second entry's signature */
    ASSERT_EQ(mkdir((dir_ + "/bad").c_str(), 0755), 0);
    std::vector<std::string> expected = {
        "-: error: a zip archive cut short: its end record is missing",
        "-: error: not a zip archive: it has no end record",
        "-: error: its end record points outside the file",
        "-: error: its end record miscounts the directory's entries",
        "-: error: one part of a split zip archive",
        "-: error: its directory is damaged: a record lacks its signature",
        "-: error: its directory is over 64 MB"};
    Write("bad/1-cut.zip", good.substr(0, good.size() / 2));
    Write("bad/2-text.zip", "plain text, named as a zip archive\n");
    Write("bad/3-outside.zip", Patched(good, End(good) + 16, 0xFFFFFF, 4));
    Write("bad/4-claims.zip", Patched(Patched(good, End(good) + 8, 1000, 2), End(good) + 10, 1000, 2));
    Write("bad/5-split.zip", Patched(good, End(good) + 4, 1, 2));
    Write("bad/6-damaged.zip", damaged);
    std::string huge = Write("bad/7-huge.zip", "");
    ASSERT_EQ(truncate(huge.c_str(), (off_t)65 << 20), 0); /* sparse: the directory it claims lies within it */
    std::ofstream(huge, std::ios::binary | std::ios::app) << EndRecord(100, (64 << 20) + 1, 1000);
    const char shortSysfsFile[] = "/sys/kernel/uevent_seqnum"; /* says 4096 bytes, holds a few */
    if (access(shortSysfsFile, R_OK) == 0) {
        ASSERT_EQ(symlink(shortSysfsFile, (dir_ + "/bad/8-unreadable.zip").c_str()), 0);
        expected.push_back("-: error: it holds fewer bytes than its size says");
    }
    ToolRun run = Tool({"--json", "-c", Sample("data.dat"), "-f", dir_ + "/bad"});
    EXPECT_EQ(run.status, 3) << run.err;
    EXPECT_EQ(Outcomes(nlohmann::json::parse(run.out)), expected);
}

TEST_F(HostTool, AMemberThatCannotBeTrustedFailsOnlyItsRow) {
    Entry first = Named("first.rom"), overlapping = Named("overlapping.rom"), beyond = Named("beyond.rom"),
          extra = Named("extra.rom"), up = Named("../up.rom"), root = Named("/\x1b[2Jroot.rom"),
          locked = Named("locked.rom"), ae1 = Named("ae1.rom"), ae2 = Named("ae2.rom"), empty = Named("empty.rom"),
          folder = Named("folder/"), inFolder = Named("folder/in.rom"), cp932 = Named("\x90\xaf\x82\xcc\x92\xeb.rom");
    overlapping.offset = 0; /* first.rom's */
    beyond.offset = 1 << 20;
    extra.extra = Le(0x5455, 2) + Le(9, 2) + "1234";
    locked.flags = ae1.flags = ae2.flags = 1;
    ae1.method = ae2.method = 99;
    ae1.extra = Field(0x9901, Le(1, 2) + "AE" + Le(3, 1) + Le(8, 2));
    ae2.extra = Field(0x9901, Le(2, 2) + "AE" + Le(3, 1) + Le(8, 2));
    empty.compressedSize = empty.size = empty.crc = folder.compressedSize = folder.size = folder.crc = ae2.crc = 0;
    locked.crc = 0x0058DE32;
    ae1.crc = 0xAD26400A;
    inFolder.crc = 0xEED33450;
    cp932.crc = 0xBA2EB7DC; /* 星の庭.rom in CP932 */
    std::string archive = Write("members.zip", Archive({first, overlapping, Named("twice.rom"), Named("twice.rom"),
                                                        beyond, extra, up, root, locked, ae1, ae2, empty, folder,
                                                        inFolder, cp932}));
    std::vector<std::string> args = {"-c", Sample("data.dat"), "-f", archive, Write("zero.rom", ""),
                                     Write("empty.zip", Archive({}))};
    ToolRun run = Tool(args);
    EXPECT_EQ(run.status, 3);
    std::string s = UnderWine() ? "\\" : "/";
    EXPECT_NE(run.out.find("members.zip" + s + "locked.rom (encrypted)  0058DE32  Coral Moth"), std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("members.zip" + s + ".." + s + "up.rom"), std::string::npos);
    EXPECT_NE(run.out.find("members.zip" + s + s + "\\x1b[2Jroot.rom"), std::string::npos);
    EXPECT_EQ(run.out.find('\x1b'), std::string::npos);

    args.insert(args.begin(), "--json");
    nlohmann::json doc = nlohmann::json::parse(Tool(args).out);
    const char *overlap = "error: its data overlaps another member's", *twice = "error: another member has the same name",
               *leaves = "error: its name leads out of the archive's folder";
    EXPECT_EQ(Outcomes(doc), (std::vector<std::string>{
                                 std::string("first.rom: ") + overlap, std::string("overlapping.rom: ") + overlap,
                                 std::string("twice.rom: ") + twice, std::string("twice.rom: ") + twice,
                                 "beyond.rom: error: its data runs past the start of the directory",
                                 "extra.rom: error: its extra fields are damaged",
                                 std::string("../up.rom: ") + leaves, std::string("/\x1b[2Jroot.rom: ") + leaves,
                                 "locked.rom: Coral Moth (encrypted)", "ae1.rom: Lantern Keep (encrypted)",
                                 "ae2.rom: skipped: AES-encrypted, and the archive records no CRC-32 for it (encrypted)",
                                 "empty.rom: not found: 00000000", "folder/in.rom: Rally of Owls",
                                 "星の庭.rom: 星の庭", "-: not found: 00000000",
                                 "-: skipped: a zip archive holding no files"}));
    EXPECT_EQ(doc["games"][13]["member_hex"], HexOf("\x90\xaf\x82\xcc\x92\xeb.rom"));
    EXPECT_FALSE(doc["games"][0].contains("member_hex")) << "the recorded name is the name shown";
}

TEST_F(HostTool, ArchiveRowsStreamAndCtrlCStopsThem) {
    std::vector<Entry> many;
    char name[16];
    for (int i = 0; i < 70000; i++) {
        snprintf(name, sizeof name, "g%05d.rom", i);
        many.push_back(Named(name));
    }
    LiveTool tool(ToolCommand({"-c", Sample("data.dat"), "-f", Write("many.zip", Archive(many))}), false);
    ASSERT_TRUE(tool.WaitFor("g00000.rom", false)) << tool.out;
    tool.Interrupt(); /* unread, the pipe fills: the tool waits, far from its last row */
    EXPECT_EQ(tool.Finish(), 130);
    EXPECT_LT(Lines(tool.out).size(), 70000u);
    EXPECT_EQ(tool.out.back(), '\n');

    std::string rows = dir_ + "/rows.txt";
    LiveTool slow(ToolCommand({"-c", Sample("data.dat"), "-o", rows, "-f",
                               Write("three.zip", Archive({Named("a.rom"), Named("b.rom"), Named("c.rom")})),
                               Huge(dir_ + "/huge.rom")}),
                  false);
    ASSERT_TRUE(slow.WaitFor("3 of 4 answered", true)) << slow.terminal;
    slow.Interrupt();
    EXPECT_EQ(slow.Finish(), 130);
    EXPECT_EQ(Lines(Slurp(rows)).size(), 4u) << Slurp(rows);
}
