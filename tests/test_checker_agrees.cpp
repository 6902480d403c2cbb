/* The checker never disagrees with the plug-in, loaded as a host loads it:
   a game it calls findable is found with the facts it reports, and a game
   it calls unreachable is never answered from its own record */
#include <dirent.h>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <string.h>

#include <fstream>
#include <map>
#include <random>
#include <string>

#include "catalogue_generator.h"
#include "checker.h"
#include "plinorinfo.h"

struct Facts {
    std::string title, maker, genre, memo;
    int32_t year;
    bool operator==(const Facts &o) const {
        return title == o.title && maker == o.maker && genre == o.genre && memo == o.memo && year == o.year;
    }
};

static std::ostream &operator<<(std::ostream &out, const Facts &f) {
    return out << "{" << f.title << " | " << f.maker << " | " << f.genre << " | " << f.memo << " | " << f.year << "}";
}

static Facts FactsOf(const GameRecord &r) {
    return {r.title, r.publisher, r.genre, r.comment, r.year};
}

/* A fresh load of the plug-in: its table starts empty. */
class LoadedPlugin {
public:
    LoadedPlugin() : handle_(dlopen(PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL)) {}
    ~LoadedPlugin() {
        if (handle_ != NULL) dlclose(handle_);
    }
    bool Ask(const char *text, const char *key, Facts *facts) {
        facts->year = ((PlinorYearQuery)dlsym(handle_, "GetYear"))(text, key, 0); /* -512 may be a year */
        const char *names[] = {"GetTitle", "GetMaker", "GetGenre", "GetMemo"};
        std::string *fields[] = {&facts->title, &facts->maker, &facts->genre, &facts->memo};
        for (int i = 0; i < 4; i++) {
            PlinorTextQuery query = (PlinorTextQuery)dlsym(handle_, names[i]);
            char buffer[TEXT_FIELD_SIZE];
            char *out = buffer;
            if (query(text, key, 0, &out, 1) == NOT_FOUND) return false;
            *fields[i] = buffer;
        }
        return true;
    }
    bool Loaded() const { return handle_ != NULL; }

private:
    void *handle_;
};

/* What a host's key for the game asks for: padded as the plug-in pads it. */
static std::string Asked(const char *key) {
    size_t n = strlen(key);
    return n >= 5 && n <= 7 ? std::string(8 - n, '0') + key : key;
}

static void ExpectAgreement(const std::string &bytes, const std::string &what) {
    SCOPED_TRACE(what);
    CheckReport report;
    CheckCatalogue(bytes, &report);
    LoadedPlugin plugin;
    ASSERT_TRUE(plugin.Loaded()) << dlerror();
    std::map<std::string, size_t> firstFindable;
    for (size_t i = 0; i < report.games.size(); i++)
        if (report.games[i].findable) firstFindable.emplace(report.records[i].crc32, i);
    size_t disagreements = 0;
    for (size_t i = 0; i < report.games.size() && disagreements < 3; i++) {
        const char *key = report.records[i].crc32;
        auto expected = firstFindable.find(Asked(key));
        Facts answer;
        bool found = plugin.Ask(bytes.c_str(), key, &answer);
        bool agrees = report.games[i].findable
                          ? expected != firstFindable.end() && expected->second == i && found &&
                                answer == FactsOf(report.records[i])
                          : expected == firstFindable.end()
                                ? !found
                                : expected->second != i && found && answer == FactsOf(report.records[expected->second]);
        if (!agrees) {
            disagreements++;
            ADD_FAILURE() << "game " << i << " (line " << report.games[i].firstLine << ", key '" << key
                          << "'), findable " << report.games[i].findable << ": the plug-in "
                          << (found ? "answers " : "finds nothing") << (found ? answer : Facts()) << "\n"
                          << "the checker holds " << FactsOf(report.records[i]);
        }
    }
    if (report.games.empty()) {
        Facts answer;
        EXPECT_FALSE(plugin.Ask(bytes.c_str(), "", &answer)) << "a catalogue that finishes no game";
    }
}

static std::string Slurp(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(CheckerAgreesWithThePlugin, OnGeneratedCatalogues) {
    ExpectAgreement(CatalogueText(GenerateGames(MAX_GAMES)), "20000 games");
    ExpectAgreement(CatalogueText(GenerateGames(MAX_GAMES + 3, 5), true), "20003 games, CR LF");
}

TEST(CheckerAgreesWithThePlugin, OnTheSamplesAndTheFuzzSeeds) {
    for (const std::string dir : {std::string(SAMPLES_DIR), std::string(FUZZ_SEEDS) + "/catalogue",
                                  std::string(FUZZ_SEEDS) + "/structured"}) {
        DIR *d = opendir(dir.c_str());
        ASSERT_NE(d, nullptr) << dir;
        for (struct dirent *e; (e = readdir(d)) != NULL;)
            if (e->d_type == DT_REG) ExpectAgreement(Slurp(dir + "/" + e->d_name), dir + "/" + e->d_name);
        closedir(d);
    }
}

TEST(CheckerAgreesWithThePlugin, OnHandMadeFaultyCatalogues) {
    const char *catalogues[] = {
        "<games>\n<game><title>A</title>\n<crc32>0BADF00D</crc32>\n</game>\n"
        "<game>\n<title>B</title>\n<crc32>0BADF00D</crc32>\n</game>\n</games>\n",
        "<games>\n<game>\n<title>Padded</title>\n<crc32>12345</crc32>\n</game>\n"
        "<game>\n<title>Full</title>\n<crc32>00012345</crc32>\n</game>\n</games>\n",
        "<games>\n<game>\n<title>No key</title>\n</game>\n<game>\n<title>Nor this</title>\n</game>\n",
        "<games>\n<game>\n<title>Old</title>\n<genre>3</genre>\n<game>\n<title>New</title>\n"
        "<genre>11</genre>\n<crc32>ABCDEF01</crc32>\n</game>\n<title>Tail</title>\n</games>\n",
        "<games>\n<game>\n<crc32>K</crc32></game>\n<date>-512</date>\n</game>\n</games>\n",
    };
    for (const char *text : catalogues) ExpectAgreement(text, text);
}

/* Catalogues of the format's own lines, mutated: duplicated and padded
   keys, missing closing tags, long lines, games that run together. */
static std::string RandomCatalogue(std::mt19937 &random) {
    static const char *const opening[] = {"<title>", "<genre>", "<publisher>", "<date>", "<comment>", "<crc32>"};
    static const char *const closing[] = {"</title>", "</genre>", "</publisher>", "</date>", "</comment>", "</crc32>"};
    static const char *const values[] = {"0BADF00D", "12345", "00012345", "", "deadbeef", "3", "11",
                                         "1999/01", "-512", "\x83\x51\x81\x5b", "X"};
    auto pick = [&](size_t n) { return (size_t)random() % n; };
    std::string text = pick(8) ? "<games>\n" : "";
    for (size_t lines = 5 + pick(60); lines-- > 0;) {
        size_t what = pick(20);
        std::string eol = pick(4) ? "\n" : "\r\n", indent = pick(3) ? "  " : "";
        if (what < 3) text += indent + "</game>" + eol;
        else if (what == 3) text += "<game>" + eol;
        else if (what == 4 && pick(10) == 0) text += "</games>" + eol;
        else if (what == 5) text += std::string(250 + pick(20), ' ') + "<title>Far</title>" + eol;
        else {
            size_t kind = pick(6);
            std::string value = pick(3) ? values[pick(11)] : std::to_string(pick(100000));
            text += indent + opening[kind] + value + (pick(12) ? closing[kind] : "") + (pick(15) ? "" : "</game>") + eol;
        }
    }
    return text;
}

TEST(CheckerAgreesWithThePlugin, OnRandomCatalogues) {
    std::mt19937 random(20261208);
    for (int i = 0; i < 400; i++) ExpectAgreement(RandomCatalogue(random), "random catalogue " + std::to_string(i));
}
