#!/usr/bin/env python3
# Prints a PE file's version resource as NAME=VALUE lines: FILEVERSION and
# PRODUCTVERSION from its fixed part, then each of its strings.
import struct
import sys

RT_VERSION = 16
FIXED_SIGNATURE = 0xFEEF04BD


def sections(data):
    """The section table as (RVA, size, file offset) triples, and the resource directory's RVA."""
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise ValueError("not a PE file")
    count, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
    optional = pe + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    directories = optional + {0x10B: 96, 0x20B: 112}[magic]
    resource_rva = struct.unpack_from("<I", data, directories + 2 * 8)[0]
    table = optional + optional_size
    found = []
    for i in range(count):
        size, rva, raw_size, raw = struct.unpack_from("<IIII", data, table + 40 * i + 8)
        found.append((rva, max(size, raw_size), raw))
    return found, resource_rva


def offset_of(rva, table):
    for start, size, raw in table:
        if start <= rva < start + size:
            return raw + rva - start
    raise ValueError("address 0x%x lies in no section" % rva)


def first_leaf(data, base, directory, wanted_id=None):
    """The first entry (with the wanted ID at the top level) down to its data entry."""
    named, ids = struct.unpack_from("<12xHH", data, base + directory)
    for i in range(named + ids):
        name, target = struct.unpack_from("<II", data, base + directory + 16 + 8 * i)
        if wanted_id is not None and name != wanted_id:
            continue
        if target & 0x80000000:
            return first_leaf(data, base, target & 0x7FFFFFFF)
        return struct.unpack_from("<II", data, base + target)  # the data's RVA and size
    raise ValueError("no version resource")


def align(at):
    return (at + 3) & ~3


def block(data, at):
    """One node of the version tree: its key, its value, its children, where it ends."""
    length, value_length, is_text = struct.unpack_from("<HHH", data, at)
    end = at + length
    key_end = at + 6
    while data[key_end:key_end + 2] != b"\0\0":
        key_end += 2
        if key_end >= min(end, len(data)):
            raise ValueError("a key in the version resource has no end")
    key = data[at + 6:key_end].decode("utf-16-le")
    value_at = align(key_end + 2)
    value = data[value_at:value_at + (value_length * 2 if is_text else value_length)]
    children, child = [], align(value_at + len(value))
    while child < end and length > 0:
        node = block(data, child)
        children.append(node)
        child = align(node[3])
    return key, value, children, end


def version(ms, ls):
    return "%d.%d.%d.%d" % (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)


def describe(path):
    with open(path, "rb") as f:
        data = f.read()
    table, resource_rva = sections(data)
    if resource_rva == 0:
        raise ValueError("no resources")
    rva, size = first_leaf(data, offset_of(resource_rva, table), 0, RT_VERSION)
    at = offset_of(rva, table)
    resource = data[at:at + size]
    key, fixed, children, _ = block(resource, 0)
    signature, _, file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<6I", fixed)
    if key != "VS_VERSION_INFO" or signature != FIXED_SIGNATURE:
        raise ValueError("the version resource is malformed")
    lines = ["FILEVERSION=" + version(file_ms, file_ls), "PRODUCTVERSION=" + version(product_ms, product_ls)]
    for info in children:
        if info[0] != "StringFileInfo":
            continue
        for strings in info[2]:
            for name, value, _, _ in strings[2]:
                lines.append(name + "=" + value.decode("utf-16-le").split("\0")[0])
    return lines


def main():
    try:
        print("\n".join(describe(sys.argv[1])))
    except (ValueError, KeyError, IndexError, struct.error) as e:
        sys.exit("%s: %s" % (sys.argv[1], e))


if __name__ == "__main__":
    main()
