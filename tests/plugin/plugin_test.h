/* Test helpers: a fresh module life per test, the two-call protocol, catalogues */
#ifndef PLINOR_PLUGIN_TEST_H
#define PLINOR_PLUGIN_TEST_H

#include <gtest/gtest.h>
#include <stdint.h>

#include <string>
#include <vector>

#include "catalogue_generator.h"
#include "game_index.h"
#include "game_table.h"
#include "memory.h"
#include "module_life.h"
#include "plinorinfo.h"

#ifdef PLINOR_DLL_RUNNER
/* The same tests against the product DLL, through a PE loader. */
#include "dll_module.h"
#define gameTable LoadedGameTable()
#define gameIndex LoadedGameIndex()
#define failingAllocations LoadedFailingAllocations()
static const bool kRunsTheDll = true;
#else
static const bool kRunsTheDll = false;
#endif

typedef PlinorTextQuery TextQuery;
typedef PlinorIdentityText IdentityText;

/* Each test gets the module from attach to detach. */
class PluginTest : public ::testing::Test {
protected:
    void SetUp() override {
        failingAllocations = 0;
        CreateGameTable();
    }
    void TearDown() override {
        ReleaseGameTable();
        failingAllocations = 0;
    }
};

/* What a host gets from the two calls: the size, and the copied text. */
struct Answer {
    int32_t size;
    std::string text;
};

/* An address that faults if the plug-in ever reads or writes through it. */
char **PoisonedOut(void);

/* Runs the size call and the copy call into an exactly sized buffer, checking
   that both agree and that the copy is terminated where the size says. */
Answer Ask(TextQuery query, const char *catalogue, const char *key);
Answer AskIdentity(IdentityText query);

/* The Shift_JIS (code page 932) bytes of a UTF-8 text, by iconv. */
std::string Sjis(const char *utf8);

typedef CatalogueGame Game;

#endif
