/* Hand-made zip archives for tests: local headers with zeros for data, then the directory */
#include "zip_builder.h"

std::string Le(uint64_t value, int bytes) {
    std::string out;
    for (int i = 0; i < bytes; i++) out += (char)(value >> (8 * i) & 0xFF);
    return out;
}

std::string Field(uint16_t id, const std::string &data) {
    return Le(id, 2) + Le(data.size(), 2) + data;
}

std::string CentralEntry(const Entry &e, uint64_t offset) {
    return Le(0x02014b50, 4) + Le(20, 2) + Le(20, 2) + Le(e.flags, 2) + Le(e.method, 2) + Le(0, 4) +
           Le(e.crc, 4) + Le(e.compressedSize, 4) + Le(e.size, 4) + Le(e.name.size(), 2) + Le(e.extra.size(), 2) +
           Le(e.comment.size(), 2) + Le(0, 2) + Le(0, 2) + Le(0, 4) + Le(offset, 4) + e.name + e.extra + e.comment;
}

std::string EndRecord(uint64_t entries, uint64_t size, uint64_t offset) {
    return Le(0x06054b50, 4) + Le(0, 4) + Le(entries, 2) + Le(entries, 2) + Le(size, 4) + Le(offset, 4) + Le(0, 2);
}

std::string Archive(const std::vector<Entry> &entries) {
    std::string bytes, directory;
    for (const Entry &e : entries) {
        uint64_t at = e.offset < 0 ? bytes.size() : (uint64_t)e.offset;
        if (e.offset < 0)
            bytes += Le(0x04034b50, 4) + std::string(22, '\0') + Le(e.name.size(), 2) + Le(0, 2) + e.name +
                     std::string(e.compressedSize, '\0');
        directory += CentralEntry(e, at);
    }
    return bytes + directory + EndRecord(entries.size(), directory.size(), bytes.size());
}

std::string Zip64Ending(const Entry &e, uint64_t directoryAt) {
    std::string directory = CentralEntry(e, 0);
    uint64_t zip64EndAt = directoryAt + directory.size();
    std::string zip64End = Le(0x06064b50, 4) + Le(44, 8) + Le(45, 2) + Le(45, 2) + Le(0, 8) + Le(1, 8) + Le(1, 8) +
                           Le(directory.size(), 8) + Le(directoryAt, 8);
    std::string locator = Le(0x07064b50, 4) + Le(0, 4) + Le(zip64EndAt, 8) + Le(1, 4);
    return directory + zip64End + locator + EndRecord(0xFFFF, 0xFFFFFFFF, 0xFFFFFFFF);
}

Entry Named(const std::string &name) {
    Entry e;
    e.name = name;
    e.compressedSize = e.size = 4;
    return e;
}

std::string Patched(std::string bytes, size_t at, uint64_t value, int width) {
    return bytes.replace(at, (size_t)width, Le(value, width));
}

size_t End(const std::string &bytes) {
    return bytes.size() - 22;
}
