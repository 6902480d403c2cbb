/* Printing as JSON (a row's fields by name; names that are not UTF-8 kept whole in hexadecimal) */
#include "checker.h"
#include "printing.h"
#include "text.h"

void PutName(nlohmann::ordered_json &entry, const char *field, const std::string &bytes) {
    bool valid = IsValidUtf8(bytes);
    entry[field] = valid ? bytes : ValidUtf8(bytes);
    if (!valid) entry[std::string(field) + "_hex"] = HexBytes(bytes);
}

std::string JsonText(const nlohmann::ordered_json &value, int indent) {
    return value.dump(indent, ' ', false, nlohmann::json::error_handler_t::replace);
}

nlohmann::ordered_json JsonRow(const Row &row) {
    nlohmann::ordered_json entry;
    entry["asked"] = row.askedBy == ASKED_BY_FILE ? "file" : "key";
    if (row.askedBy == ASKED_BY_FILE) PutName(entry, "file", row.file);
    if (row.member.present) {
        entry["member"] = row.member.name;
        if (row.member.recorded != row.member.name) entry["member_hex"] = HexBytes(row.member.recorded);
        if (row.member.encrypted) entry["encrypted"] = true;
    }
    if (row.state != ROW_ANSWERED) {
        entry[row.state == ROW_SKIPPED ? "skipped" : "error"] = ValidUtf8(row.note);
        return entry;
    }
    PutName(entry, "key", row.key);
    entry["found"] = row.found;
    if (row.found) {
        entry["title"] = row.title;
        entry["maker"] = row.maker;
        entry["genre"] = row.genre;
        entry["memo"] = row.memo;
        entry["year"] = row.year;
    } else if (!row.hint.empty()) {
        static const char *const kWhy[] = {"case-or-padding", "spaces-or-0x", "past-table", "after-end",
                                             "padded-away"};
        entry["catalogue_has"] = ShownValue(row.hint);
        entry["catalogue_line"] = row.hintLine;
        entry["why_not_found"] = kWhy[row.hintReason];
    }
    return entry;
}
