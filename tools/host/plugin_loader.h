/* Plug-in loading (finds the eight exports the way a host does) */
#ifndef PLINORHOST_PLUGIN_LOADER_H
#define PLINORHOST_PLUGIN_LOADER_H

#include <string>

#include "plinorinfo.h"

struct Plugin {
    void *handle;
    PlinorTextQuery title, maker, genre, memo;
    PlinorYearQuery year;
    PlinorVersionQuery version;
    PlinorIdentityText author, info;
};

/* The plug-in file that sits beside this program. */
std::string DefaultPluginPath();

/* Loads the library and resolves every export; on failure returns false
   and says why in *error. */
bool LoadPlugin(const std::string &path, Plugin *plugin, std::string *error);
void UnloadPlugin(Plugin *plugin);

/* The two-call protocol: the size, then a copy into a buffer of that size.
   False when the plug-in answers NOT_FOUND. */
bool AskText(PlinorTextQuery query, const std::string &catalogue, const std::string &key,
             std::string *text);
std::string AskIdentity(PlinorIdentityText query);

#endif
