/* plinorhost: asks the plug-in about games from a terminal, as a host does */
#include <errno.h>
#include <stdio.h>
#include <string.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "check_report.h"
#include "checker.h"
#include "game_files.h"
#include "platform.h"
#include "plugin_loader.h"
#include "progress.h"
#include "report.h"
#include "rows.h"
#include "text.h"

enum ExitCode {
    EXIT_OK = 0,
    EXIT_USAGE = 1,
    EXIT_CATALOGUE = 2,
    EXIT_GAME_FILE = 3,
    EXIT_PLUGIN = 4,
    EXIT_OUTPUT = 5,
    EXIT_FINDINGS = 6,
    EXIT_INTERRUPTED = 130 /* as a shell reports Ctrl-C */
};

static const char kExitCodes[] =
    "Exit status: 0 done; 1 usage, or a keys file without keys; 2 catalogue unreadable;\n"
    "3 a row not answered (a game file unreadable or changed while read, a damaged\n"
    "zip archive, a damaged or unsafe file in one, a keys-file line that is no key)\n"
    "or a folder without game files: the other rows are still shown; 4 plug-in not\n"
    "loadable; 5 output not written (quietly when the pipe was closed); 6 the check\n"
    "found something to report; 130 stopped by Ctrl-C.";

static const char kNotes[] =
    "Rows are written as each is answered. The table's columns are as wide as the\n"
    "widest cell they can get (the names and keys asked, the catalogue's findable\n"
    "games), up to a limit past which a cell pushes the rest of its row right.\n"
    "A keys file may be UTF-8, with or without a byte-order mark, or UTF-16 with its\n"
    "mark; lines end in LF, CR LF or CR; spaces and tabs around a key are dropped, and\n"
    "blank lines and lines beginning with # skipped.\n"
    "On Windows the tool itself expands * and ? in the last part of a -f path.\n"
    "A .zip file (named with -f or found in a folder) stands for the files inside it,\n"
    "those in its folders included: each is a row, shown as the archive's name then\n"
    "the file's path inside it, and keyed by the CRC-32 the archive records for it;\n"
    "nothing is decompressed, and a zip inside a zip is one such file. --no-archives\n"
    "keys a .zip file by its own CRC-32 instead.";

enum { MAX_CATALOGUE_BYTES = 256 << 20 }; /* far beyond any 20000-game catalogue */

struct Options {
    std::string catalogue, plugin, checked;
    std::vector<std::string> keys, files, keyFiles;
    bool json = false, csv = false, lower = false, about = false, recursive = false, noArchives = false;
    bool found = false, missing = false, summary = false;
    CLI::App *app, *check;
    CLI::Option *catalogueOption, *pluginOption, *keyOption, *fileOption, *keyFileOption;
};

static void Say(const std::string &message) {
    WriteAll(stderr, "plinorhost: " + Visible(message) + "\n");
}

static int Fail(ExitCode code, const std::string &message) {
    Say(message);
    return code;
}

/* A closed pipe ends the run quietly: whoever closed it wanted no more. */
static int Output(const std::string &text, int code) {
    std::string error;
    WriteResult result = WriteAll(stdout, text, &error);
    if (result == OUTPUT_CLOSED) return EXIT_OUTPUT;
    return result == WRITTEN ? code : Fail(EXIT_OUTPUT, "cannot write the output: " + error);
}

static void Describe(CLI::App *app, Options *o) {
    o->app = app;
    app->allow_windows_style_options(false); /* "/tmp/data.dat" is a name, not an option */
    app->description("Asks the plug-in for each game's title, maker, genre, year and memo, by its\n"
                     "checksum key or by its game file, in the order asked.");
    o->catalogueOption = app->add_option("-c,--catalogue", o->catalogue,
                                         "the data.dat catalogue to pass to the plug-in: a file, a pipe, or - for "
                                         "standard input")
                             ->type_name("FILE")->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    o->fileOption = app->add_option("-f,--file", o->files,
                                    "game files, keyed by their CRC-32, folders of them, or zip archives of "
                                    "them: every argument up to the next option or --")
                        ->type_name("PATH")->allow_extra_args(true);
    o->keyFileOption = app->add_option("-k,--keys", o->keyFiles,
                                       "keys from a text file, one a line: a file, a pipe, or - for standard input")
                           ->type_name("FILE")->expected(1)->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
                           ->allow_extra_args(false);
    o->pluginOption = app->add_option("-p,--plugin", o->plugin,
                                      "the plug-in file to load, exactly as named (default: the one beside "
                                      "this program)")
                          ->type_name("FILE")->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    app->add_flag("-r,--recursive", o->recursive, "search the subfolders of folders too");
    app->add_flag("--no-archives", o->noArchives,
                  "key a .zip file by its own CRC-32, as any other file, instead of listing the games inside it");
    app->add_flag("--lower", o->lower,
                  "form game files' keys in lower-case hexadecimal, and ask the plug-in with those");
    app->add_flag("--json", o->json, "print JSON instead of a table");
    app->add_flag("--csv", o->csv,
                  "print CSV instead of a table: RFC 4180, a header row naming the JSON's fields, UTF-8 "
                  "(with a byte-order mark on Windows)");
    app->add_flag("--found", o->found, "show only the games found");
    app->add_flag("--missing", o->missing, "show only the rows not found, skipped or failed");
    app->add_flag("--summary", o->summary,
                  "after the rows, count them on standard error (done anyway when it is a terminal)");
    app->add_flag("--about", o->about, "print the plug-in's version, author and description");
    o->keyOption = app->add_option("KEY", o->keys, "a game's CRC-32 in hexadecimal, as a host writes it");
    o->check = app->add_subcommand("check", "report what the plug-in will ignore in a catalogue, "
                                            "and why a game is not found");
    o->check->allow_windows_style_options(false);
    o->check->add_option("CATALOGUE", o->checked, "the data.dat to check")->required();
    o->check->add_flag("--json", o->json, "print JSON, with every finished game, instead of lines");
    o->check->footer("Each finding: FILE:LINE: warning: what the plug-in does [kind].\n"
                     "Exit status: 0 nothing to report; 1 usage; 2 unreadable; 5 output not written; "
                     "6 findings.");
    app->footer(std::string(kNotes) + "\n\nAlso: plinorhost check data.dat (see plinorhost check --help).\n\n" +
                kExitCodes);
}

/* What was given besides the catalogue to check, which check would drop. */
static std::string ExtrasForCheck(const Options &o) {
    std::vector<std::string> extras;
    if (!o.keys.empty()) extras.push_back((o.keys.size() > 1 ? "the keys " : "the key ") + o.keys[0]);
    if (!o.files.empty()) extras.push_back("-f");
    if (!o.keyFiles.empty()) extras.push_back("-k");
    if (o.catalogueOption->count() != 0) extras.push_back("-c");
    if (o.pluginOption->count() != 0) extras.push_back("-p");
    if (o.about) extras.push_back("--about");
    std::string text;
    for (size_t i = 0; i < extras.size(); i++)
        text += (i == 0 ? "" : i + 1 == extras.size() ? " and " : ", ") + extras[i];
    return text;
}

/* A usage error the options' parser cannot see, or "". */
static std::string Misuse(const Options &o) {
    if (o.check->parsed()) {
        std::string extras = ExtrasForCheck(o);
        return extras.empty() ? "" : "check reads only the catalogue it checks: " + extras +
                                         " would be ignored; give them in a run of their own";
    }
    if (o.json && o.csv) return "--json and --csv: choose one";
    if (o.csv && o.about) return "--about has no place in CSV: ask for it in a run of its own";
    if (o.found && o.missing) return "--found and --missing: choose one";
    if (o.catalogueOption->count() > 1)
        return "-c is given " + std::to_string(o.catalogueOption->count()) + " times: give one catalogue";
    size_t stdinReaders = (o.catalogue == "-") + std::count(o.keyFiles.begin(), o.keyFiles.end(), "-");
    if (stdinReaders > 1) return "standard input (-) can be read only once, by -c or by one -k";
    bool asks = !o.keys.empty() || !o.files.empty() || !o.keyFiles.empty();
    if (!asks && !o.about) return "nothing to ask: give keys, -f game files or --keys (see --help)";
    if (asks && o.catalogue.empty()) return "no catalogue given (-c data.dat)";
    for (const std::string &key : o.keys) {
        if (key.empty()) return "an empty key would find any game that has no checksum; give the key in hexadecimal";
        std::error_code ec;
        std::vector<std::string> matches;
        bool named = std::filesystem::exists(PathOf(key), ec) || (ExpandPattern(key, &matches) && !matches.empty());
        if (named && !IsHexadecimal(key))
            return "'" + key + "' is a file or folder, not a key: give game files with -f";
    }
    return "";
}

/* Parses the command line; returns -1 to go on, or the exit code. */
static int ParseArguments(CLI::App *app, Options *o, const std::vector<std::string> &args) {
    std::vector<const char *> argv;
    for (const std::string &a : args) argv.push_back(a.c_str());
    try {
        app->parse((int)argv.size(), const_cast<char **>(argv.data()));
    } catch (const CLI::CallForHelp &e) {
        std::ostringstream out, err;
        app->exit(e, out, err);
        return Output(out.str(), EXIT_OK);
    } catch (const CLI::ParseError &e) {
        return Fail(EXIT_USAGE, std::string(e.what()) + (o->check->parsed() ? " (plinorhost check --help tells more)"
                                                                           : " (plinorhost --help tells more)"));
    }
    std::string misuse = Misuse(*o);
    return misuse.empty() ? -1 : Fail(EXIT_USAGE, misuse);
}

/* Keys, files and keys files in the order given. */
static std::vector<Request> RequestsOf(const Options &o) {
    std::vector<Request> requests;
    size_t key = 0, file = 0, keyFile = 0;
    for (const CLI::Option *opt : o.app->parse_order()) {
        if (opt == o.keyOption) requests.push_back({REQUEST_KEY, o.keys[key++]});
        else if (opt == o.fileOption) requests.push_back({REQUEST_FILE, o.files[file++]});
        else if (opt == o.keyFileOption) requests.push_back({REQUEST_KEYS_FILE, o.keyFiles[keyFile++]});
    }
    return requests;
}

/* What would leave a host with nothing, with less than the catalogue
   holds, or with garbled text; with the line when there is one. */
static void WarnAboutCatalogue(const std::string &name, const CheckReport &report) {
    for (const Finding &f : report.findings) {
        if (f.kind != FINDING_NUL_BYTE && f.kind != FINDING_NO_GAME && f.kind != FINDING_TOO_MANY_GAMES &&
            f.kind != FINDING_UTF8_TEXT && f.kind != FINDING_BYTE_ORDER_MARK)
            continue;
        std::string where = f.line != 0 ? "line " + std::to_string(f.line) + "; " : "";
        Say("warning: " + name + ": " + f.message + " (" + where + "plinorhost check " + name +
            " tells more)");
    }
}

/* The catalogue a megabyte at a time, checked as it comes. */
static bool CheckFile(const std::string &name, CheckReport *report, std::string *error) {
    FILE *f = OpenInput(name, error);
    if (f == NULL) return false;
    CatalogueCheck *check = StartCheck(report);
    std::vector<char> chunk(1 << 20);
    size_t n, total = 0;
    while ((n = fread(chunk.data(), 1, chunk.size(), f)) > 0 && (total += n) <= MAX_CATALOGUE_BYTES)
        CheckBytes(check, chunk.data(), n);
    bool failed = ferror(f) != 0;
    if (failed) *error = strerror(errno);
    else if (total > MAX_CATALOGUE_BYTES) *error = "larger than " + std::to_string(MAX_CATALOGUE_BYTES >> 20) + " MB";
    if (f != stdin) fclose(f);
    EndCheck(check);
    return !failed && total <= MAX_CATALOGUE_BYTES;
}

static int RunCheck(const Options &o) {
    std::string error;
    CheckReport report;
    if (!CheckFile(o.checked, &report, &error))
        return Fail(EXIT_CATALOGUE, "cannot read catalogue '" + o.checked + "': " + error);
    std::string text = o.json ? CheckJson(o.checked, report) : CheckText(o.checked, report);
    return Output(text, report.findings.empty() ? EXIT_OK : EXIT_FINDINGS);
}

struct Tally {
    size_t found, missing, skipped, failed;
};

static bool Shown(const Options &o, const GameAnswer &g) {
    bool found = g.state == ROW_ANSWERED && g.found;
    return o.found ? found : o.missing ? !found : true;
}

static void Count(Tally *t, const GameAnswer &g) {
    (g.state == ROW_SKIPPED ? t->skipped : g.state == ROW_FAILED ? t->failed : g.found ? t->found : t->missing)++;
}

static void SaySummary(const Tally &t) {
    size_t asked = t.found + t.missing + t.skipped + t.failed;
    Say(std::string(Interrupted() ? "stopped by Ctrl-C: " : "") + std::to_string(asked) + " asked: " + std::to_string(t.found) + " found, " + std::to_string(t.missing) +
        " not found, " + std::to_string(t.skipped) + " skipped, " + std::to_string(t.failed) + " failed");
}

/* Hashes a game file's row; false when Ctrl-C stopped it. */
static bool Hash(GameAnswer *g, bool lower, Progress *progress) {
    GameFile file = FileRow(g->file, GAME_FILE_TO_HASH, "");
    progress->current = 0;
    HashGameFile(&file, ShowHashing, progress);
    progress->hashed += progress->current;
    progress->current = 0;
    if (Interrupted()) return false;
    if (file.state == GAME_FILE_HASHED) {
        g->key = FullKey(file.crc, lower);
    } else {
        g->state = file.state == GAME_FILE_SKIPPED ? ROW_SKIPPED : ROW_FAILED;
        g->note = file.note;
    }
    return true;
}

struct Run {
    Plugin plugin;
    std::string catalogue;
    Report report;
    KeyHints hints;
    std::vector<GameAnswer> rows;
    Listing listing;
};

/* Answers the rows one by one, each written as soon as it is answered. */
static int AnswerRows(const Options &o, Run *run, const Identity *about) {
    Report &report = run->report;
    const KeyHints &hints = run->hints;
    Progress progress = StartProgress(run->rows.size());
    bool rowsToTerminal = IsTerminal(stdout);
    Tally tally = {0, 0, 0, 0};
    int code = Output(ReportHead(report, about, !run->rows.empty()), EXIT_OK);
    for (size_t i = 0; i < run->rows.size() && code == EXIT_OK; i++) {
        GameAnswer &g = run->rows[i];
        bool toHash = g.askedBy == ASKED_BY_FILE && g.state == ROW_ANSWERED && !g.member.present;
        if (Interrupted() || (toHash && !Hash(&g, o.lower, &progress))) break;
        if (g.state == ROW_ANSWERED) Ask(run->plugin, run->catalogue, hints, &g);
        Count(&tally, g);
        progress.answered++;
        if (Shown(o, g)) {
            if (rowsToTerminal) ClearProgress(&progress);
            code = Output(ReportRow(&report, g), EXIT_OK);
        }
        g = GameAnswer(); /* written: its memory is free for the rows to come */
        ShowProgress(&progress);
    }
    ClearProgress(&progress);
    if (code == EXIT_OK) code = Output(ReportTail(report), EXIT_OK); /* after Ctrl-C too: the JSON stays whole */
    if (code != EXIT_OK) return code;
    if (!run->rows.empty() && (o.summary || IsTerminal(stderr))) SaySummary(tally);
    if (Interrupted()) return EXIT_INTERRUPTED;
    if (run->listing.keysMissing) return EXIT_USAGE;
    return tally.failed != 0 || run->listing.filesMissing ? EXIT_GAME_FILE : EXIT_OK;
}

static int Prepare(const Options &o, Run *run) {
    std::string pluginPath = o.plugin.empty() ? DefaultPluginPath() : o.plugin, error;
    if (!LoadPlugin(pluginPath, &run->plugin, &error))
        return Fail(EXIT_PLUGIN, "cannot use plug-in '" + pluginPath + "': " + error);
    CheckReport checked; /* only for what the rows need of it: freed before they are listed */
    if (!o.catalogue.empty()) {
        if (!ReadWholeFile(o.catalogue, MAX_CATALOGUE_BYTES, &run->catalogue, &error))
            return Interrupted() ? EXIT_INTERRUPTED
                                 : Fail(EXIT_CATALOGUE, "cannot read catalogue '" + o.catalogue + "': " + error);
        CheckCatalogue(run->catalogue, &checked);
        WarnAboutCatalogue(o.catalogue, checked);
    }
    run->report = StartReport(o.json ? REPORT_JSON : o.csv ? REPORT_CSV : REPORT_TABLE, checked);
    run->hints = HintsOf(checked);
    checked = CheckReport();
    ListOptions listing = {o.recursive, !o.noArchives, o.lower, MAX_CATALOGUE_BYTES};
    run->listing = ListRows(RequestsOf(o), listing, &run->rows, Say);
    FitRows(&run->report, run->rows);
    if (Interrupted()) return EXIT_INTERRUPTED;
    return run->listing.error.empty() ? -1 : Fail(EXIT_USAGE, run->listing.error);
}

static int RunQueries(const Options &o) {
    CatchInterrupt();
    Run run;
    run.plugin.handle = NULL;
    int code = Prepare(o, &run);
    if (code < 0) {
        Identity identity = {0, "", ""};
        if (o.about) {
            identity.version = run.plugin.version();
            identity.author = Utf8FromShiftJis(AskIdentity(run.plugin.author));
            identity.description = Utf8FromShiftJis(AskIdentity(run.plugin.info));
        }
        code = AnswerRows(o, &run, o.about ? &identity : NULL);
    }
    UnloadPlugin(&run.plugin);
    return code;
}

int main(int argc, char **argv) {
    PrepareOutput();
    CLI::App app;
    app.name("plinorhost");
    Options o;
    Describe(&app, &o);
    int code = ParseArguments(&app, &o, Arguments(argc, argv));
    if (code >= 0) return code;
    return o.check->parsed() ? RunCheck(o) : RunQueries(o);
}
