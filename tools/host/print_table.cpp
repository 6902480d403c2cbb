/* Printing as a table (columns fixed before the first row, every cell shown safely) */
#include <string.h>

#include <algorithm>

#include "platform.h"
#include "checker.h"
#include "printing.h"
#include "text.h"

static const MessageId kHeader[COLUMNS + 1] = {M_COLUMN_FILE,  M_COLUMN_KEY,  M_COLUMN_TITLE, M_COLUMN_MAKER,
                                               M_COLUMN_GENRE, M_COLUMN_YEAR, M_COLUMN_MEMO};

/* Wide enough for most catalogues' cells, narrow enough for a terminal. */
static const size_t kColumnLimit[COLUMNS] = {60, 16, 40, 24, 16, 6};

std::string YearText(int32_t year) {
    return year != 0 ? std::to_string(year) : "-"; /* 0: the catalogue gives no date */
}

bool ColumnFull(const TableLayout &layout, Column column) {
    return layout.widths[column] >= kColumnLimit[column];
}

void FitCell(TableLayout *layout, Column column, const std::string &cell) {
    if (ColumnFull(*layout, column)) return;
    size_t width = std::min(VisibleWidth(cell), kColumnLimit[column]);
    layout->widths[column] = std::max(layout->widths[column], width);
}

void FitToConsole(TableLayout *layout, size_t columns) {
    enum { MEMO_ROOM = 12, SHRUNK = 8 }; /* the least a memo, and a shrunk column, keep */
    layout->limit = columns;
    size_t total = MEMO_ROOM;
    for (int c = layout->withFiles ? 0 : 1; c < COLUMNS; c++) total += layout->widths[c] + 2;
    const Column shrinkable[] = {COLUMN_FILE, COLUMN_TITLE, COLUMN_MAKER, COLUMN_GENRE};
    while (total > columns) {
        Column widest = COLUMN_YEAR;
        for (Column c : shrinkable)
            if ((c != COLUMN_FILE || layout->withFiles) && layout->widths[c] > SHRUNK &&
                (widest == COLUMN_YEAR || layout->widths[c] > layout->widths[widest]))
                widest = c;
        if (widest == COLUMN_YEAR) break; /* nothing left to shrink: cells are cut */
        layout->widths[widest]--;
        total--;
    }
}

TableLayout StartLayout(Language language) {
    TableLayout layout;
    layout.language = language;
    for (int c = 0; c < COLUMNS; c++) FitCell(&layout, (Column)c, MessageText(kHeader[c], language));
    FitCell(&layout, COLUMN_YEAR, YearText(0));
    return layout;
}

std::string FileCell(const Row &row, Language language) {
    if (!row.member.present) return row.file;
    return MemberName(row.file, row.member.name) + (row.member.encrypted ? MessageText(M_ENCRYPTED, language) : "");
}

/* A table line being made, a cell at a time, in a buffer of its own: one
   append to the output a line, however many cells. */
struct Line {
    const size_t *widths;
    size_t columns; /* widths there are: the memo, last, has none */
    std::string *out;
    size_t cells;
    size_t pad;     /* spaces owed before the next cell: none after the last */
    size_t limit;   /* a console's width, or 0 */
    size_t used;    /* columns so far */
    size_t held;    /* bytes in text, not yet in out */
    char text[512];
};

static void StartLine(Line *line, const TableLayout &layout, std::string *out) {
    line->columns = layout.withFiles ? COLUMNS : COLUMNS - 1;
    line->widths = layout.withFiles ? layout.widths : layout.widths + 1;
    line->out = out;
    line->cells = line->pad = line->used = line->held = 0;
    line->limit = layout.limit;
}

static void Hand(Line *line) {
    line->out->append(line->text, line->held);
    line->held = 0;
}

static void Hold(Line *line, const char *bytes, size_t length) {
    if (line->held + length > sizeof line->text) Hand(line);
    if (length > sizeof line->text) { /* a long cell: straight on */
        line->out->append(bytes, length);
        return;
    }
    memcpy(line->text + line->held, bytes, length);
    line->held += length;
}

/* What the next cell may take on a console: its column, or what is left. */
static size_t Room(const Line *line) {
    if (line->cells < line->columns) return line->widths[line->cells];
    return line->limit > line->used + line->pad ? line->limit - line->used - line->pad : 0;
}

/* A cell made safe to show, `width` columns wide. */
static void Place(Line *line, const char *shown, size_t length, size_t width) {
    static const char kSpaces[] = "                                                                ";
    for (size_t owed = line->pad; owed > 0;) {
        size_t n = std::min(owed, sizeof kSpaces - 1);
        Hold(line, kSpaces, n);
        owed -= n;
    }
    Hold(line, shown, length);
    line->used += line->pad + width;
    size_t column = line->cells++, columnWidth = column < line->columns ? line->widths[column] : 0;
    line->pad = std::max(columnWidth, width) - width + 2;
}

static void AddShownCell(Line *line, const std::string &shown, size_t width) {
    if (line->limit != 0 && width > Room(line)) {
        std::string cut = CutToWidth(shown, Room(line));
        Place(line, cut.data(), cut.size(), DisplayWidth(cut));
    } else {
        Place(line, shown.data(), shown.size(), width);
    }
}

/* A cell known to be printable ASCII, shown as it is. */
static void AddPlainCell(Line *line, const char *cell, size_t width) {
    if (line->limit != 0 && width > Room(line)) AddShownCell(line, std::string(cell, width), width);
    else Place(line, cell, width, width);
}

static void AddCell(Line *line, const std::string &cell) {
    if (IsPlainAscii(cell)) { /* most cells */
        AddPlainCell(line, cell.data(), cell.size());
        return;
    }
    std::string shown = Visible(cell); /* no cell may move the cursor */
    AddShownCell(line, shown, DisplayWidth(shown));
}

static void EndLine(Line *line) {
    while (line->held > 0 && line->text[line->held - 1] == ' ') line->held--;
    if (line->held == 0) { /* all handed on: the spaces are in out */
        size_t end = line->out->find_last_not_of(' ');
        line->out->erase(end == std::string::npos ? 0 : end + 1);
    }
    Hold(line, "\n", 1);
    Hand(line);
}

/* Why a key is not found, when the catalogue has something like it. */
static std::string HintText(const Row &row, Language language) {
    std::string value = ShownValue(row.hint), line = std::to_string(row.hintLine);
    switch (row.hintReason) {
    case KEY_LIKE_DECORATED: return Say(language, M_HINT_DECORATED, {value, line});
    case KEY_LIKE_PAST_TABLE: return Say(language, M_HINT_PAST_TABLE, {value, line, std::to_string(MAX_GAMES)});
    case KEY_LIKE_AFTER_END: return Say(language, M_HINT_AFTER_END, {value, line});
    case KEY_LIKE_PADDED_AWAY: return Say(language, M_HINT_PADDED_AWAY, {value, line});
    default: return Say(language, M_NOT_IN_CATALOGUE_HAS, {value});
    }
}

static void AddRowCells(Line *line, const Row &row, const TableLayout &layout) {
    Language language = layout.language;
    if (layout.withFiles && row.askedBy == ASKED_BY_FILE) AddCell(line, FileCell(row, language));
    else if (layout.withFiles) AddPlainCell(line, "-", 1);
    if (row.state != ROW_ANSWERED) {
        AddPlainCell(line, "-", 1);
        AddCell(line, Say(language, row.state == ROW_SKIPPED ? M_SKIPPED_CELL : M_CANNOT_READ_CELL, {row.note}));
        return;
    }
    AddCell(line, row.key);
    if (!row.found && row.hint.empty()) {
        const char *text = MessageText(M_NOT_IN_CATALOGUE, language);
        if (language == LANGUAGE_EN) AddPlainCell(line, text, strlen(text)); /* most rows of a long run */
        else AddCell(line, text);
        return;
    }
    if (!row.found) {
        AddCell(line, HintText(row, language));
        return;
    }
    for (const std::string *s : {&row.title, &row.maker, &row.genre}) AddCell(line, *s);
    AddCell(line, YearText(row.year));
    AddCell(line, row.memo);
}

std::string TableLine(const TableLayout &layout, const std::vector<std::string> &cells) {
    std::string out;
    Line line;
    StartLine(&line, layout, &out);
    for (const std::string &cell : cells) AddCell(&line, cell);
    EndLine(&line);
    return out;
}

std::string FirstRowHead(Format format, const TableLayout &layout, bool about) {
    if (format != FORMAT_TABLE) return "";
    std::vector<std::string> header;
    for (int c = layout.withFiles ? 0 : 1; c <= COLUMNS; c++) header.push_back(MessageText(kHeader[c], layout.language));
    return (about ? "\n" : "") + TableLine(layout, header);
}

static std::string TableHead(const Identity *about, Language language) {
    if (about == NULL) return "";
    return Visible(Say(language, M_PLUGIN_IDENTITY, {std::to_string(about->version), about->author})) + "\n" +
           Visible(about->description) + "\n";
}

std::string ReportHead(Format format, const Identity *about, bool header, Language language) {
    if (format == FORMAT_CSV) return header ? "\xEF\xBB\xBF" + CsvHeader() : ""; /* the mark tells spreadsheets it is UTF-8 */
    if (format == FORMAT_CSV_PLAIN) return header ? CsvHeader() : "";
    if (format == FORMAT_TABLE) return TableHead(about, language);
    std::string head = "{\n";
    if (about != NULL)
        head += "  \"plugin\": " + JsonText({{"version", about->version}, {"author", about->author},
                                             {"description", about->description}}) + ",\n";
    return head + "  \"games\": [";
}

void PrintRow(Format format, const TableLayout &layout, const Row &row, size_t written, std::string *out) {
    if (format == FORMAT_TABLE) {
        Line line;
        StartLine(&line, layout, out);
        AddRowCells(&line, row, layout);
        EndLine(&line);
        return;
    }
    nlohmann::ordered_json entry = JsonRow(row);
    if (format == FORMAT_JSON) *out += (written == 0 ? "\n    " : ",\n    ") + JsonText(entry);
    else *out += CsvRow(entry, format == FORMAT_CSV);
}

std::string ReportTail(Format format, size_t written) {
    if (format != FORMAT_JSON) return "";
    return std::string(written != 0 ? "\n  ]" : "]") + "\n}\n";
}
