/* The command line (read once into settings; CLI11 stays inside this unit) */
#include "command_line.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <sstream>

#include "exit_status.h"
#include "text.h"

/* What CLI11 fills, before it becomes settings. */
struct Parsed {
    Language language;
    std::string catalogue, plugin, checked, lang, output, extensions;
    std::vector<std::string> keys, files, keyFiles, checkedKeys;
    std::string csv; /* --csv's form: "true" when given bare */
    bool json = false, lower = false, about = false, recursive = false, noArchives = false;
    bool found = false, missing = false, summary = false, version = false, noHeader = false;
    CLI::App *check = NULL;
    CLI::Option *catalogueOption = NULL, *pluginOption = NULL, *keyOption = NULL, *fileOption = NULL,
                *keyFileOption = NULL, *csvOption = NULL;
};

static std::string T(const Parsed &p, MessageId id) {
    return MessageText(id, p.language);
}

/* The help's columns lined up by display width, so that Japanese names,
   two columns a character, keep the descriptions in line. */
class AlignedFormatter : public CLI::Formatter {
public:
    std::string make_option(const CLI::Option *opt, bool is_positional) const override {
        std::string name = "  " + make_option_name(opt, is_positional) + make_option_opts(opt);
        std::string description = make_option_desc(opt), padding(column_width_, ' ');
        size_t width = DisplayWidth(name);
        std::string line = name + (width < column_width_ ? std::string(column_width_ - width, ' ') : "\n" + padding);
        for (char c : description) line += c == '\n' ? "\n" + padding : std::string(1, c);
        return line + "\n";
    }
    /* A flag's optional value right after its name, as --csv[=plain]. */
    std::string make_option_opts(const CLI::Option *opt) const override {
        if (opt->get_expected_max() == 0 && !opt->get_type_name().empty()) return opt->get_type_name();
        return CLI::Formatter::make_option_opts(opt);
    }
    std::string make_subcommand(const CLI::App *sub) const override {
        std::string name = "  " + sub->get_display_name(), padding(column_width_, ' ');
        size_t width = DisplayWidth(name);
        return name + (width < column_width_ ? std::string(column_width_ - width, ' ') : "\n" + padding) +
               sub->get_description() + "\n";
    }
};

/* CLI11's own words in the help, in the reader's language. */
static void Label(CLI::App *app, const Parsed &p) {
    auto formatter = std::make_shared<AlignedFormatter>();
    app->formatter(formatter);
    const struct {
        const char *key;
        MessageId id;
    } labels[] = {{"Usage", M_HELP_USAGE}, {"OPTIONS", M_HELP_OPTIONS_WORD}, {"SUBCOMMAND", M_HELP_SUBCOMMAND_WORD},
                  {"Positionals", M_HELP_POSITIONALS}, {"REQUIRED", M_HELP_REQUIRED}};
    for (const auto &l : labels) formatter->label(l.key, T(p, l.id));
    app->set_help_flag("-h,--help", T(p, M_HELP_HELP))->group(T(p, M_HELP_OPTIONS));
}

static void Describe(CLI::App *app, Parsed *p) {
    app->name("plinorhost");
    app->allow_windows_style_options(false); /* "/tmp/data.dat" is a name, not an option */
    Label(app, *p);
    app->description(T(*p, M_HELP_DESCRIPTION));
    std::string options = T(*p, M_HELP_OPTIONS), file = T(*p, M_HELP_FILE);
    p->catalogueOption = app->add_option("-c,--catalogue", p->catalogue, T(*p, M_HELP_C))
                             ->type_name(file)->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    p->fileOption = app->add_option("-f,--file", p->files, T(*p, M_HELP_F))
                        ->type_name(T(*p, M_HELP_PATH))->allow_extra_args(true);
    p->keyFileOption = app->add_option("-k,--keys", p->keyFiles, T(*p, M_HELP_K))
                           ->type_name(file)->expected(1)->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
                           ->allow_extra_args(false);
    p->pluginOption = app->add_option("-p,--plugin", p->plugin, T(*p, M_HELP_P))
                          ->type_name(file)->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    app->add_option("-o,--output", p->output, T(*p, M_HELP_O))->type_name(file);
    app->add_flag("-r,--recursive", p->recursive, T(*p, M_HELP_R));
    app->add_option("--ext", p->extensions, T(*p, M_HELP_EXT))->type_name(T(*p, M_HELP_EXTENSIONS));
    app->add_flag("--no-archives", p->noArchives, T(*p, M_HELP_NO_ARCHIVES));
    app->add_flag("--lower", p->lower, T(*p, M_HELP_LOWER));
    app->add_flag("--json", p->json, T(*p, M_HELP_JSON));
    /* A flag, so that it never takes the next argument: --csv 0058DE32 asks for a key. */
    p->csvOption = app->add_flag("--csv", p->csv, T(*p, M_HELP_CSV))->type_name("[=plain]");
    app->add_flag("--found", p->found, T(*p, M_HELP_FOUND));
    app->add_flag("--missing", p->missing, T(*p, M_HELP_MISSING));
    app->add_flag("--summary", p->summary, T(*p, M_HELP_SUMMARY));
    app->add_flag("--no-header", p->noHeader, T(*p, M_HELP_NO_HEADER));
    app->add_flag("--about", p->about, T(*p, M_HELP_ABOUT));
    app->add_flag("--version", p->version, T(*p, M_HELP_VERSION));
    app->add_option("--lang", p->lang, T(*p, M_HELP_LANG))->type_name(T(*p, M_HELP_LANGUAGE));
    for (CLI::Option *option : app->get_options()) option->group(options);
    p->keyOption = app->add_option(T(*p, M_HELP_KEY_OR_PATH), p->keys, T(*p, M_HELP_KEY_OR_PATH_TEXT))->type_name("");
    p->check = app->add_subcommand("check", T(*p, M_HELP_CHECK))->group(T(*p, M_HELP_SUBCOMMANDS));
    p->check->allow_windows_style_options(false);
    Label(p->check, *p);
    p->check->add_option(T(*p, M_HELP_CATALOGUE), p->checked, T(*p, M_HELP_CHECK_CATALOGUE))->required()->type_name("");
    p->check->add_option(T(*p, M_COLUMN_KEY), p->checkedKeys, T(*p, M_HELP_CHECK_KEYS))->type_name("");
    p->check->add_flag("--json", p->json, T(*p, M_HELP_CHECK_JSON))->group(options);
    p->check->footer(T(*p, M_HELP_CHECK_FOOTER));
    app->footer(T(*p, M_HELP_NOTES));
}

/* What was given besides the catalogue to check, which check would drop. */
static std::string ExtrasForCheck(const Parsed &p) {
    std::vector<std::string> extras;
    if (!p.keys.empty()) extras.push_back(Say(p.language, p.keys.size() > 1 ? M_THE_KEYS : M_THE_KEY, {p.keys[0]}));
    if (!p.files.empty()) extras.push_back("-f");
    if (!p.keyFiles.empty()) extras.push_back("-k");
    if (p.catalogueOption->count() != 0) extras.push_back("-c");
    if (p.pluginOption->count() != 0) extras.push_back("-p");
    if (p.about) extras.push_back("--about");
    std::string text;
    for (size_t i = 0; i < extras.size(); i++)
        text += (i == 0 ? "" : i + 1 == extras.size() ? T(p, M_AND) : T(p, M_LIST_SEPARATOR)) + extras[i];
    return text;
}

/* A usage error the options' parser cannot see, or "". */
static std::string Misuse(const Parsed &p) {
    Language l = p.language;
    if (p.check->parsed()) {
        std::string extras = ExtrasForCheck(p);
        return extras.empty() ? "" : Say(l, M_USAGE_CHECK_EXTRAS, {extras});
    }
    bool csv = p.csvOption->count() != 0;
    if (csv && p.csv != "true" && p.csv != "plain") return Say(l, M_USAGE_CSV_FORM, {p.csv});
    if (p.json && csv) return T(p, M_USAGE_JSON_CSV);
    if (csv && p.about) return T(p, M_USAGE_CSV_ABOUT);
    if (p.found && p.missing) return T(p, M_USAGE_FOUND_MISSING);
    if (p.catalogueOption->count() > 1)
        return Say(l, M_USAGE_CATALOGUE_TWICE, {std::to_string(p.catalogueOption->count())});
    size_t stdinReaders = (p.catalogue == "-") + std::count(p.keyFiles.begin(), p.keyFiles.end(), "-");
    if (stdinReaders > 1) return T(p, M_USAGE_STDIN_TWICE);
    bool asks = !p.keys.empty() || !p.files.empty() || !p.keyFiles.empty();
    if (!asks && !p.about && !p.version) return T(p, M_USAGE_NOTHING_TO_ASK);
    for (const std::string &key : p.keys)
        if (key.empty()) return T(p, M_USAGE_EMPTY_KEY);
    return "";
}

/* CLI11's complaint in the reader's words: its own text names what it found. */
static std::string ParseProblem(const Parsed &p, const CLI::ParseError &e) {
    std::string what = e.what();
    size_t colon = what.find(": ");
    if (colon != std::string::npos && dynamic_cast<const CLI::ExtrasError *>(&e) != NULL)
        return Say(p.language, M_USAGE_UNEXPECTED, {what.substr(colon + 2)});
    if (colon != std::string::npos && dynamic_cast<const CLI::ArgumentMismatch *>(&e) != NULL)
        return Say(p.language, M_USAGE_NEEDS_VALUE, {what.substr(0, colon)});
    if (dynamic_cast<const CLI::RequiredError *>(&e) != NULL)
        return Say(p.language, M_USAGE_REQUIRED, {what.substr(0, what.find(' '))});
    return Say(p.language, M_USAGE_UNREADABLE, {what});
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

/* ".rom,BIN, zip" as ".rom", ".bin", ".zip". */
static std::vector<std::string> ExtensionsOf(const std::string &list) {
    std::vector<std::string> extensions;
    std::stringstream items(list);
    for (std::string item; std::getline(items, item, ',');) {
        item.erase(0, item.find_first_not_of(" \t"));
        item.erase(item.find_last_not_of(" \t") + 1);
        if (item.empty()) continue;
        extensions.push_back(AsciiLower(item[0] != '.' ? "." + item : item));
    }
    return extensions;
}

static Format FormatOf(const Parsed &p) {
    if (p.json) return FORMAT_JSON;
    if (p.csvOption->count() == 0) return FORMAT_TABLE;
    return p.csv == "plain" ? FORMAT_CSV_PLAIN : FORMAT_CSV;
}

static Settings SettingsOf(CLI::App *app, const Parsed &p) {
    Settings s;
    s.language = p.language;
    s.check = p.check->parsed();
    s.checked = p.checked;
    s.checkedKeys = p.checkedKeys;
    s.catalogue = p.catalogue;
    s.plugin = p.plugin;
    s.requests = RequestsOf(app, p);
    s.recursive = p.recursive;
    s.archives = !p.noArchives;
    s.lower = p.lower;
    s.about = p.about;
    s.summary = p.summary;
    s.version = p.version;
    s.output = p.output;
    s.header = !p.noHeader;
    s.extensions = ExtensionsOf(p.extensions);
    s.format = FormatOf(p);
    s.shown = p.found ? SHOW_FOUND : p.missing ? SHOW_MISSING : SHOW_ALL;
    return s;
}

bool LanguageGiven(const std::vector<std::string> &args, Language *language, std::string *bad) {
    for (size_t i = 1; i < args.size(); i++) {
        std::string value;
        if (args[i] == "--") break;
        if (args[i] == "--lang" && i + 1 < args.size()) value = args[i + 1];
        else if (args[i].compare(0, 7, "--lang=") == 0) value = args[i].substr(7);
        else continue;
        if (!LanguageNamed(value, language)) *bad = value;
        return bad->empty();
    }
    return true;
}

CommandLine ParseCommandLine(const std::vector<std::string> &args, Language language) {
    CommandLine line;
    std::string bad;
    bool known = LanguageGiven(args, &language, &bad);
    line.settings.language = language;
    if (!known) {
        line.error = Say(language, M_USAGE_BAD_LANGUAGE, {bad}) + MessageText(M_USAGE_MORE, language);
        line.stop = EXIT_USAGE;
        return line;
    }
    CLI::App app;
    Parsed p;
    p.language = language;
    Describe(&app, &p);
    std::vector<const char *> argv;
    for (const std::string &a : args) argv.push_back(a.c_str());
    try {
        app.parse((int)argv.size(), const_cast<char **>(argv.data()));
    } catch (const CLI::CallForHelp &e) {
        std::ostringstream out, err;
        app.exit(e, out, err);
        line.help = out.str();
        line.stop = EXIT_OK;
        return line;
    } catch (const CLI::ParseError &e) {
        line.error = ParseProblem(p, e) + T(p, p.check->parsed() ? M_USAGE_MORE_CHECK : M_USAGE_MORE);
        line.stop = EXIT_USAGE;
        return line;
    }
    line.error = Misuse(p);
    if (!line.error.empty()) line.stop = EXIT_USAGE;
    else line.settings = SettingsOf(&app, p);
    return line;
}
