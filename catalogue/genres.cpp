/* Genre table (catalogue genre codes and the names stored for them) */
#include "genres.h"

struct Genre {
    const char code[3];
    const char *name; /* Shift_JIS */
};

static const Genre genres[] = {
    {"0", "\x83\x41\x83\x4e\x83\x56\x83\x87\x83\x93"},                         /* アクション */
    {"1", "\x83\x41\x83\x68\x83\x78\x83\x93\x83\x60\x83\x83\x81\x5b"},         /* アドベンチャー */
    {"2", "\x83\x56\x83\x7e\x83\x85\x83\x8c\x81\x5b\x83\x56\x83\x87\x83\x93"}, /* シミュレーション */
    {"3", "\x83\x56\x83\x85\x81\x5b\x83\x65\x83\x42\x83\x93\x83\x4f"},         /* シューティング */
    {"4", "\x83\x58\x83\x7c\x81\x5b\x83\x63"},                                 /* スポーツ */
    {"5", "\x91\xce\x90\xed\x8a\x69\x93\xac"},                                 /* 対戦格闘 */
    {"6", "\x83\x65\x81\x5b\x83\x75\x83\x8b"},                                 /* テーブル */
    {"7", "\x83\x70\x83\x59\x83\x8b"},                                         /* パズル */
    {"8", "\x83\x8c\x81\x5b\x83\x58"},                                         /* レース */
    {"9", "\x83\x8d\x81\x5b\x83\x8b\x83\x76\x83\x8c\x83\x43\x83\x93\x83\x4f"}, /* ロールプレイング */
    {"10", "\x82\xbb\x82\xcc\x91\xbc"},                                        /* その他 */
};

/* Codes are one or two bytes: compare them byte for byte, whole. */
const char *GenreName(const char *code, size_t length) {
    if (length == 0 || length > 2) return NULL;
    for (size_t i = 0; i < sizeof genres / sizeof genres[0]; i++) {
        const char *c = genres[i].code;
        if (c[0] == code[0] && (length == 1 ? c[1] == '\0' : c[1] == code[1] && c[2] == '\0'))
            return genres[i].name;
    }
    return NULL;
}
