/* The plug-in (loaded as a host loads it, its eight exports, asked by the two calls) */
#ifndef PLINORHOST_PLUGIN_H
#define PLINORHOST_PLUGIN_H

#include <stdint.h>

#include <string>

#include "messages.h"
#include "plinorinfo.h"

struct Plugin {
    void *library = NULL;
    PlinorTextQuery title = NULL, maker = NULL, genre = NULL, memo = NULL;
    PlinorYearQuery year = NULL;
    PlinorVersionQuery version = NULL;
    PlinorIdentityText author = NULL, info = NULL;
};

/* The bitness a library file is built for, from its header: 32 or 64, or
   0 when it cannot tell. */
int LibraryBits(const std::string &path);

/* The plug-in file that sits beside this program. */
std::string DefaultPluginPath(void);

/* Loads the library and resolves every export; on failure returns false
   and says why in *error. */
bool LoadPlugin(const std::string &path, Plugin *plugin, std::string *error, Language language);
void UnloadPlugin(Plugin *plugin);

/* The two-call protocol: the size, then a copy into a buffer of that size.
   False when the plug-in answers NOT_FOUND. */
bool AskText(PlinorTextQuery query, const std::string &catalogue, const std::string &key, std::string *text);

struct Identity {
    int32_t version = 0;
    std::string author, description; /* UTF-8 */
};
Identity AskIdentity(const Plugin &plugin);

#endif
