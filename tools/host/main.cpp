/* plinorhost: asks the plug-in about games from a terminal, as a host does */
#include <stdio.h>
#include <string.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <chrono>
#include <sstream>
#include <string>
#include <vector>

#include "check_report.h"
#include "checker.h"
#include "game_files.h"
#include "platform.h"
#include "plugin_loader.h"
#include "report.h"
#include "text.h"

enum ExitCode {
    EXIT_OK = 0,
    EXIT_USAGE = 1,
    EXIT_CATALOGUE = 2,
    EXIT_GAME_FILE = 3,
    EXIT_PLUGIN = 4,
    EXIT_OUTPUT = 5,
    EXIT_FINDINGS = 6
};

static const char kExitCodes[] =
    "Exit status: 0 done; 1 usage; 2 catalogue unreadable; 3 a game file unreadable, or a\n"
    "folder without game files (the other rows are still shown); 4 plug-in not loadable;\n"
    "5 output not written; 6 the check found something to report.";

enum { MAX_CATALOGUE_BYTES = 256 << 20 }; /* far beyond any 20000-game catalogue */

struct Options {
    std::string catalogue, plugin, checked;
    std::vector<std::string> keys, files, keyFiles;
    bool json = false, lower = false, about = false, recursive = false;
    CLI::App *app, *check;
    CLI::Option *keyOption, *fileOption, *keyFileOption;
};

static void Say(const std::string &message) {
    WriteAll(stderr, "plinorhost: " + Visible(message) + "\n");
}

static int Fail(ExitCode code, const std::string &message) {
    Say(message);
    return code;
}

static int Output(const std::string &text, int code) {
    return WriteAll(stdout, text) ? code : Fail(EXIT_OUTPUT, std::string("cannot write the output: ") + strerror(errno));
}

static void Describe(CLI::App *app, Options *o) {
    o->app = app;
    app->allow_windows_style_options(false); /* "/tmp/data.dat" is a name, not an option */
    app->description("Asks the plug-in for each game's title, maker, genre, year and memo, by its\n"
                     "checksum key or by its game file, in the order asked.");
    app->add_option("-c,--catalogue", o->catalogue, "the data.dat catalogue to pass to the plug-in")
        ->type_name("FILE")->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    o->fileOption = app->add_option("-f,--file", o->files,
                                    "a game file, keyed by its CRC-32, or a folder of them")
                        ->type_name("PATH")->allow_extra_args(false);
    o->keyFileOption = app->add_option("-k,--keys", o->keyFiles,
                                       "keys from a file, one per line (- for standard input)")
                           ->type_name("FILE")->allow_extra_args(false);
    app->add_option("-p,--plugin", o->plugin, "the plug-in to load (default: the one beside this program)")
        ->type_name("FILE")->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    app->add_flag("-r,--recursive", o->recursive, "search the subfolders of folders too");
    app->add_flag("--lower", o->lower, "write keys from game files in lower-case hexadecimal");
    app->add_flag("--json", o->json, "print JSON instead of a table");
    app->add_flag("--about", o->about, "print the plug-in's version, author and description");
    o->keyOption = app->add_option("KEY", o->keys, "a game's CRC-32 in hexadecimal, as a host writes it");
    o->check = app->add_subcommand("check", "report what the plug-in will ignore in a catalogue, "
                                            "and why a game is not found");
    o->check->allow_windows_style_options(false);
    o->check->add_option("CATALOGUE", o->checked, "the data.dat to check")->required();
    o->check->add_flag("--json", o->json, "print JSON, with every finished game, instead of lines");
    o->check->footer("Each finding: FILE:LINE: warning: what the plug-in does [kind]. Exit status: 0\n"
                     "nothing to report; 2 unreadable; 5 output not written; 6 findings.");
    app->footer(std::string("Also: plinorhost check data.dat (see plinorhost check --help).\n\n") + kExitCodes);
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
        return Fail(EXIT_USAGE, std::string(e.what()) + " (plinorhost --help tells more)");
    }
    if (o->check->parsed()) return -1;
    bool asks = !o->keys.empty() || !o->files.empty() || !o->keyFiles.empty();
    if (!asks && !o->about) return Fail(EXIT_USAGE, "nothing to ask: give keys, -f game files or --keys (see --help)");
    if (asks && o->catalogue.empty()) return Fail(EXIT_USAGE, "no catalogue given (-c data.dat)");
    for (const std::string &key : o->keys)
        if (key.empty())
            return Fail(EXIT_USAGE, "an empty key would find any game that has no checksum; give the key in hexadecimal");
    return -1;
}

static bool IsHexadecimal(const std::string &key) {
    return !key.empty() && key.find_first_not_of("0123456789ABCDEFabcdef") == std::string::npos;
}

static void WarnUnlessHexadecimal(const std::string &key) {
    if (!IsHexadecimal(key)) Say("warning: key '" + key + "' is not hexadecimal");
}

static GameAnswer KeyRow(const std::string &key) {
    WarnUnlessHexadecimal(key);
    return {ASKED_BY_KEY, "", key, ROW_ANSWERED, "", false, "", "", "", "", 0};
}

/* Keys one per line, taken as written but for the line end; blank lines are skipped. */
static bool ReadKeys(const std::string &name, std::vector<GameAnswer> *rows, std::string *error) {
    std::string text;
    bool read = name == "-" ? ReadStream(stdin, MAX_CATALOGUE_BYTES, &text, error)
                            : ReadWholeFile(name, MAX_CATALOGUE_BYTES, &text, error);
    if (!read) return false;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) rows->push_back(KeyRow(line));
    }
    return true;
}

/* The rows in the order asked: keys, files and key files as they came. */
static int CollectRows(const Options &o, std::vector<GameAnswer> *rows, bool *missingFiles) {
    size_t key = 0, file = 0, keyFile = 0;
    for (const CLI::Option *opt : o.app->parse_order()) {
        std::string error;
        if (opt == o.keyOption) {
            rows->push_back(KeyRow(o.keys[key++]));
        } else if (opt == o.keyFileOption) {
            const std::string &name = o.keyFiles[keyFile++];
            if (!ReadKeys(name, rows, &error)) return Fail(EXIT_USAGE, "cannot read keys from '" + name + "': " + error);
        } else if (opt == o.fileOption) {
            std::vector<GameFile> files;
            std::vector<std::string> warnings;
            ListGameFiles(o.files[file++], o.recursive, &files, &warnings);
            for (const std::string &w : warnings) Say("warning: " + w);
            *missingFiles = *missingFiles || !warnings.empty();
            for (const GameFile &f : files) {
                RowState state = f.state == GAME_FILE_SKIPPED ? ROW_SKIPPED
                               : f.state == GAME_FILE_FAILED  ? ROW_FAILED : ROW_ANSWERED;
                rows->push_back({ASKED_BY_FILE, f.name, "", state, f.note, false, "", "", "", "", 0});
            }
        }
    }
    return -1;
}

/* A progress line on standard error while files are hashed, if it is a terminal. */
struct Progress {
    bool shown;
    size_t done, total;
    uint64_t bytes, current;
    std::chrono::steady_clock::time_point last;
};

static void ShowProgress(uint64_t fileBytes, void *context) {
    Progress *p = (Progress *)context;
    p->current = fileBytes;
    std::chrono::steady_clock::time_point now = std::chrono::steady_clock::now();
    if (now - p->last < std::chrono::milliseconds(200)) return;
    p->last = now;
    char line[128];
    snprintf(line, sizeof line, "\rhashing: %zu of %zu files, %.1f MB ", p->done, p->total,
             (double)(p->bytes + p->current) / 1e6);
    p->shown = WriteAll(stderr, line);
}

static void HashFiles(std::vector<GameAnswer> *rows, bool lower) {
    Progress progress = {false, 0, 0, 0, 0, std::chrono::steady_clock::now()};
    bool terminal = IsTerminal(stderr);
    for (const GameAnswer &g : *rows) progress.total += g.askedBy == ASKED_BY_FILE && g.state == ROW_ANSWERED;
    for (GameAnswer &g : *rows) {
        if (g.askedBy != ASKED_BY_FILE || g.state != ROW_ANSWERED) continue;
        GameFile file = {g.file, GAME_FILE_TO_HASH, "", 0};
        progress.current = 0;
        HashGameFile(&file, terminal ? ShowProgress : NULL, &progress);
        progress.done++;
        progress.bytes += progress.current;
        if (file.state != GAME_FILE_HASHED) {
            g.state = file.state == GAME_FILE_SKIPPED ? ROW_SKIPPED : ROW_FAILED;
            g.note = file.note;
            continue;
        }
        g.key = FullKey(file.crc, lower);
    }
    if (progress.shown) WriteAll(stderr, "\r" + std::string(60, ' ') + "\r");
}

/* A file's key without its leading zeros, as hosts often write it. */
static std::string ShortKey(const std::string &fullKey) {
    return fullKey.substr(std::min(fullKey.find_first_not_of('0'), fullKey.size() - 1));
}

static void Ask(const Plugin &plugin, const std::string &catalogue, GameAnswer *g) {
    std::string text;
    g->found = AskText(plugin.title, catalogue, g->key, &text);
    if (!g->found && g->askedBy == ASKED_BY_FILE && ShortKey(g->key) != g->key) {
        g->found = AskText(plugin.title, catalogue, ShortKey(g->key), &text);
        if (g->found) g->key = ShortKey(g->key);
    }
    if (!g->found) return;
    g->title = Utf8FromShiftJis(text);
    const struct {
        PlinorTextQuery query;
        std::string *field;
    } others[] = {{plugin.maker, &g->maker}, {plugin.genre, &g->genre}, {plugin.memo, &g->memo}};
    for (const auto &o : others) {
        AskText(o.query, catalogue, g->key, &text);
        *o.field = Utf8FromShiftJis(text);
    }
    g->year = plugin.year(catalogue.c_str(), g->key.c_str(), 0);
}

/* What would leave a host with nothing, or with less than the catalogue holds. */
static void WarnAboutCatalogue(const std::string &name, const std::string &catalogue) {
    CheckReport report;
    CheckCatalogue(catalogue, &report);
    for (const Finding &f : report.findings)
        if (f.kind == FINDING_NUL_BYTE || f.kind == FINDING_NO_GAME || f.kind == FINDING_TOO_MANY_GAMES)
            Say("warning: " + name + ": " + Utf8FromShiftJis(f.message) + " (plinorhost check " + name + " tells more)");
}

static int RunCheck(const Options &o) {
    std::string bytes, error;
    if (!ReadWholeFile(o.checked, MAX_CATALOGUE_BYTES, &bytes, &error))
        return Fail(EXIT_CATALOGUE, "cannot read catalogue '" + o.checked + "': " + error);
    CheckReport report;
    CheckCatalogue(bytes, &report);
    std::string text = o.json ? CheckJson(o.checked, report) : CheckText(o.checked, report);
    return Output(text, report.findings.empty() ? EXIT_OK : EXIT_FINDINGS);
}

static int RunQueries(const Options &o) {
    Plugin plugin;
    std::string pluginPath = o.plugin.empty() ? DefaultPluginPath() : o.plugin, error, catalogue;
    if (!LoadPlugin(pluginPath, &plugin, &error))
        return Fail(EXIT_PLUGIN, "cannot use plug-in '" + pluginPath + "': " + error);
    if (!o.catalogue.empty()) {
        if (!ReadWholeFile(o.catalogue, MAX_CATALOGUE_BYTES, &catalogue, &error)) {
            UnloadPlugin(&plugin);
            return Fail(EXIT_CATALOGUE, "cannot read catalogue '" + o.catalogue + "': " + error);
        }
        WarnAboutCatalogue(o.catalogue, catalogue);
    }
    std::vector<GameAnswer> rows;
    bool missingFiles = false;
    int code = CollectRows(o, &rows, &missingFiles);
    if (code >= 0) {
        UnloadPlugin(&plugin);
        return code;
    }
    HashFiles(&rows, o.lower);
    bool failed = missingFiles;
    for (GameAnswer &g : rows) {
        if (g.state == ROW_ANSWERED) Ask(plugin, catalogue, &g);
        failed = failed || g.state == ROW_FAILED;
    }
    Identity identity = {0, "", ""};
    if (o.about) {
        identity.version = plugin.version();
        identity.author = Utf8FromShiftJis(AskIdentity(plugin.author));
        identity.description = Utf8FromShiftJis(AskIdentity(plugin.info));
    }
    UnloadPlugin(&plugin);
    const Identity *about = o.about ? &identity : NULL;
    return Output(o.json ? JsonReport(rows, about) : TableReport(rows, about), failed ? EXIT_GAME_FILE : EXIT_OK);
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
