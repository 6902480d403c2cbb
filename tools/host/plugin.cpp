/* The plug-in (loaded as a host loads it, its eight exports, asked by the two calls) */
#include "plugin.h"

#include "platform.h"
#include "text.h"
#include "two_calls.h"

std::string DefaultPluginPath(void) {
    return JoinName(ProgramDirectory(), kPluginFileName);
}

template <typename F> static bool Resolve(void *library, const char *name, F *f, std::string *error) {
    *f = reinterpret_cast<F>(LibrarySymbol(library, name));
    if (*f == NULL) *error = "it has no export named " + std::string(name);
    return *f != NULL;
}

bool LoadPlugin(const std::string &path, Plugin *p, std::string *error) {
    p->library = OpenLibrary(path, error);
    if (p->library == NULL) return false;
    if (Resolve(p->library, "GetTitle", &p->title, error) &&
        Resolve(p->library, "GetMaker", &p->maker, error) &&
        Resolve(p->library, "GetGenre", &p->genre, error) &&
        Resolve(p->library, "GetMemo", &p->memo, error) &&
        Resolve(p->library, "GetYear", &p->year, error) &&
        Resolve(p->library, "GetPluginVersion", &p->version, error) &&
        Resolve(p->library, "GetPluginAuthor", &p->author, error) &&
        Resolve(p->library, "GetPluginInfo", &p->info, error))
        return true;
    UnloadPlugin(p);
    return false;
}

void UnloadPlugin(Plugin *p) {
    if (p->library != NULL) CloseLibrary(p->library);
    p->library = NULL;
}

bool AskText(PlinorTextQuery query, const std::string &catalogue, const std::string &key, std::string *text) {
    TwoCalls calls = TwoCallText(query, catalogue.c_str(), key.c_str());
    if (calls.size == NOT_FOUND) return false;
    *text = calls.text; /* never past the buffer, whatever the plug-in copied */
    return true;
}

Identity AskIdentity(const Plugin &p) {
    Identity identity;
    identity.version = p.version();
    identity.author = Utf8FromShiftJis(TwoCallIdentity(p.author).text);
    identity.description = Utf8FromShiftJis(TwoCallIdentity(p.info).text);
    return identity;
}
