/* Catalogue lines (the line rules: what each line of data.dat does) */
#include "lines.h"

#include <string.h>

#include "genres.h"

const char *OpeningTag(LineKind kind) {
    return kind < LINE_OTHER ? lineTags[kind].opening : "";
}

const char *ClosingTag(LineKind kind) {
    return kind < LINE_OTHER ? lineTags[kind].closing : "";
}

bool LineValue(const CatalogueLine *line, TextView *value) {
    if (line->kind >= LINE_END_OF_GAME || line->kind == LINE_END_OF_GAMES) return false;
    const LineTag *tag = &lineTags[line->kind];
    const char *end = line->end < line->limit ? line->end : line->limit;
    for (const char *p = line->next; p != NULL && p + tag->closingLength <= end; p++) {
        if (*p == '<' && StartsWithTag(p, tag->closing, tag->closingLength)) {
            value->start = line->opening + tag->openingLength;
            value->length = (size_t)(p - value->start);
            return true;
        }
    }
    return false;
}

/* Copies as much of the value as the field holds. */
static void StoreText(char *field, size_t capacity, TextView value) {
    size_t length = value.length < capacity - 1 ? value.length : capacity - 1;
    size_t i = 0;
    for (; i + 8 <= length; i += 8) /* values are short: words beat a block copy's start-up */
        memcpy(field + i, value.start + i, 8);
    for (; i < length; i++) field[i] = value.start[i];
    field[length] = '\0';
}

/* The rest of a key field is zeroed so that keys compare as whole fields. */
static void StoreKey(char *field, TextView value) {
    memset(field, 0, KEY_FIELD_SIZE);
    StoreText(field, KEY_FIELD_SIZE, value);
}

static bool IsSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

int32_t ReadYear(TextView date) {
    size_t end = date.length < 4 ? date.length : 4;
    size_t i = 0;
    int32_t sign = 1, year = 0;
    while (i < end && IsSpace(date.start[i])) i++;
    if (i < end && (date.start[i] == '+' || date.start[i] == '-')) {
        if (date.start[i] == '-') sign = -1;
        i++;
    }
    for (; i < end && date.start[i] >= '0' && date.start[i] <= '9'; i++)
        year = year * 10 + (date.start[i] - '0');
    return sign * year;
}

static bool StoreGenre(GameRecord *record, TextView code) {
    const char *name = GenreName(code.start, code.length);
    if (name == NULL) return false; /* an unlisted code keeps the earlier genre */
    TextView text = {name, strlen(name)};
    StoreText(record->genre, sizeof record->genre, text);
    return true;
}

bool ApplyLine(const CatalogueLine *line, GameRecord *record) {
    TextView value;
    return LineValue(line, &value) && ApplyValue(line->kind, value, record);
}

bool ApplyValue(LineKind kind, TextView value, GameRecord *record) {
    switch (kind) {
    case LINE_TITLE: StoreText(record->title, sizeof record->title, value); return true;
    case LINE_GENRE: return StoreGenre(record, value);
    case LINE_PUBLISHER: StoreText(record->publisher, sizeof record->publisher, value); return true;
    case LINE_DATE: record->year = ReadYear(value); return true;
    case LINE_COMMENT: StoreText(record->comment, sizeof record->comment, value); return true;
    case LINE_CRC32: StoreKey(record->crc32, value); return true;
    default: return false;
    }
}
