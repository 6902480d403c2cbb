/* The run (the stages joined: each row from its source, keyed, answered, printed and written) */
#include "run.h"

#include "answering.h"
#include "checker.h"
#include "command_line.h"
#include "exit_status.h"
#include "files.h"
#include "keying.h"
#include "platform.h"
#include "printing.h"
#include "release_version.h"
#include "sources.h"
#include "text.h"

#include <filesystem>
#include <new>

enum {
    HASH_BUFFER_BYTES = 1 << 20,
    MEASURED_ROWS = 100000 /* names looked at for the table's widths before the first row */
};

struct Tally {
    size_t found = 0, missing = 0, skipped = 0, failed = 0;
};

/* Everything the rows pass through, from their key to the output. */
struct Answering {
    const Settings *settings;
    const Plugin *plugin;
    const std::string *catalogue;
    const KeyHints *hints;
    TableLayout layout;
    Control control;
    std::vector<unsigned char> buffer; /* a game file's bytes, a piece at a time */
    Tally tally;
    size_t listed = 0, written = 0;
};

static bool Shown(Shown shown, const Row &row) {
    bool found = row.state == ROW_ANSWERED && row.found;
    return shown == SHOW_FOUND ? found : shown == SHOW_MISSING ? !found : true;
}

static void Count(Tally *t, const Row &row) {
    (row.state == ROW_SKIPPED ? t->skipped : row.state == ROW_FAILED ? t->failed : row.found ? t->found : t->missing)++;
}

/* The answering stage: the sources' sink. */
static bool AnswerStage(void *context, Row *row) {
    Answering *a = (Answering *)context;
    if (Stopping(&a->control) || !KeyRow(row, a->settings->lower, &a->buffer, &a->control)) return false;
    AnswerRow(*a->plugin, *a->catalogue, *a->hints, row);
    Count(&a->tally, *row);
    a->control.progress->answered++;
    std::string *rows = Rows(a->control.output);
    if (a->listed++ == 0 && a->settings->header) *rows += FirstRowHead(a->settings->format, a->layout, a->settings->about);
    if (Shown(a->settings->shown, *row)) PrintRow(a->settings->format, a->layout, *row, a->written++, rows);
    Added(a->control.output);
    DrawProgress(a->control.progress);
    return !a->control.output->gone;
}

static SourceOptions SourcesOf(const Settings &s) {
    SourceOptions options;
    options.archives = s.archives;
    options.extensions = s.extensions;
    for (const std::string &own : {s.catalogue, s.output}) { /* met in a folder, neither is a game */
        FileId id;
        if (!own.empty() && own != "-" && FileIdOf(PathOf(own), &id)) options.notGames.push_back(id);
    }
    return options;
}

/* The first look: only the names, for the table's widths. */
struct Measure {
    TableLayout *layout;
    size_t rows;
};

static bool MeasureRow(void *context, Row *row) {
    Measure *m = (Measure *)context;
    m->layout->withFiles = true;
    FitCell(m->layout, COLUMN_FILE, FileCell(*row, m->layout->language));
    return ++m->rows < MEASURED_ROWS;
}

/* The table's columns fit every cell they can get, before the first row
   is answered: the catalogue's findable games, the keys given, and the
   names a first look at the paths finds; the rows, if all are known then. */
static size_t FitRequests(const Settings &s, TableLayout *layout, Control *control) {
    bool keysFiles = false;
    size_t keys = 0;
    for (const Request &r : s.requests) {
        FitCell(layout, COLUMN_KEY, r.kind == REQUEST_KEY ? r.value : "00000000");
        keys += r.kind == REQUEST_KEY;
        keysFiles = keysFiles || r.kind == REQUEST_KEYS_FILE;
    }
    SourceOptions options = SourcesOf(s);
    options.measuring = true;
    Measure measure = {layout, 0};
    SourceNotes notes;
    SendRequests(s.requests, NULL, options, {MeasureRow, &measure}, control, &notes);
    return keysFiles || measure.rows >= MEASURED_ROWS ? 0 : measure.rows + keys;
}

/* A catalogue text, as the table would show it. */
static void FitText(TableLayout *layout, Column column, const char *sjis) {
    if (ColumnFull(*layout, column)) return;
    size_t length = 0;
    while (sjis[length] >= 0x20 && sjis[length] <= 0x7E) length++;
    if (sjis[length] != '\0') FitCell(layout, column, Utf8FromShiftJis(sjis));
    else if (length > layout->widths[column]) FitCell(layout, column, sjis); /* plain ASCII: as long as it is wide */
}

static void FitCatalogue(const CheckReport &catalogue, TableLayout *layout) {
    for (size_t i = 0; i < catalogue.games.size(); i++) {
        if (!catalogue.games[i].findable) continue;
        const GameRecord &r = catalogue.records[i];
        FitText(layout, COLUMN_TITLE, r.title);
        FitText(layout, COLUMN_MAKER, r.publisher);
        FitText(layout, COLUMN_GENRE, r.genre);
        FitCell(layout, COLUMN_YEAR, YearText(r.year));
    }
}

/* What would leave a host with nothing, with less than the catalogue
   holds, or with garbled text; with the line when there is one. */
static void WarnAboutCatalogue(const std::string &name, const CheckReport &report, Control *control) {
    Language language = LanguageOf(control);
    for (const Finding &f : report.findings) { /* the report holds no line findings */
        const std::string &message = f.message;
        Warn(control, f.line != 0 ? Say(language, M_CATALOGUE_WARNING_AT, {name, message, std::to_string(f.line)})
                                  : Say(language, M_CATALOGUE_WARNING, {name, message}));
    }
}

static void SaySummary(const Tally &t, Control *control) {
    Language language = LanguageOf(control);
    std::string counts = Say(language, M_SUMMARY,
                             {std::to_string(t.found + t.missing + t.skipped + t.failed), std::to_string(t.found),
                              std::to_string(t.missing), std::to_string(t.skipped), std::to_string(t.failed)});
    Tell(control->output, Interrupted(control) ? Say(language, M_STOPPED_BY_CTRL_C, {counts}) : counts);
}

/* The checker's reading, done beside the plug-in's. */
struct Checking {
    const std::string *catalogue;
    CheckReport *report;
    CheckOptions options;
};

static void Check(void *checking) {
    Checking *c = (Checking *)checking;
    CheckCatalogue(*c->catalogue, c->report, c->options);
}

/* The catalogue read, warned about, and what the rows need of the checker's
   report: the table's widths and the hints. The report is freed before
   the rows are asked. The plug-in reads the catalogue meanwhile, as its
   first query would: the two readings take one's time on two processors. */
static int ReadCatalogue(const Settings &s, const Plugin &plugin, std::string *catalogue, TableLayout *layout,
                         KeyHints *hints, Control *control) {
    if (s.catalogue.empty()) return EXIT_OK;
    std::string error;
    if (!ReadWholeFile(s.catalogue, MAX_INPUT_BYTES, catalogue, &error, s.language)) {
        if (Interrupted(control)) return EXIT_INTERRUPTED;
        Tell(control->output, Say(s.language, M_CANNOT_READ_CATALOGUE, {s.catalogue, error}));
        return EXIT_CATALOGUE;
    }
    CheckReport checked;
    Checking checking = {catalogue, &checked, CheckOptions()};
    checking.options.language = s.language;
    checking.options.listKeys = true;
    checking.options.lineFindings = false; /* only the catalogue's own warnings are said here */
    Beside *beside = StartBeside(Check, &checking);
    plugin.year(catalogue->c_str(), "", 0); /* a query like any other: it only reads the catalogue sooner */
    if (beside != NULL) JoinBeside(beside);
    else Check(&checking);
    WarnAboutCatalogue(s.catalogue, checked, control);
    if (s.format == FORMAT_TABLE) FitCatalogue(checked, layout);
    *hints = HintsFor(checked.keyLikes);
    return EXIT_OK;
}

/* What the rows left unsaid: hidden failures always, the rest with the summary. */
static void SayNotes(const Settings &s, const Answering &a, const SourceNotes &notes, bool summary, Control *control) {
    Language l = s.language;
    size_t hidden = s.shown == SHOW_FOUND ? a.tally.failed : 0;
    if (hidden != 0)
        Warn(control, hidden == 1 ? MessageText(M_HIDDEN_FAILED_ONE, l) : Say(l, M_HIDDEN_FAILED_MANY, {std::to_string(hidden)}));
    if (!summary) return;
    auto list = [&](const std::set<std::string> &names) {
        std::string text;
        for (const std::string &name : names) text += (text.empty() ? "" : MessageText(M_LIST_SEPARATOR, l)) + name;
        return text;
    };
    if (notes.notGames != 0) Tell(control->output, Say(l, M_NOT_GAMES, {std::to_string(notes.notGames), list(notes.notGameNames)}));
    if (notes.leftOut != 0) Tell(control->output, Say(l, M_NOT_EXTENSIONS, {std::to_string(notes.leftOut)}));
    if (notes.wholeArchives != 0)
        Tell(control->output, Say(l, M_ARCHIVES_WHOLE, {std::to_string(notes.wholeArchives), list(notes.archiveKinds)}));
}

/* The exit status once the rows are done. */
static int Ending(const Answering &a, const SourceNotes &notes) {
    if (a.control.output->gone) return a.control.output->status;
    if (Interrupted(&a.control)) return EXIT_INTERRUPTED;
    if (!notes.error.empty() || notes.keysMissing) return EXIT_USAGE;
    return a.tally.failed != 0 || notes.filesMissing ? EXIT_GAME_FILE : EXIT_OK;
}

static int AnswerRequests(const Settings &s, const Plugin &plugin, Answering *a) {
    Control *control = &a->control;
    OpenedInputs inputs;
    SourceNotes notes;
    if (!OpenInputs(s.requests, &inputs, &notes, s.language)) {
        Tell(control->output, notes.error);
        return EXIT_USAGE;
    }
    /* progress only beside rows that go to a file: never over them, nor over a pager */
    bool progress = IsTerminal(stderr) && IsFile(control->output->stream);
    size_t total = s.format == FORMAT_TABLE || progress ? FitRequests(s, &a->layout, control) : 0; /* a first look */
    size_t columns = control->output->rowsToTerminal ? TerminalColumns(control->output->stream) : 0;
    if (s.format == FORMAT_TABLE && columns > 1) FitToConsole(&a->layout, columns - 1); /* a full line would wrap */
    StartProgress(control->progress, progress, total, s.language);
    Identity identity;
    if (s.about) identity = AskIdentity(plugin);
    Put(control->output, ReportHead(s.format, s.about ? &identity : NULL, s.header, s.language));
    a->buffer.resize(HASH_BUFFER_BYTES);
    SourceOptions options = SourcesOf(s);
    SendRequests(s.requests, &inputs, options, {AnswerStage, a}, control, &notes);
    CloseInputs(&inputs);
    ClearProgress(control->progress);
    if (!control->output->gone) Put(control->output, ReportTail(s.format, a->written)); /* after Ctrl-C too: the JSON stays whole */
    Flush(control->output);
    if (!notes.error.empty()) Tell(control->output, notes.error);
    bool summary = !control->output->gone && a->listed != 0 && (s.summary || IsTerminal(stderr));
    if (summary) SaySummary(a->tally, control);
    SayNotes(s, *a, notes, summary, control);
    if (Interrupted(control) && !s.output.empty()) Tell(control->output, Say(s.language, M_ROWS_ARE_IN, {s.output}));
    return Ending(*a, notes);
}

/* Without -c, the catalogue dropped with the games or found where one is
   looked for, said in the run's first lines; false when there is none. */
static bool ChooseCatalogue(Settings *s, bool given, const std::string &firstFolder, Output *output) {
    if (given || s->requests.empty()) return true;
    std::vector<std::string> places = CataloguePlaces(firstFolder);
    for (size_t i = 0; s->catalogue.empty() && i < places.size(); i++) {
        std::error_code ec;
        if (std::filesystem::is_regular_file(PathOf(places[i]), ec)) s->catalogue = places[i];
    }
    Language language = s->language;
    if (!s->catalogue.empty()) {
        Tell(output, Say(language, M_CATALOGUE_IS, {s->catalogue}));
        return true;
    }
    std::string looked;
    for (const std::string &place : places)
        looked += (looked.empty() ? "" : MessageText(M_LIST_SEPARATOR, language)) + Say(language, M_QUOTED, {place});
    Tell(output, Say(language, M_NO_CATALOGUE, {looked}));
    TellLines(output, MessageText(M_HOW_TO_USE, language));
    return false;
}

/* Each input read once: the catalogue is no keys file, whatever the two
   are called ("-" and /dev/stdin, a file and a link to it). */
static bool OneReadingEach(const Settings &s, Output *output) {
    FileId catalogue, keys;
    if (s.catalogue.empty() || !InputIdOf(s.catalogue, &catalogue)) return true;
    for (const Request &r : s.requests) {
        if (r.kind != REQUEST_KEYS_FILE || !InputIdOf(r.value, &keys) || !(keys == catalogue)) continue;
        Tell(output, Say(s.language, M_SAME_INPUT, {r.value, MessageText(M_AS_CATALOGUE, s.language),
                                                    MessageText(M_AS_KEYS_FILE, s.language)}));
        return false;
    }
    return true;
}

/* -o's file, never one this run reads: the catalogue, a keys file, a game file given. */
static bool OpenRows(const Settings &s, Output *output, FILE **rows) {
    if (s.output.empty()) return true;
    FileId out, in;
    if (FileIdOf(PathOf(s.output), &out)) {
        std::vector<std::string> inputs = {s.catalogue};
        for (const Request &r : s.requests)
            if (r.kind != REQUEST_KEY) inputs.push_back(r.value);
        for (const std::string &input : inputs)
            if (!input.empty() && InputIdOf(input, &in) && in == out) {
                Tell(output, Say(s.language, M_OUTPUT_IS_INPUT, {s.output}));
                return false;
            }
    }
    std::string error;
    *rows = OpenOutputFile(s.output, &error);
    if (*rows == NULL) Tell(output, Say(s.language, M_CANNOT_WRITE_FILE, {s.output, error}));
    return *rows != NULL;
}

/* Why the plug-in cannot be used, in words when it is built for the other bitness. */
static std::string PluginProblem(const std::string &path, const std::string &error, Language language) {
    int bits = LibraryBits(path), mine = (int)sizeof(void *) * 8;
    if (bits == 0 || bits == mine) return Say(language, M_CANNOT_USE_PLUGIN, {path, error});
    std::string folder = NameOf(PathOf(path).parent_path());
    return Say(language, M_OTHER_BITNESS, {path, std::to_string(bits), std::to_string(mine),
                                           folder.empty() ? kToolFileName : JoinName(folder, kToolFileName)});
}

static int AskAll(Settings &s);

/* The tool's version, and the plug-in's as it says and as its file says. */
static int ShowVersion(const Settings &s) {
    Output output;
    output.language = s.language;
    Put(&output, Say(s.language, M_VERSION_TOOL, {PLINORINFO_RELEASE}) + "\n");
    Plugin plugin;
    std::string path = s.plugin.empty() ? DefaultPluginPath() : s.plugin, error;
    if (!LoadPlugin(path, &plugin, &error, s.language)) {
        Flush(&output);
        Tell(&output, PluginProblem(path, error, s.language));
        return EXIT_PLUGIN;
    }
    std::string version = std::to_string(plugin.version()), file = LibraryFileVersion(path);
    UnloadPlugin(&plugin);
    if (file.empty()) Put(&output, Say(s.language, M_VERSION_PLUGIN_NO_FILE, {path, version}) + "\n");
    else Put(&output, Say(s.language, M_VERSION_PLUGIN, {path, version, file}) + "\n");
    Flush(&output);
    return output.gone ? output.status : EXIT_OK;
}

int RunQueries(Settings s) {
    try {
        return AskAll(s);
    } catch (const std::bad_alloc &) { /* the rows so far were written as they came, but for the last 100 ms */
        Output output;
        Tell(&output, MessageText(M_OUT_OF_MEMORY, s.language));
        return EXIT_CATALOGUE;
    }
}

static int AskAll(Settings &s) {
    CatchInterrupt();
    Output output;
    Progress progress;
    StartOutput(&output, &progress, s.language, stdout);
    Answering a;
    a.settings = &s;
    a.control = {&output, &progress};
    Plugin plugin;
    std::string pluginPath = s.plugin.empty() ? DefaultPluginPath() : s.plugin, error;
    if (!LoadPlugin(pluginPath, &plugin, &error, s.language)) {
        Tell(&output, PluginProblem(pluginPath, error, s.language));
        return EXIT_PLUGIN;
    }
    bool given = !s.catalogue.empty();
    std::string firstFolder = ResolveGiven(&s);
    FILE *rows = NULL;
    if (!ChooseCatalogue(&s, given, firstFolder, &output) || !OneReadingEach(s, &output) ||
        !OpenRows(s, &output, &rows)) {
        UnloadPlugin(&plugin);
        return EXIT_USAGE;
    }
    if (rows != NULL) RowsTo(&output, rows);
    std::string catalogue;
    KeyHints hints;
    a.layout = StartLayout(s.language);
    int status = ReadCatalogue(s, plugin, &catalogue, &a.layout, &hints, &a.control);
    a.plugin = &plugin;
    a.catalogue = &catalogue;
    a.hints = &hints;
    if (status == EXIT_OK) status = AnswerRequests(s, plugin, &a);
    UnloadPlugin(&plugin);
    if (rows != NULL && fclose(rows) != 0 && status == EXIT_OK) status = EXIT_OUTPUT;
    return status;
}

static int Run(const std::vector<std::string> &args, Language language) {
    if (args.size() <= 1 && ConsoleOfItsOwn()) { /* opened from Explorer with nothing dropped */
        Output output;
        Put(&output, MessageText(M_HOW_TO_USE, language));
        Flush(&output);
        return EXIT_USAGE;
    }
    CommandLine line = ParseCommandLine(args, language);
    if (line.stop) {
        Output output;
        output.language = line.settings.language;
        if (!line.help.empty()) {
            Put(&output, line.help);
            Flush(&output);
            return output.gone ? output.status : *line.stop;
        }
        Tell(&output, line.error);
        return *line.stop;
    }
    if (line.settings.version) return ShowVersion(line.settings);
    return line.settings.check ? RunCheck(line.settings) : RunQueries(line.settings);
}

/* The language of the messages: the user's, unless PLINORHOST_LANG (for
   scripts and tests) or --lang says otherwise; a bad --lang is reported by
   the parse, in the language before it. */
static Language ReaderLanguage(const std::vector<std::string> &args) {
    Language language = UserReadsJapanese() ? LANGUAGE_JA : LANGUAGE_EN;
    const char *chosen = getenv("PLINORHOST_LANG");
    if (chosen != NULL) LanguageNamed(chosen, &language);
    std::string bad;
    LanguageGiven(args, &language, &bad);
    return language;
}

int RunTool(const std::vector<std::string> &args) {
    PrepareOutput();
    Language language = ReaderLanguage(args);
    int status = Run(args, language);
    if (ConsoleOfItsOwn()) { /* the window closes when we end: let it be read first */
        Output output;
        Put(&output, "\n" + std::string(MessageText(M_PRESS_ANY_KEY, language)) + "\n");
        Flush(&output);
        WaitForKey();
    }
    return status;
}
