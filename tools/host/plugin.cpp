/* The plug-in (loaded as a host loads it, its eight exports, asked by the two calls) */
#include "plugin.h"

#include <string.h>

#include "platform.h"
#include "text.h"
#include "two_calls.h"

int LibraryBits(const std::string &path) {
    std::string error;
    std::filesystem::file_type type;
    FILE *f = OpenRegularFile(path, &error, &type);
    if (f == NULL) return 0;
    unsigned char head[64], pe[6];
    int bits = 0;
    if (fread(head, 1, sizeof head, f) == sizeof head) {
        uint32_t at = (uint32_t)head[60] | (uint32_t)head[61] << 8 | (uint32_t)head[62] << 16 | (uint32_t)head[63] << 24;
        if (memcmp(head, "\x7f" "ELF", 4) == 0) bits = head[4] == 1 ? 32 : head[4] == 2 ? 64 : 0;
        else if (memcmp(head, "MZ", 2) == 0 && ReadAt(f, at, pe, sizeof pe) && memcmp(pe, "PE\0\0", 4) == 0) {
            unsigned machine = pe[4] | pe[5] << 8;
            bits = machine == 0x14C ? 32 : machine == 0x8664 || machine == 0xAA64 ? 64 : 0; /* i386; x64, ARM64 */
        }
    }
    fclose(f);
    return bits;
}

std::string DefaultPluginPath(void) {
    return JoinName(ProgramDirectory(), kPluginFileName);
}

template <typename F> static bool Resolve(void *library, const char *name, F *f, std::string *missing) {
    *f = reinterpret_cast<F>(LibrarySymbol(library, name));
    if (*f == NULL) *missing = name;
    return *f != NULL;
}

bool LoadPlugin(const std::string &path, Plugin *p, std::string *error, Language language) {
    p->library = OpenLibrary(path, error);
    if (p->library == NULL) return false;
    std::string missing;
    if (Resolve(p->library, "GetTitle", &p->title, &missing) &&
        Resolve(p->library, "GetMaker", &p->maker, &missing) &&
        Resolve(p->library, "GetGenre", &p->genre, &missing) &&
        Resolve(p->library, "GetMemo", &p->memo, &missing) &&
        Resolve(p->library, "GetYear", &p->year, &missing) &&
        Resolve(p->library, "GetPluginVersion", &p->version, &missing) &&
        Resolve(p->library, "GetPluginAuthor", &p->author, &missing) &&
        Resolve(p->library, "GetPluginInfo", &p->info, &missing))
        return true;
    *error = Say(language, M_NO_EXPORT, {missing});
    UnloadPlugin(p);
    return false;
}

void UnloadPlugin(Plugin *p) {
    if (p->library != NULL) CloseLibrary(p->library);
    p->library = NULL;
}

bool AskText(PlinorTextQuery query, const std::string &catalogue, const std::string &key, std::string *text) {
    TwoCalls calls = TwoCallText(query, catalogue.c_str(), key.c_str()); /* a miss ends at the size call */
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
