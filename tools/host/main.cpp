/* plinorhost: asks the plug-in about games from a terminal, as a host does */
#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#endif

#include "game_files.h"
#include "plugin_loader.h"
#include "report.h"
#include "text.h"

enum ExitCode { EXIT_OK = 0, EXIT_USAGE = 1, EXIT_CATALOGUE = 2, EXIT_GAME_FILE = 3, EXIT_PLUGIN = 4 };

static const char kUsage[] =
    "usage: plinorhost [options] -c data.dat KEY...\n"
    "       plinorhost [options] -c data.dat -f GAME-FILE-OR-DIRECTORY...\n"
    "       plinorhost --about\n"
    "\n"
    "Asks the plug-in for each game's title, maker, genre, year and memo.\n"
    "\n"
    "  -c, --catalogue FILE  the data.dat catalogue to pass to the plug-in\n"
    "  -f, --file PATH       a game file, or a directory of them, keyed by its CRC-32\n"
    "  -p, --plugin FILE     the plug-in to load (default: the one beside this program)\n"
    "      --lower           write keys from game files in lower-case hexadecimal\n"
    "      --json            print JSON instead of a table\n"
    "      --about           print the plug-in's version, author and description\n"
    "  -h, --help            print this help\n"
    "\n"
    "Exit status: 0 done, 1 usage, 2 catalogue unreadable, 3 game file unreadable,\n"
    "4 plug-in not loadable.\n";

struct Options {
    std::string catalogue, plugin;
    std::vector<std::string> keys, paths;
    bool json = false, lower = false, about = false;
};

static int Fail(ExitCode code, const std::string &message) {
    fprintf(stderr, "plinorhost: %s\n", message.c_str());
    return code;
}

/* Parses the command line; returns -1 to go on, or the exit code. */
static int ParseArguments(int argc, char **argv, Options *o) {
    for (int i = 1; i < argc; i++) {
        std::string arg = argv[i];
        bool takesValue = arg == "-c" || arg == "--catalogue" || arg == "-f" || arg == "--file" ||
                          arg == "-p" || arg == "--plugin";
        if (takesValue && i + 1 >= argc) return Fail(EXIT_USAGE, arg + " needs a value\n\n" + kUsage);
        if (arg == "-h" || arg == "--help") {
            fputs(kUsage, stdout);
            return EXIT_OK;
        } else if (arg == "-c" || arg == "--catalogue") o->catalogue = argv[++i];
        else if (arg == "-f" || arg == "--file") o->paths.push_back(argv[++i]);
        else if (arg == "-p" || arg == "--plugin") o->plugin = argv[++i];
        else if (arg == "--lower") o->lower = true;
        else if (arg == "--json") o->json = true;
        else if (arg == "--about") o->about = true;
        else if (arg.size() > 1 && arg[0] == '-') return Fail(EXIT_USAGE, "unknown option " + arg + "\n\n" + kUsage);
        else o->keys.push_back(arg);
    }
    bool asksGames = !o->keys.empty() || !o->paths.empty();
    if (!asksGames && !o->about) return Fail(EXIT_USAGE, std::string("nothing to ask\n\n") + kUsage);
    if (asksGames && o->catalogue.empty()) return Fail(EXIT_USAGE, "no catalogue given (-c data.dat)");
    return -1;
}

/* Keys from the command line first, then one per game file. */
static int CollectGames(const Options &o, std::vector<GameAnswer> *games) {
    for (const std::string &key : o.keys) games->push_back({"", key, false, "", "", "", "", 0});
    std::vector<std::string> files;
    std::string error;
    for (const std::string &path : o.paths)
        if (!ExpandGameFiles(path, &files, &error))
            return Fail(EXIT_GAME_FILE, "cannot read game file '" + path + "': " + error);
    for (const std::string &file : files) {
        uint32_t crc;
        if (!FileCrc32(file, &crc, &error))
            return Fail(EXIT_GAME_FILE, "cannot read game file '" + file + "': " + error);
        games->push_back({file, KeyFromCrc(crc, o.lower), false, "", "", "", "", 0});
    }
    return -1;
}

static void Describe(const Plugin &plugin, const std::string &catalogue, GameAnswer *g) {
    std::string text;
    g->found = AskText(plugin.title, catalogue, g->key, &text);
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

static void Print(const std::string &text) {
#ifdef _WIN32
    SetConsoleOutputCP(CP_UTF8);
    _setmode(_fileno(stdout), _O_BINARY); /* the same bytes as on Linux */
#endif
    fwrite(text.data(), 1, text.size(), stdout);
    fflush(stdout);
}

int main(int argc, char **argv) {
    Options o;
    int code = ParseArguments(argc, argv, &o);
    if (code >= 0) return code;

    std::string catalogue, error;
    if (!o.catalogue.empty() && !ReadFile(o.catalogue, &catalogue, &error))
        return Fail(EXIT_CATALOGUE, "cannot read catalogue '" + o.catalogue + "': " + error);
    std::vector<GameAnswer> games;
    if ((code = CollectGames(o, &games)) >= 0) return code;

    Plugin plugin;
    std::string pluginPath = o.plugin.empty() ? DefaultPluginPath() : o.plugin;
    if (!LoadPlugin(pluginPath, &plugin, &error))
        return Fail(EXIT_PLUGIN, "cannot use plug-in '" + pluginPath + "': " + error);
    for (GameAnswer &g : games) Describe(plugin, catalogue, &g);
    Identity identity = {0, "", ""};
    if (o.about) {
        identity.version = plugin.version();
        identity.author = Utf8FromShiftJis(AskIdentity(plugin.author));
        identity.description = Utf8FromShiftJis(AskIdentity(plugin.info));
    }
    UnloadPlugin(&plugin);

    const Identity *about = o.about ? &identity : NULL;
    Print(o.json ? JsonReport(games, about) : TableReport(games, about));
    return EXIT_OK;
}
