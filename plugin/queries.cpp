/* Game queries (the five exports that answer by catalogue text and key) */
#include <string.h>

#include "parser.h"
#include "lookup.h"
#include "plinorinfo.h"

enum FieldSelector { FIELD_TITLE = 0, FIELD_MAKER = 1, FIELD_GENRE = 2, FIELD_MEMO = 3 };

static const GameRecord *LoadAndFind(const char *catalogueText, const char *key) {
    char normalized[KEY_FIELD_SIZE];
    LoadCatalogue(catalogueText);
    if (!NormalizeKey(key, normalized)) return NULL;
    return FindGame(normalized);
}

static const char *SelectField(const GameRecord *record, FieldSelector field) {
    switch (field) {
    case FIELD_TITLE: return record->title;
    case FIELD_MAKER: return record->publisher;
    case FIELD_GENRE: return record->genre;
    case FIELD_MEMO: return record->comment;
    }
    return "";
}

static int32_t QueryTextField(const char *catalogueText, const char *key, FieldSelector field,
                              char **out, int32_t copyFlag) {
    const GameRecord *record = LoadAndFind(catalogueText, key);
    if (record == NULL) return NOT_FOUND;
    const char *text = SelectField(record, field);
    return AnswerText(text, (int32_t)strlen(text) + 1, out, copyFlag);
}

extern "C" {

int32_t PLINORINFO_CALL GetTitle(const char *catalogueText, const char *key, int32_t,
                                 char **out, int32_t copyFlag) {
    return QueryTextField(catalogueText, key, FIELD_TITLE, out, copyFlag);
}

int32_t PLINORINFO_CALL GetMaker(const char *catalogueText, const char *key, int32_t,
                                 char **out, int32_t copyFlag) {
    return QueryTextField(catalogueText, key, FIELD_MAKER, out, copyFlag);
}

int32_t PLINORINFO_CALL GetGenre(const char *catalogueText, const char *key, int32_t,
                                 char **out, int32_t copyFlag) {
    return QueryTextField(catalogueText, key, FIELD_GENRE, out, copyFlag);
}

int32_t PLINORINFO_CALL GetMemo(const char *catalogueText, const char *key, int32_t,
                                char **out, int32_t copyFlag) {
    return QueryTextField(catalogueText, key, FIELD_MEMO, out, copyFlag);
}

int32_t PLINORINFO_CALL GetYear(const char *catalogueText, const char *key, int32_t) {
    const GameRecord *record = LoadAndFind(catalogueText, key);
    return record != NULL ? record->year : NOT_FOUND;
}

}
