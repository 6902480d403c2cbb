/* Answering (a row's key asked of the plug-in, through the two-call protocol) */
#include "answering.h"

#include "keying.h"
#include "text.h"

void AnswerRow(const Plugin &plugin, const std::string &catalogue, const KeyHints &hints, Row *row) {
    if (row->state != ROW_ANSWERED) return;
    std::string text;
    row->found = AskText(plugin.title, catalogue, row->key, &text);
    if (!row->found && row->askedBy == ASKED_BY_FILE) {
        std::string brief = ShortKey(row->key);
        if (brief != row->key && AskText(plugin.title, catalogue, brief, &text)) {
            row->found = true;
            row->key = brief;
        }
    }
    if (!row->found) {
        Hint hint;
        if (HintFor(hints, row->key, &hint)) {
            row->hint = hint.value;
            row->hintLine = hint.line;
            row->hintReason = hint.reason;
        }
        return;
    }
    row->title = Utf8FromShiftJis(text);
    const struct {
        PlinorTextQuery query;
        std::string *field;
    } others[] = {{plugin.maker, &row->maker}, {plugin.genre, &row->genre}, {plugin.memo, &row->memo}};
    for (const auto &o : others) {
        text.clear();
        AskText(o.query, catalogue, row->key, &text);
        *o.field = Utf8FromShiftJis(text);
    }
    row->year = plugin.year(catalogue.c_str(), row->key.c_str(), 0);
}
