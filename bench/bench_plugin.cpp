/* Benchmarks: parse and lookup, each beside a baseline timed in the same run */
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <map>
#include <pugixml.hpp>
#include <random>
#include <string>

#include "game_index.h"
#include "game_table.h"
#include "lines.h"
#include "module_life.h"
#include "parser.h"
#include "catalogue_generator.h"
#include "checker.h"
#include "plinorinfo.h"

enum { SMALL_TABLE = 10, MISS_KEYS = 256 };

static std::vector<GeneratedGame> games;
static std::string text, smallText; /* MAX_GAMES games, and the first SMALL_TABLE of them */
static std::vector<std::string> missKeys; /* checksums the generator gives only to later games */
static std::vector<size_t> shuffled;      /* every game once, in a host's order */

/* The scan's figures are the baseline: for them the index is hidden from
   the parse and the lookups, not released. */
static GameIndex *builtIndex;

static void UseIndex(bool indexed) {
    gameIndex = indexed ? builtIndex : NULL;
}

/* An empty table for the next parse, the index emptied as a new module
   life has it. The records keep their old bytes, which the parse
   overwrites (every generated game sets every field): clearing 21 MB each
   time would time the cache, not the parser. */
static void EmptyTable() {
    gameTable.count = 0;
    gameTable.lastHit = -1;
    EmptyGameIndex();
}

static void LoadedTable(const std::string &catalogue = text, bool indexed = false) {
    UseIndex(indexed);
    EmptyTable();
    LoadCatalogue(catalogue.c_str());
}

static void Parse(benchmark::State &state) {
    UseIndex(true);
    for (auto _ : state) {
        state.PauseTiming();
        EmptyTable();
        state.ResumeTiming();
        LoadCatalogue(text.c_str());
    }
    if (gameTable.count != MAX_GAMES) state.SkipWithError("not every game was loaded");
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)text.size());
}

/* The parse with the index against the parse without it, timed in pairs,
   each first in turn, so that the machine's drift falls on both alike. */
static void ParseIndexCost(benchmark::State &state) {
    double seconds[2] = {0, 0};
    bool withFirst = true;
    for (auto _ : state) {
        for (bool indexed : {withFirst, !withFirst}) {
            UseIndex(indexed);
            EmptyTable();
            auto start = std::chrono::steady_clock::now();
            LoadCatalogue(text.c_str());
            seconds[indexed] += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        }
        withFirst = !withFirst;
    }
    UseIndex(true);
    state.counters["ratio"] = seconds[1] / seconds[0];
}

/* plinorhost check over the same text: every line judged, every game kept.
   The report lives as long as the run: freeing its 16 MB would raise the C
   library's mmap threshold and so speed up every later baseline. */
static CheckReport report;

static void Check(benchmark::State &state) {
    for (auto _ : state) CheckCatalogue(text, &report);
    if (report.games.size() != MAX_GAMES || !report.findings.empty())
        state.SkipWithError("the generated catalogue should check clean");
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)text.size());
}

/* The least a line parser of this format does: copy the text, then cut
   each line at its line feed and take it (up to the examined length) into
   a line buffer, ready for its tags to be looked for. */
static void CopyAndSplitBaseline(benchmark::State &state) {
    char line[TEXT_FIELD_SIZE];
    for (auto _ : state) {
        size_t size = strlen(text.c_str()) + 1;
        char *copy = (char *)malloc(size);
        memcpy(copy, text.c_str(), size);
        char *p = copy, *end = copy + size - 1;
        size_t lines = 0;
        for (;;) {
            char *feed = (char *)memchr(p, '\n', (size_t)(end - p));
            char *lineEnd = feed != NULL ? feed : end;
            size_t length = (size_t)(lineEnd - p) < MAX_LINE_LENGTH ? (size_t)(lineEnd - p) : MAX_LINE_LENGTH;
            *lineEnd = '\0';
            memcpy(line, p, length);
            line[length] = '\0';
            benchmark::DoNotOptimize(line);
            lines++;
            if (feed == NULL) break;
            p = feed + 1;
        }
        benchmark::DoNotOptimize(lines);
        free(copy);
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)text.size());
}

/* Less than any parser can do: copy the text and find its line feeds. */
static void FindLinesReference(benchmark::State &state) {
    for (auto _ : state) {
        size_t size = strlen(text.c_str()) + 1;
        char *copy = (char *)malloc(size);
        memcpy(copy, text.c_str(), size);
        const char *p = copy, *end = copy + size - 1;
        size_t lines = 0;
        while ((p = (const char *)memchr(p, '\n', (size_t)(end - p))) != NULL) {
            lines++;
            p++;
        }
        benchmark::DoNotOptimize(lines);
        free(copy);
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)text.size());
}

/* What a developer might reach for instead: a DOM of the whole text. */
static void PugixmlBaseline(benchmark::State &state) {
    for (auto _ : state) {
        pugi::xml_document doc;
        pugi::xml_parse_result result = doc.load_buffer(text.data(), text.size());
        if (!result) state.SkipWithError(result.description());
        benchmark::DoNotOptimize(doc.first_child());
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)text.size());
}

static void HitSize(benchmark::State &state) {
    LoadedTable(text, true);
    const char *key = games[MAX_GAMES / 2].crc32.c_str();
    GetTitle(text.c_str(), key, 0, NULL, 0);
    for (auto _ : state) benchmark::DoNotOptimize(GetTitle(text.c_str(), key, 0, NULL, 0));
}

static void HitCopy(benchmark::State &state) {
    LoadedTable(text, true);
    const char *key = games[MAX_GAMES / 2].crc32.c_str();
    char buffer[TEXT_FIELD_SIZE];
    char *out = buffer;
    GetTitle(text.c_str(), key, 0, NULL, 0);
    for (auto _ : state) {
        benchmark::DoNotOptimize(GetTitle(text.c_str(), key, 0, &out, 1));
        benchmark::ClobberMemory();
    }
}

static void MissScan(benchmark::State &state) {
    LoadedTable();
    for (auto _ : state) benchmark::DoNotOptimize(GetYear(text.c_str(), "NOTAGAME", 0));
}

/* Lookups through the index, asking the given keys in turn, so that no
   query is answered by the last hit. */
static void AskInTurn(benchmark::State &state, const std::string &catalogue,
                      const std::vector<std::string> &keys) {
    LoadedTable(catalogue, true);
    size_t next = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(GetYear(catalogue.c_str(), keys[next].c_str(), 0));
        next = next + 1 < keys.size() ? next + 1 : 0;
    }
}

static void MissIndexed(benchmark::State &state) {
    AskInTurn(state, text, missKeys);
}

static void MissIndexedSmall(benchmark::State &state) {
    AskInTurn(state, smallText, missKeys);
}

/* SMALL_TABLE games of each table: all of the small one, spread over the full one. */
static std::vector<std::string> HitKeys(size_t stride) {
    std::vector<std::string> keys;
    for (size_t i = 0; i < SMALL_TABLE; i++) keys.push_back(games[i * stride].crc32);
    return keys;
}

static void HitIndexed(benchmark::State &state) {
    AskInTurn(state, text, HitKeys(MAX_GAMES / SMALL_TABLE));
}

static void HitIndexedSmall(benchmark::State &state) {
    AskInTurn(state, smallText, HitKeys(1));
}

/* Reads every record's crc32 field and nothing else. */
static void Crc32ReadBaseline(benchmark::State &state) {
    LoadedTable();
    for (auto _ : state) {
        uint64_t sum = 0;
        for (int32_t i = 0; i < gameTable.count; i++) {
            uint64_t a, b;
            memcpy(&a, gameTable.records[i].crc32, 8);
            memcpy(&b, gameTable.records[i].crc32 + 8, 8);
            sum += a ^ b;
        }
        benchmark::DoNotOptimize(sum);
    }
}

/* A host filling its collection: all five facts of every game, two calls each. */
static void FiveFactsOfEveryGame(benchmark::State &state) {
    static const PlinorTextQuery queries[] = {GetTitle, GetMaker, GetGenre, GetMemo};
    char buffer[TEXT_FIELD_SIZE];
    char *out = buffer;
    for (auto _ : state) {
        for (const GeneratedGame &g : games) {
            const char *key = g.crc32.c_str();
            for (PlinorTextQuery q : queries) {
                benchmark::DoNotOptimize(q(text.c_str(), key, 0, NULL, 0));
                benchmark::DoNotOptimize(q(text.c_str(), key, 0, &out, 1));
            }
            benchmark::DoNotOptimize(GetYear(text.c_str(), key, 0));
        }
    }
    state.SetItemsProcessed((int64_t)state.iterations() * (int64_t)games.size());
}

static void HostPass(benchmark::State &state) {
    LoadedTable();
    FiveFactsOfEveryGame(state);
}

static void HostPassIndexed(benchmark::State &state) {
    LoadedTable(text, true);
    FiveFactsOfEveryGame(state);
}

/* A host asking each game's title once, size call and copy call, in its
   own order. */
static void TitlePass(benchmark::State &state) {
    LoadedTable(text, true);
    /* The keys side by side in the order asked, as a host holds its list:
       reading a game's key from the generator's records would add a wait
       of the bench's own to each query. */
    std::vector<std::array<char, KEY_FIELD_SIZE>> keys(shuffled.size());
    for (size_t n = 0; n < shuffled.size(); n++)
        strncpy(keys[n].data(), games[shuffled[n]].crc32.c_str(), KEY_FIELD_SIZE - 1);
    char buffer[TEXT_FIELD_SIZE];
    char *out = buffer;
    for (auto _ : state) {
        for (const auto &asked : keys) {
            const char *key = asked.data();
            benchmark::DoNotOptimize(GetTitle(text.c_str(), key, 0, NULL, 0));
            benchmark::DoNotOptimize(GetTitle(text.c_str(), key, 0, &out, 1));
        }
    }
    state.SetItemsProcessed((int64_t)state.iterations() * (int64_t)games.size());
}

/* The title pass's floor: the same records in the same order, each load's
   address waiting for the load before it, so that every record is waited
   for once, as a query waits for its own. Each reads the crc32 and the
   title lines, as the query does. The mask is zero, but the compiler cannot
   know it, so the links stay. */
static volatile uint64_t chainMask = 0;

static void RecordChainBaseline(benchmark::State &state) {
    LoadedTable(text, true);
    const GameRecord *records = gameTable.records;
    uint64_t mask = chainMask;
    for (auto _ : state) {
        uint64_t link = 0;
        for (size_t i : shuffled) {
            const GameRecord *r = &records[i + (size_t)(link & mask)];
            uint64_t key, title;
            memcpy(&key, r->crc32, 8);
            memcpy(&title, r->title, 8);
            link = key ^ title;
        }
        benchmark::DoNotOptimize(link);
    }
    state.SetItemsProcessed((int64_t)state.iterations() * (int64_t)games.size());
}

BENCHMARK(Parse)->Unit(benchmark::kNanosecond);
BENCHMARK(ParseIndexCost)->Unit(benchmark::kNanosecond);
BENCHMARK(Check)->Unit(benchmark::kNanosecond);
BENCHMARK(CopyAndSplitBaseline)->Unit(benchmark::kNanosecond);
BENCHMARK(FindLinesReference)->Unit(benchmark::kNanosecond);
BENCHMARK(PugixmlBaseline)->Unit(benchmark::kNanosecond);
BENCHMARK(HitSize)->Unit(benchmark::kNanosecond);
BENCHMARK(HitCopy)->Unit(benchmark::kNanosecond);
BENCHMARK(MissScan)->Unit(benchmark::kNanosecond);
BENCHMARK(Crc32ReadBaseline)->Unit(benchmark::kNanosecond);
BENCHMARK(HostPass)->Unit(benchmark::kNanosecond)->MinTime(2.0);
BENCHMARK(MissIndexed)->Unit(benchmark::kNanosecond);
BENCHMARK(MissIndexedSmall)->Unit(benchmark::kNanosecond);
BENCHMARK(HitIndexed)->Unit(benchmark::kNanosecond);
BENCHMARK(HitIndexedSmall)->Unit(benchmark::kNanosecond);
BENCHMARK(HostPassIndexed)->Unit(benchmark::kNanosecond);
BENCHMARK(TitlePass)->Unit(benchmark::kNanosecond);
BENCHMARK(RecordChainBaseline)->Unit(benchmark::kNanosecond);

/* Keeps each benchmark's time, or its ratio counter, (the median when
   repeated) for the summary. */
class RatioReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> ns;
    void ReportRuns(const std::vector<Run> &runs) override {
        for (const Run &run : runs) {
            std::string name = run.run_name.function_name;
            auto ratio = run.counters.find("ratio");
            double value = ratio != run.counters.end() ? ratio->second.value : run.GetAdjustedRealTime();
            if (run.run_type == Run::RT_Iteration && !ns.count(name)) ns[name] = value;
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") ns[name] = value;
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

static bool Line(const char *what, double value, const char *unit, const char *target, bool met) {
    printf("  %-44s %10.3f %-26s %-24s %s\n", what, value, unit, target, met ? "met" : "MISSED");
    return met;
}

/* A ratio against its target: at most the limit. */
static bool AtMost(const char *what, double ratio, double limit) {
    char target[32];
    snprintf(target, sizeof target, "at most %g", limit);
    return Line(what, ratio, "times", target, ratio <= limit);
}

static int Summary(std::map<std::string, double> &t) {
    const char *needed[] = {"Parse", "Check", "CopyAndSplitBaseline", "FindLinesReference", "PugixmlBaseline", "HitSize",
                            "HitCopy", "MissScan", "Crc32ReadBaseline", "HostPass", "ParseIndexCost", "MissIndexed",
                            "MissIndexedSmall", "HitIndexed", "HitIndexedSmall", "HostPassIndexed", "TitlePass",
                            "RecordChainBaseline"};
    for (const char *name : needed)
        if (!t.count(name)) return 0; /* a filtered run: no ratios to give */
    double megabytes = (double)text.size() / 1e6;
    double halfScan = t["Crc32ReadBaseline"] / 2, perGame = t["HostPass"] / (double)games.size();
    printf("\n%zu games, %.2f MB of catalogue\n", games.size(), megabytes);
    printf("  parse %.0f MB/s, copy-and-split %.0f MB/s, pugixml %.0f MB/s; finding the lines alone %.0f MB/s (%.2f times faster than the parse)\n",
           megabytes / t["Parse"] * 1e9, megabytes / t["CopyAndSplitBaseline"] * 1e9,
           megabytes / t["PugixmlBaseline"] * 1e9, megabytes / t["FindLinesReference"] * 1e9,
           t["Parse"] / t["FindLinesReference"]);
    double perGameIndexed = t["HostPassIndexed"] / (double)games.size();
    double titlePerGame = t["TitlePass"] / (double)games.size(), chainPerGame = t["RecordChainBaseline"] / (double)games.size();
    printf("  scan (the baseline): miss %.0f ns, crc32 loop %.0f ns; host pass %.0f ns per game, half a crc32 loop %.0f ns\n",
           t["MissScan"], t["Crc32ReadBaseline"], perGame, halfScan);
    printf("  index: miss %.1f ns (%.1f at %d games), hit %.1f ns (%.1f at %d games); host pass %.0f ns per game (%.0f times faster than the scan)\n",
           t["MissIndexed"], t["MissIndexedSmall"], SMALL_TABLE, t["HitIndexed"], t["HitIndexedSmall"], SMALL_TABLE,
           perGameIndexed, perGame / perGameIndexed);
    printf("  title pass in a host's order %.1f ns per game, the chain of its records' loads %.1f ns per game\n",
           titlePerGame, chainPerGame);
    bool ok = true;
    ok &= AtMost("parse / copy-and-split", t["Parse"] / t["CopyAndSplitBaseline"], 1.3);
    ok &= AtMost("check / parse", t["Check"] / t["Parse"], 3);
    ok &= Line("pugixml / parse", t["PugixmlBaseline"] / t["Parse"], "times faster", "at least 2.5", t["PugixmlBaseline"] >= 2.5 * t["Parse"]);
    ok &= Line("hit, size call", t["HitSize"], "ns per call", "under 25", t["HitSize"] < 25);
    ok &= Line("hit, copy call", t["HitCopy"], "ns per call", "under 25", t["HitCopy"] < 25);
    ok &= AtMost("miss / crc32-reading loop", t["MissScan"] / t["Crc32ReadBaseline"], 1.5);
    ok &= AtMost("host pass per game / half a crc32 loop", perGame / halfScan, 1.5);
    ok &= AtMost("indexed miss, 20000 games / 10", t["MissIndexed"] / t["MissIndexedSmall"], 1.5);
    ok &= AtMost("indexed hit (not the last), 20000 games / 10", t["HitIndexed"] / t["HitIndexedSmall"], 1.5);
    ok &= AtMost("title pass / chain of its records' loads", titlePerGame / chainPerGame, 2);
    ok &= AtMost("parse with the index / without", t["ParseIndexCost"], 1.05);
    printf(ok ? "all targets met\n" : "some targets missed\n");
    return ok ? 0 : 1;
}

int main(int argc, char **argv) {
    CreateGameTable();
    builtIndex = gameIndex;
    games = GenerateGames(MAX_GAMES + MISS_KEYS);
    for (size_t i = MAX_GAMES; i < games.size(); i++) missKeys.push_back(games[i].crc32);
    games.resize(MAX_GAMES);
    text = CatalogueText(games);
    smallText = CatalogueText(std::vector<GeneratedGame>(games.begin(), games.begin() + SMALL_TABLE));
    for (size_t i = 0; i < games.size(); i++) shuffled.push_back(i);
    std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(1));
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    int status = Summary(reporter.ns);
    benchmark::Shutdown();
    UseIndex(true);
    ReleaseGameTable();
    return status;
}
