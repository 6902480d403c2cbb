"""Zip archives made with Python's zipfile, and what zipfile lists in any archive.

zip_fixtures.py make DIR      the small archives, each with its listing in NAME.list
zip_fixtures.py many DIR      many.zip, 70,000 members, and wrapped-N.zip, its first
                              N members without ZIP64 for N of 65,535 to 70,000,
                              each with its listing
zip_fixtures.py list ARCHIVE [ENCODING]
                              the listing; ENCODING reads names without the UTF-8 flag

A listing has one line per member: the recorded name's bytes and the name as
UTF-8, both in hexadecimal, the CRC-32, the compressed and full sizes, 1 for
a folder, 1 for an encrypted member.
"""
import struct
import sys
import zipfile

# The names' readable forms, kept as escapes: 星の庭 (hoshi no niwa), 影の港 (kage no minato).
HOSHI = "\u661f\u306e\u5ead"
KAGE = "\u5f71\u306e\u6e2f"


def listing(path, encoding=None):
    lines = []
    with zipfile.ZipFile(path, metadata_encoding=encoding) as archive:
        for info in archive.infolist():
            flagged = info.flag_bits & 0x800
            raw = info.orig_filename.encode("utf-8" if flagged else encoding or "cp437")
            lines.append("%s %s %08x %d %d %d %d\n" % (
                raw.hex(), info.orig_filename.encode("utf-8").hex(), info.CRC, info.compress_size,
                info.file_size, info.is_dir(), info.flag_bits & 1))
    return "".join(lines)


def write(path, members, compression=zipfile.ZIP_STORED, force_zip64=False, comment=b""):
    with zipfile.ZipFile(path, "w", compression) as archive:
        for name, data in members:
            if name.endswith("/"):
                archive.mkdir(name)
                continue
            with archive.open(zipfile.ZipInfo(name), "w", force_zip64=force_zip64) as member:
                member.write(data)
    with open(path + ".list", "w") as out:
        out.write(listing(path))
    if comment:  # after the listing: zipfile itself is misled by a signature in a comment
        with zipfile.ZipFile(path, "a") as archive:
            archive.comment = comment


def legacy(path, members, encoding):
    """Names recorded in a legacy code page, without the UTF-8 flag, which
    zipfile sets for any name that is not ASCII: written under ASCII
    stand-ins of the same length, then patched."""
    standins = [(("~%d~" % i).ljust(len(raw), "x"), raw) for i, (raw, _) in enumerate(members)]
    write(path, [(standin, data) for (standin, _), (_, data) in zip(standins, members)])
    with open(path, "rb") as f:
        bytes_ = f.read()
    for standin, raw in standins:
        assert bytes_.count(standin.encode()) == 2  # the local header and the directory entry
        bytes_ = bytes_.replace(standin.encode(), raw)
    with open(path, "wb") as f:
        f.write(bytes_)
    with open(path + ".list", "w") as out:
        out.write(listing(path, encoding))


def make(folder):
    games = [("coral-moth.rom", b"\x00\x01coral" * 40), ("games/", b""),
             ("games/amber-orbit.rom", b"amber orbit"), ("empty.rom", b"")]
    write(folder + "/stored.zip", games)
    write(folder + "/deflated.zip", games, zipfile.ZIP_DEFLATED)
    write(folder + "/zip64.zip", games, zipfile.ZIP_DEFLATED, force_zip64=True)
    write(folder + "/utf8.zip", [(HOSHI + ".rom", b"stars"), ("maps/" + KAGE + ".rom", b"harbour")])
    write(folder + "/empty.zip", [])
    write(folder + "/comment.zip", games, comment=b"made by PK\x05\x06" + bytes(18) + b" and more")
    legacy(folder + "/cp932.zip", [((HOSHI + ".rom").encode("cp932"), b"stars"),
                                   (("maps/" + KAGE + ".rom").encode("cp932"), b"harbour")], "cp932")
    legacy(folder + "/cp437.zip", [(bytes(range(0x80, 0x100)) + b".rom", b"every upper byte")], None)


def without_zip64(source, path, count):
    """The first `count` entries of the directory under an end record
    without ZIP64, its 16-bit count wrapped, as writers that do not use
    ZIP64 leave it past 65,535 members."""
    with zipfile.ZipFile(source) as archive:
        start = archive.start_dir
    with open(source, "rb") as f:
        data = f.read()
    at = start
    for _ in range(count):
        assert data[at:at + 4] == b"PK\x01\x02"
        at += 46 + sum(struct.unpack("<HHH", data[at + 28:at + 34]))
    end = struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, count & 0xFFFF, count & 0xFFFF, at - start, start, 0)
    with open(path, "wb") as f:
        f.write(data[:at] + end)
    with open(path + ".list", "w") as out:
        out.write(listing(path))


def many(folder):
    path = folder + "/many.zip"
    with zipfile.ZipFile(path, "w") as archive:
        for i in range(70000):
            archive.writestr("g%05d.rom" % i, b"%d" % i)
    with open(path + ".list", "w") as out:
        out.write(listing(path))
    for count in (65535, 65536, 65537, 70000):
        without_zip64(path, "%s/wrapped-%d.zip" % (folder, count), count)


if __name__ == "__main__":
    command, target = sys.argv[1], sys.argv[2]
    if command == "make":
        make(target)
    elif command == "many":
        many(target)
    else:
        sys.stdout.write(listing(target, sys.argv[3] if len(sys.argv) > 3 else None))
