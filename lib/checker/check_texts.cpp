/* The words findings share (values as people read them, games by their names) */
#include <string.h>

#include "check_state.h"
#include "checker.h"
#include "text.h"

std::string Shown(const char *bytes, size_t length) {
    return Utf8FromShiftJis(std::string(bytes, length));
}

std::string Shown(const char *text) {
    return Shown(text, strlen(text));
}

std::string ShownValue(const std::string &bytes) {
    return Utf8FromShiftJis(bytes);
}

std::string Bytes(const CatalogueCheck *c, size_t n) {
    return Say(c, n == 1 ? M_CHECK_BYTE : M_CHECK_BYTES, {std::to_string(n)});
}

std::string GameName(const CatalogueCheck *c, const GameRecord &record) {
    if (record.title[0] != '\0') return Say(c, M_CHECK_GAME_TITLED, {Shown(record.title)});
    if (record.crc32[0] != '\0') return Say(c, M_CHECK_GAME_KEYED, {Shown(record.crc32)});
    return Say(c, M_CHECK_A_GAME);
}
