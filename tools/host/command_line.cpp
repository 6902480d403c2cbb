/* The command line (read once into settings; CLI11 stays inside this unit) */
#include "command_line.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <sstream>

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

/* What CLI11 fills, before it becomes settings. */
struct Parsed {
    std::string catalogue, plugin, checked;
    std::vector<std::string> keys, files, keyFiles;
    bool json = false, csv = false, lower = false, about = false, recursive = false, noArchives = false;
    bool found = false, missing = false, summary = false, version = false;
    CLI::App *check = NULL;
    CLI::Option *catalogueOption = NULL, *pluginOption = NULL, *keyOption = NULL, *fileOption = NULL,
                *keyFileOption = NULL;
};

static void Describe(CLI::App *app, Parsed *p) {
    app->name("plinorhost");
    app->allow_windows_style_options(false); /* "/tmp/data.dat" is a name, not an option */
    app->description("Asks the plug-in for each game's title, maker, genre, year and memo, by its\n"
                     "checksum key or by its game file, in the order asked.");
    p->catalogueOption = app->add_option("-c,--catalogue", p->catalogue,
                                         "the data.dat catalogue to pass to the plug-in: a file, a pipe, or - for "
                                         "standard input")
                             ->type_name("FILE")->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    p->fileOption = app->add_option("-f,--file", p->files,
                                    "game files, keyed by their CRC-32, folders of them, or zip archives of "
                                    "them: every argument up to the next option or --")
                        ->type_name("PATH")->allow_extra_args(true);
    p->keyFileOption = app->add_option("-k,--keys", p->keyFiles,
                                       "keys from a text file, one a line: a file, a pipe, or - for standard input")
                           ->type_name("FILE")->expected(1)->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
                           ->allow_extra_args(false);
    p->pluginOption = app->add_option("-p,--plugin", p->plugin,
                                      "the plug-in file to load, exactly as named (default: the one beside "
                                      "this program)")
                          ->type_name("FILE")->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    app->add_flag("-r,--recursive", p->recursive, "search the subfolders of folders too");
    app->add_flag("--no-archives", p->noArchives,
                  "key a .zip file by its own CRC-32, as any other file, instead of listing the games inside it");
    app->add_flag("--lower", p->lower,
                  "form game files' keys in lower-case hexadecimal, and ask the plug-in with those");
    app->add_flag("--json", p->json, "print JSON instead of a table");
    app->add_flag("--csv", p->csv,
                  "print CSV instead of a table: RFC 4180, a header row naming the JSON's fields, UTF-8 "
                  "(with a byte-order mark on Windows)");
    app->add_flag("--found", p->found, "show only the games found");
    app->add_flag("--missing", p->missing, "show only the rows not found, skipped or failed");
    app->add_flag("--summary", p->summary,
                  "after the rows, count them on standard error (done anyway when it is a terminal)");
    app->add_flag("--about", p->about, "print the plug-in's version, author and description");
    app->add_flag("--version", p->version, "print this tool's version, and the plug-in's");
    p->keyOption = app->add_option("KEY|PATH", p->keys,
                                   "a game's CRC-32 in hexadecimal, as a host writes it; or, as when dropped on "
                                   "this program, a game file or folder (searched with its subfolders), or the "
                                   ".dat catalogue");
    p->check = app->add_subcommand("check", "report what the plug-in will ignore in a catalogue, "
                                            "and why a game is not found");
    p->check->allow_windows_style_options(false);
    p->check->add_option("CATALOGUE", p->checked, "the data.dat to check")->required();
    p->check->add_flag("--json", p->json, "print JSON, with every finished game, instead of lines");
    p->check->footer("Each finding: FILE:LINE: warning: what the plug-in does [kind].\n"
                     "Exit status: 0 nothing to report; 1 usage; 2 unreadable; 5 output not written; "
                     "6 findings.");
    app->footer(std::string(kNotes) + "\n\nAlso: plinorhost check data.dat (see plinorhost check --help).\n\n" +
                kExitCodes);
}

/* What was given besides the catalogue to check, which check would drop. */
static std::string ExtrasForCheck(const Parsed &p) {
    std::vector<std::string> extras;
    if (!p.keys.empty()) extras.push_back((p.keys.size() > 1 ? "the keys " : "the key ") + p.keys[0]);
    if (!p.files.empty()) extras.push_back("-f");
    if (!p.keyFiles.empty()) extras.push_back("-k");
    if (p.catalogueOption->count() != 0) extras.push_back("-c");
    if (p.pluginOption->count() != 0) extras.push_back("-p");
    if (p.about) extras.push_back("--about");
    std::string text;
    for (size_t i = 0; i < extras.size(); i++)
        text += (i == 0 ? "" : i + 1 == extras.size() ? " and " : ", ") + extras[i];
    return text;
}

/* A usage error the options' parser cannot see, or "". */
static std::string Misuse(const Parsed &p) {
    if (p.check->parsed()) {
        std::string extras = ExtrasForCheck(p);
        return extras.empty() ? "" : "check reads only the catalogue it checks: " + extras +
                                         " would be ignored; give them in a run of their own";
    }
    if (p.json && p.csv) return "--json and --csv: choose one";
    if (p.csv && p.about) return "--about has no place in CSV: ask for it in a run of its own";
    if (p.found && p.missing) return "--found and --missing: choose one";
    if (p.catalogueOption->count() > 1)
        return "-c is given " + std::to_string(p.catalogueOption->count()) + " times: give one catalogue";
    size_t stdinReaders = (p.catalogue == "-") + std::count(p.keyFiles.begin(), p.keyFiles.end(), "-");
    if (stdinReaders > 1) return "standard input (-) can be read only once, by -c or by one -k";
    bool asks = !p.keys.empty() || !p.files.empty() || !p.keyFiles.empty();
    if (!asks && !p.about && !p.version) return "nothing to ask: give keys, -f game files or --keys (see --help)";
    for (const std::string &key : p.keys)
        if (key.empty()) return "an empty key would find any game that has no checksum; give the key in hexadecimal";
    return "";
}

/* Keys, files and keys files in the order given. */
static std::vector<Request> RequestsOf(CLI::App *app, const Parsed &p) {
    std::vector<Request> requests;
    size_t key = 0, file = 0, keyFile = 0;
    for (const CLI::Option *option : app->parse_order()) {
        if (option == p.keyOption) requests.push_back({REQUEST_GIVEN, p.keys[key++], true});
        else if (option == p.fileOption) requests.push_back({REQUEST_FILE, p.files[file++], p.recursive});
        else if (option == p.keyFileOption) requests.push_back({REQUEST_KEYS_FILE, p.keyFiles[keyFile++], false});
    }
    return requests;
}

static Settings SettingsOf(CLI::App *app, const Parsed &p) {
    Settings s;
    s.check = p.check->parsed();
    s.checked = p.checked;
    s.catalogue = p.catalogue;
    s.plugin = p.plugin;
    s.requests = RequestsOf(app, p);
    s.recursive = p.recursive;
    s.archives = !p.noArchives;
    s.lower = p.lower;
    s.about = p.about;
    s.summary = p.summary;
    s.version = p.version;
    s.format = p.json ? FORMAT_JSON : p.csv ? FORMAT_CSV : FORMAT_TABLE;
    s.shown = p.found ? SHOW_FOUND : p.missing ? SHOW_MISSING : SHOW_ALL;
    return s;
}

CommandLine ParseCommandLine(const std::vector<std::string> &args) {
    CommandLine line;
    CLI::App app;
    Parsed p;
    Describe(&app, &p);
    std::vector<const char *> argv;
    for (const std::string &a : args) argv.push_back(a.c_str());
    try {
        app.parse((int)argv.size(), const_cast<char **>(argv.data()));
    } catch (const CLI::CallForHelp &e) {
        std::ostringstream out, err;
        app.exit(e, out, err);
        line.help = out.str();
        line.stop = 0;
        return line;
    } catch (const CLI::ParseError &e) {
        line.error = std::string(e.what()) + (p.check->parsed() ? " (plinorhost check --help tells more)"
                                                                : " (plinorhost --help tells more)");
        line.stop = 1;
        return line;
    }
    line.error = Misuse(p);
    if (!line.error.empty()) line.stop = 1;
    else line.settings = SettingsOf(&app, p);
    return line;
}
