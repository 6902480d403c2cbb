/* Plug-in loading (finds the eight exports the way a host does) */
#include "plugin_loader.h"

#include "platform.h"
#include "two_calls.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>
#endif

#ifdef _WIN32
static const char kPluginFile[] = "plinorinfo.dll";

static std::string ProgramDirectory() {
    wchar_t path[32768];
    DWORD n = GetModuleFileNameW(NULL, path, 32768);
    if (n == 0 || n >= 32768) return ".";
    return NameOf(std::filesystem::path(std::wstring(path, n)).parent_path());
}

/* Exactly the file named, from the current folder: a bare name would go
   to the DLL search path, which may hold another DLL of that name. */
static void *OpenLibrary(const std::string &path, std::string *error) {
    std::wstring name = PathOf(path).wstring();
    DWORD n = GetFullPathNameW(name.c_str(), 0, NULL, NULL);
    std::wstring full(n, L'\0');
    n = n != 0 ? GetFullPathNameW(name.c_str(), n, &full[0], NULL) : 0;
    full.resize(n);
    HMODULE module = n != 0 ? LoadLibraryExW(full.c_str(), NULL, LOAD_WITH_ALTERED_SEARCH_PATH) : NULL;
    if (module == NULL) *error = WindowsErrorText(GetLastError());
    return (void *)module;
}

static void *Symbol(void *handle, const char *name) {
    return (void *)GetProcAddress((HMODULE)handle, name);
}

static void CloseLibrary(void *handle) {
    FreeLibrary((HMODULE)handle);
}

#else
static const char kPluginFile[] = "plinorinfo.so";

static std::string ProgramDirectory() {
    char path[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    std::string s(path, n > 0 ? (size_t)n : 0);
    size_t slash = s.find_last_of('/');
    return slash == std::string::npos ? "." : s.substr(0, slash);
}

static void *OpenLibrary(const std::string &path, std::string *error) {
    /* a bare name would search the system's library path instead */
    std::string file = path.find('/') == std::string::npos ? "./" + path : path;
    void *handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == NULL) *error = dlerror();
    return handle;
}

static void *Symbol(void *handle, const char *name) {
    return dlsym(handle, name);
}

static void CloseLibrary(void *handle) {
    dlclose(handle);
}

#endif

std::string DefaultPluginPath() {
    return JoinName(ProgramDirectory(), kPluginFile);
}

template <typename F> static bool Resolve(void *handle, const char *name, F *f, std::string *error) {
    *f = reinterpret_cast<F>(Symbol(handle, name));
    if (*f == NULL) *error = "it has no export named " + std::string(name);
    return *f != NULL;
}

bool LoadPlugin(const std::string &path, Plugin *p, std::string *error) {
    p->handle = OpenLibrary(path, error);
    if (p->handle == NULL) return false;
    if (Resolve(p->handle, "GetTitle", &p->title, error) &&
        Resolve(p->handle, "GetMaker", &p->maker, error) &&
        Resolve(p->handle, "GetGenre", &p->genre, error) &&
        Resolve(p->handle, "GetMemo", &p->memo, error) &&
        Resolve(p->handle, "GetYear", &p->year, error) &&
        Resolve(p->handle, "GetPluginVersion", &p->version, error) &&
        Resolve(p->handle, "GetPluginAuthor", &p->author, error) &&
        Resolve(p->handle, "GetPluginInfo", &p->info, error))
        return true;
    UnloadPlugin(p);
    return false;
}

void UnloadPlugin(Plugin *p) {
    if (p->handle != NULL) CloseLibrary(p->handle);
    p->handle = NULL;
}

bool AskText(PlinorTextQuery query, const std::string &catalogue, const std::string &key,
             std::string *text) {
    TwoCalls calls = TwoCallText(query, catalogue.c_str(), key.c_str());
    if (calls.size == NOT_FOUND) return false;
    *text = calls.text; /* never past the buffer, whatever the plug-in copied */
    return true;
}

std::string AskIdentity(PlinorIdentityText query) {
    return TwoCallIdentity(query).text;
}
