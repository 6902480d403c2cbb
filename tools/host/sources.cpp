/* Sources (the rows the requests stand for, made one at a time, in the order asked) */
#include "sources.h"

void FileRowOf(const std::string &file, RowState state, const std::string &note, Row *row) {
    ClearRow(row);
    row->askedBy = ASKED_BY_FILE;
    row->file = file;
    row->state = state;
    row->note = note;
}

bool SendFileRow(const std::string &file, RowState state, const std::string &note, RowSink sink, Row *row) {
    FileRowOf(file, state, note, row);
    return sink.take(sink.context, row);
}

void SendRequests(const std::vector<Request> &requests, OpenedInputs *inputs, const SourceOptions &options,
                  RowSink sink, Control *control, SourceNotes *notes) {
    Row row;
    size_t keysFile = 0;
    for (const Request &r : requests) {
        if (Stopping(control)) return;
        bool more = true;
        if (r.kind == REQUEST_FILE) {
            SourceOptions own = options;
            own.recursive = r.recursive;
            more = SendPath(r.value, own, sink, &row, control, notes);
        } else if (options.measuring) {
            continue; /* keys are measured where they are given; keys files are read once */
        } else if (r.kind == REQUEST_KEY) {
            more = SendKey(r.value, sink, &row, control);
        } else {
            more = SendKeysFile(r.value, inputs->keysFiles[keysFile++], sink, &row, control, notes);
        }
        if (!more) return;
    }
}
