/* The shared library as a host loads it: by name, with load and unload hooks */
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <stdint.h>

#include <string>

#include "plinorinfo.h"

static const char kCatalogue[] = "<games>\n<game>\n<title>Loaded</title>\n<genre>7</genre>\n"
                                 "<crc32>0000F00D</crc32>\n</game>\n</games>\n";
static const char kOtherCatalogue[] = "<games>\n<game>\n<title>Reloaded</title>\n"
                                      "<crc32>0000F00D</crc32>\n</game>\n</games>\n";


static std::string TitleFrom(void *library, const char *catalogue) {
    PlinorTextQuery getTitle = (PlinorTextQuery)dlsym(library, "GetTitle");
    if (getTitle == NULL) return "(no GetTitle)";
    char buffer[64] = {0};
    char *out = buffer;
    int32_t size = getTitle(catalogue, "00F00D", 0, NULL, 0);
    if (size < 1 || size > (int32_t)sizeof buffer) return "(size " + std::to_string(size) + ")";
    getTitle(catalogue, "00F00D", 0, &out, 1);
    return buffer;
}

TEST(SharedLibrary, ExportsEveryQueryAndForgetsTheCatalogueWhenUnloaded) {
    void *library = dlopen(PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    for (const char *name : {"GetTitle", "GetMaker", "GetGenre", "GetMemo", "GetYear",
                             "GetPluginVersion", "GetPluginAuthor", "GetPluginInfo"})
        EXPECT_NE(dlsym(library, name), nullptr) << name;
    EXPECT_EQ(dlsym(library, "LoadCatalogue"), nullptr);
    EXPECT_EQ(dlsym(library, "gameTable"), nullptr);
    EXPECT_EQ(TitleFrom(library, kCatalogue), "Loaded");
    EXPECT_EQ(TitleFrom(library, kOtherCatalogue), "Loaded"); /* read once per load */
    EXPECT_EQ(((PlinorVersionQuery)dlsym(library, "GetPluginVersion"))(), 100);
    ASSERT_EQ(dlclose(library), 0);

    library = dlopen(PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    EXPECT_EQ(TitleFrom(library, kOtherCatalogue), "Reloaded");
    dlclose(library);
}
