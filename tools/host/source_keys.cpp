/* Keys as a source (keys given on the command line, and keys files read as they come) */
#include <errno.h>
#include <string.h>

#include "files.h"
#include "keys_file.h"
#include "platform.h"
#include "sources.h"

static std::string Shown(const std::string &name, Language language) {
    return name == "-" ? MessageText(M_STANDARD_INPUT, language) : Say(language, M_QUOTED, {name});
}

bool OpenInputs(const std::vector<Request> &requests, OpenedInputs *inputs, SourceNotes *notes, Language language) {
    for (const Request &r : requests) {
        if (r.kind != REQUEST_KEYS_FILE) continue;
        std::string error;
        std::filesystem::file_type type;
        uint64_t size;
        FILE *f = OpenBoundedInput(r.value, MAX_INPUT_BYTES, &error, &type, &size, language);
        if (f == NULL) {
            notes->error = Say(language, M_CANNOT_READ_KEYS, {r.value, error});
            return false;
        }
        inputs->keysFiles.push_back({f, type != std::filesystem::file_type::regular});
    }
    return true;
}

void CloseInputs(OpenedInputs *inputs) {
    for (const OpenedInput &input : inputs->keysFiles)
        if (input.file != stdin) fclose(input.file);
    inputs->keysFiles.clear();
}

static bool Ask(const std::string &key, RowSink sink, Row *row) {
    ClearRow(row);
    row->key = key;
    return sink.take(sink.context, row);
}

/* A key as given: one that is not hexadecimal is asked all the same, with a warning. */
bool SendKey(const std::string &key, RowSink sink, Row *row, Control *control) {
    if (!IsHexadecimal(key)) Warn(control, Say(LanguageOf(control), M_KEY_NOT_HEXADECIMAL, {key}));
    return Ask(key, sink, row);
}

/* A keys file's row: its key, asked as a typed one is (the warning naming
   the line), or a failed row saying why it holds none. */
static bool SendKeyLine(const std::string &name, const KeyLine &k, RowSink sink, Row *row, Control *control) {
    if (k.fault == KEY_FINE) return Ask(k.key, sink, row);
    Language language = LanguageOf(control);
    std::string shown = Shown(name, language), line = std::to_string(k.line);
    if (k.fault == KEY_NOT_HEXADECIMAL) {
        Warn(control, Say(language, M_KEYS_LINE_NOT_HEXADECIMAL, {shown, line, k.key}));
        return Ask(k.key, sink, row);
    }
    MessageId why = k.fault == KEY_NUL_BYTE ? M_KEYS_LINE_NUL : k.fault == KEY_TOO_LONG ? M_KEYS_LINE_TOO_LONG
                  : k.fault == KEY_EMPTY    ? M_KEYS_LINE_NO_KEY
                                            : M_KEYS_LINE_UNDECODABLE;
    ClearRow(row);
    row->state = ROW_FAILED;
    row->note = Say(language, why, {shown, line, std::to_string(k.column)});
    return sink.take(sink.context, row);
}

/* A keys file being read: where its keys go. */
struct KeysSource {
    const std::string *name;
    RowSink sink;
    Row *row;
    Control *control;
    size_t sent;
};

static bool TakeKeyLine(void *context, const KeyLine &k) {
    KeysSource *source = (KeysSource *)context;
    if (k.fault == KEY_HEADER) { /* said, not asked */
        Language language = LanguageOf(source->control);
        Warn(source->control, Say(language, M_KEYS_HEADER_SKIPPED, {Shown(*source->name, language),
                                                                   std::to_string(k.line), std::to_string(k.column)}));
        return !Stopping(source->control);
    }
    source->sent++;
    return !Stopping(source->control) && SendKeyLine(*source->name, k, source->sink, source->row, source->control);
}

bool SendKeysFile(const std::string &name, const OpenedInput &input, RowSink sink, Row *row, Control *control,
                  SourceNotes *notes) {
    KeysSource source = {&name, sink, row, control, 0};
    KeysReader reader;
    StartKeys(&reader, TakeKeyLine, &source);
    std::vector<char> chunk(64 << 10);
    FILE *file = input.file;
    size_t total = 0, n;
    for (;;) {
        if (input.waits) Waiting(control); /* what is answered goes out before we wait */
        n = fread(chunk.data(), 1, chunk.size(), file);
        if (n == 0 || (total += n) > MAX_INPUT_BYTES) break;
        if (!ReadKeys(&reader, chunk.data(), n)) return false;
    }
    Language language = LanguageOf(control);
    if (ferror(file)) /* before anything else can change errno */
        notes->error = Say(language, M_CANNOT_READ_KEYS, {name, strerror(errno)});
    else if (total > MAX_INPUT_BYTES)
        notes->error = Say(language, M_CANNOT_READ_KEYS, {name, TooLarge(MAX_INPUT_BYTES, language)});
    if (!notes->error.empty()) return false; /* a row cut short by the failure is not asked */
    if (!EndKeys(&reader)) return false;
    if (source.sent == 0) {
        notes->keysMissing = true;
        Warn(control, Say(language, M_KEYS_FILE_HOLDS_NO_KEYS, {Shown(name, language)}));
    }
    return true;
}
