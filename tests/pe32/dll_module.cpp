/* The product DLL as the test suite's plug-in: its exports called through
   the checked call, its life mapped to the suite's attach and detach */
#include "dll_module.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <map>
#include <sstream>

#include "checked_call.h"
#include "pe_image.h"
#include "plinorinfo.h"
#include "win32_imports.h"

static PeImage image;
static GameTable standIn = {NULL, 0, -1};
static GameIndex *indexStandIn = NULL;
static int pendingFailures = 0;

/* PLINOR_DLL names the DLL; PLINOR_DLL_BASE, if set, another load address. */
static const char *DllPath(void) {
    const char *path = getenv("PLINOR_DLL");
    return path != NULL ? path : "plinorinfo.dll";
}

static uint32_t WantedBase(void) {
    const char *base = getenv("PLINOR_DLL_BASE");
    return base != NULL ? (uint32_t)strtoul(base, NULL, 16) : 0;
}

/* A symbol's address relative to the image base, from the linker's map
   beside the DLL ("0x68407020 _gameTable"). */
static uint32_t MapRva(const char *symbol) {
    static std::string map;
    if (map.empty()) {
        std::ifstream in(std::string(DllPath()) + ".map");
        std::stringstream text;
        text << in.rdbuf();
        map = text.str();
    }
    std::string want = symbol, decorated = std::string("_") + symbol;
    std::istringstream lines(map);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string address, name, extra;
        if (words >> address >> name && !(words >> extra) && (name == want || name == decorated) &&
            address.compare(0, 2, "0x") == 0)
            return (uint32_t)(strtoull(address.c_str(), NULL, 16) - image.preferredBase);
    }
    ADD_FAILURE() << "the map beside " << DllPath() << " does not place " << symbol;
    return 0;
}

template <typename T> static T *InDll(const char *symbol) {
    static std::map<std::string, uint32_t> rvas;
    uint32_t &rva = rvas[symbol];
    if (rva == 0) rva = MapRva(symbol);
    return rva != 0 ? reinterpret_cast<T *>(image.base + rva) : NULL;
}

GameTable &LoadedGameTable(void) {
    GameTable *table = image.base != NULL ? InDll<GameTable>("gameTable") : NULL;
    return table != NULL ? *table : standIn;
}

GameIndex *&LoadedGameIndex(void) {
    GameIndex **index = image.base != NULL ? InDll<GameIndex *>("gameIndex") : NULL;
    return index != NULL ? *index : indexStandIn;
}

int &LoadedFailingAllocations(void) {
    int *seam = image.base != NULL ? InDll<int>("failingAllocations") : NULL;
    return seam != NULL ? *seam : pendingFailures;
}

void CreateGameTable(void) {
    std::string error;
    if (image.base != NULL) {
        EXPECT_TRUE(NotifyImage(&image, DLL_PROCESS_ATTACH, &error)) << error;
        return;
    }
    ASSERT_TRUE(MapImage(DllPath(), WantedBase(), BindImport, &image, &error)) << DllPath() << ": " << error;
    LoadedFailingAllocations() = pendingFailures;
    pendingFailures = 0;
    EXPECT_TRUE(NotifyImage(&image, DLL_PROCESS_ATTACH, &error)) << error;
}

void ReleaseGameTable(void) {
    if (image.base == NULL) return;
    std::string error;
    EXPECT_TRUE(NotifyImage(&image, DLL_PROCESS_DETACH, &error)) << error;
    UnmapImage(&image);
    EXPECT_EQ(LiveHeapBlocks(), 0u) << "heap blocks the DLL still held after DLL_PROCESS_DETACH";
}

/* One export, called as a 32-bit Windows host calls it. */
static uint32_t CallExport(const char *name, const uint32_t *args, uint32_t count) {
    void *function = ExportAddress(&image, name);
    if (function == NULL) {
        ADD_FAILURE() << (image.base == NULL ? "no DLL loaded for " : "the DLL lacks ") << name;
        return (uint32_t)NOT_FOUND;
    }
    CallCheck check;
    uint32_t result = CallStdcall(function, args, count, &check);
    std::string problem = CallProblems(check, 4 * count);
    if (!problem.empty()) ADD_FAILURE() << name << " " << problem;
    return result;
}

static uint32_t Word(const void *p) { return (uint32_t)(uintptr_t)p; }

static int32_t TextExport(const char *name, const char *catalogue, const char *key,
                          int32_t reserved, char **out, int32_t copyFlag) {
    uint32_t args[] = {Word(catalogue), Word(key), (uint32_t)reserved, Word(out), (uint32_t)copyFlag};
    return (int32_t)CallExport(name, args, 5);
}

extern "C" {

int32_t GetTitle(const char *c, const char *k, int32_t r, char **out, int32_t flag) {
    return TextExport("GetTitle", c, k, r, out, flag);
}
int32_t GetMaker(const char *c, const char *k, int32_t r, char **out, int32_t flag) {
    return TextExport("GetMaker", c, k, r, out, flag);
}
int32_t GetGenre(const char *c, const char *k, int32_t r, char **out, int32_t flag) {
    return TextExport("GetGenre", c, k, r, out, flag);
}
int32_t GetMemo(const char *c, const char *k, int32_t r, char **out, int32_t flag) {
    return TextExport("GetMemo", c, k, r, out, flag);
}
int32_t GetYear(const char *c, const char *k, int32_t r) {
    uint32_t args[] = {Word(c), Word(k), (uint32_t)r};
    return (int32_t)CallExport("GetYear", args, 3);
}
int32_t GetPluginVersion(void) {
    return (int32_t)CallExport("GetPluginVersion", NULL, 0);
}
int32_t GetPluginAuthor(char **out, int32_t flag) {
    uint32_t args[] = {Word(out), (uint32_t)flag};
    return (int32_t)CallExport("GetPluginAuthor", args, 2);
}
int32_t GetPluginInfo(char **out, int32_t flag) {
    uint32_t args[] = {Word(out), (uint32_t)flag};
    return (int32_t)CallExport("GetPluginInfo", args, 2);
}

}
