/* Keying (a game file's CRC-32, and the keys a host forms from it) */
#include "keying.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>
#include <zlib.h>

#include <algorithm>

#include "files.h"
#include "platform.h"

std::string FullKey(uint32_t crc, bool lower) {
    char key[9];
    snprintf(key, sizeof key, lower ? "%08x" : "%08X", (unsigned)crc);
    return key;
}

std::string ShortKey(const std::string &key) {
    return key.substr(std::min(key.find_first_not_of('0'), key.empty() ? 0 : key.size() - 1));
}

/* The file's CRC-32 into the row, or why it has none. */
static void HashFile(Row *row, std::vector<unsigned char> *buffer, Control *control) {
    std::string error;
    std::filesystem::file_type type;
    FILE *f = OpenRegularFile(row->file, &error, &type);
    if (f == NULL) {
        bool skipped = type != std::filesystem::file_type::none; /* it changed since it was listed */
        row->state = skipped ? ROW_SKIPPED : ROW_FAILED;
        row->note = skipped ? NotRegular(type, LanguageOf(control)) : error;
        return;
    }
    FileStamp before;
    bool stamped = StampOf(f, &before);
    uLong sum = crc32(0L, Z_NULL, 0);
    uint64_t total = 0;
    size_t n;
    bool stopped = false;
    while (!stopped && (n = fread(buffer->data(), 1, buffer->size(), f)) > 0) {
        sum = crc32(sum, buffer->data(), (uInt)n);
        total += n;
        Working(control, total);
        stopped = Stopping(control);
    }
    bool failed = ferror(f) != 0;
    int readErrno = errno;
    bool changed = stamped && ChangedSince(f, before);
    fclose(f);
    control->progress->hashed += total;
    control->progress->current = 0;
    row->crc = (uint32_t)sum;
    row->crcKnown = !(failed || changed || stopped);
    if (failed) row->note = strerror(readErrno);
    else if (changed) row->note = MessageText(M_CHANGED_WHILE_READ, LanguageOf(control));
    if (failed || changed) row->state = ROW_FAILED;
}

bool KeyRow(Row *row, bool lower, std::vector<unsigned char> *buffer, Control *control) {
    if (row->state != ROW_ANSWERED || row->askedBy != ASKED_BY_FILE) return true;
    if (row->toHash) HashFile(row, buffer, control);
    if (Stopping(control)) return false;
    if (row->crcKnown) row->key = FullKey(row->crc, lower);
    return true;
}
