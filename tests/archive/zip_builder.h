/* Hand-made zip archives for tests: local headers with zeros for data, then the directory */
#ifndef PLINOR_ZIP_BUILDER_H
#define PLINOR_ZIP_BUILDER_H

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

struct Entry {
    std::string name;
    uint64_t compressedSize = 0, size = 0;
    uint16_t flags = 0, method = 0;
    uint32_t crc = 0x1A2B3C4D;
    std::string extra, comment;
    int64_t offset = -1; /* -1: where its local header is laid */
};

/* A little-endian field of `bytes` bytes. */
std::string Le(uint64_t value, int bytes);

/* An extra field. */
std::string Field(uint16_t id, const std::string &data);

std::string CentralEntry(const Entry &e, uint64_t offset);
std::string EndRecord(uint64_t entries, uint64_t size, uint64_t offset);
std::string Archive(const std::vector<Entry> &entries);

/* What ends an archive whose one member, laid at offset 0, takes more than
   32-bit fields hold: its directory entry at directoryAt, ZIP64's end
   record and locator, and an end record whose fields defer to them. */
std::string Zip64Ending(const Entry &e, uint64_t directoryAt);

/* A member of 4 bytes, stored. */
Entry Named(const std::string &name);

/* The bytes with a field of `width` bytes at `at` set to `value`. */
std::string Patched(std::string bytes, size_t at, uint64_t value, int width);

/* Where the end record begins, in an archive without a comment. */
size_t End(const std::string &bytes);

#endif
