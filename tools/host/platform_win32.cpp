/* Platform on Windows (wide-character names and arguments, the console, LoadLibrary) */
#include "platform.h"

#include <errno.h>
#include <fcntl.h>
#include <io.h>
#include <string.h>
#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <vector>

namespace fs = std::filesystem;

static std::string Utf8(const wchar_t *wide) {
    int n = WideCharToMultiByte(CP_UTF8, 0, wide, -1, NULL, 0, NULL, NULL);
    std::string out(n > 0 ? (size_t)n : 1, '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, -1, &out[0], n, NULL, NULL);
    out.resize(strlen(out.c_str()));
    return out;
}

/* In the user's language, as UTF-8: not the ANSI code page's bytes. */
std::string SystemErrorText(unsigned long code, const std::string &subject) {
    wchar_t text[512] = L"";
    FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL, code, 0, text,
                   sizeof text / sizeof text[0], NULL);
    std::string why = Utf8(text);
    size_t insert = why.find("%1");
    if (insert != std::string::npos) why.replace(insert, 2, subject);
    why.erase(why.find_last_not_of(" \r\n") + 1);
    return why + (why.empty() ? "(" : " (") + std::to_string(code) + ")";
}

struct Beside {
    HANDLE thread;
    void (*work)(void *);
    void *context;
};

static DWORD WINAPI RunBeside(void *beside) {
    Beside *b = (Beside *)beside;
    b->work(b->context);
    return 0;
}

Beside *StartBeside(void (*work)(void *context), void *context) {
    Beside *beside = new Beside{NULL, work, context};
    beside->thread = CreateThread(NULL, 0, RunBeside, beside, 0, NULL);
    if (beside->thread != NULL) return beside;
    delete beside;
    return NULL;
}

void JoinBeside(Beside *beside) {
    WaitForSingleObject(beside->thread, INFINITE);
    CloseHandle(beside->thread);
    delete beside;
}

bool UserReadsJapanese(void) {
    return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_JAPANESE;
}

bool ConsoleOfItsOwn(void) {
    wchar_t hook[4];
    DWORD n = GetEnvironmentVariableW(L"PLINORHOST_CONSOLE_ALONE", hook, 4);
    if (n == 1 && hook[0] == L'1') return true;
    DWORD processes[2], mode;
    bool console = GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) &&
                   GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode);
    return console && GetConsoleProcessList(processes, 2) == 1; /* no shell shares it */
}

void WaitForKey(void) {
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode, n;
    if (!GetConsoleMode(input, &mode)) {
        char byte;
        ReadFile(input, &byte, 1, &n, NULL);
        return;
    }
    FlushConsoleInputBuffer(input); /* only a key pressed from now on */
    for (INPUT_RECORD record; ReadConsoleInputW(input, &record, 1, &n) && n == 1;)
        if (record.EventType == KEY_EVENT && record.Event.KeyEvent.bKeyDown) return;
}

std::vector<std::string> Arguments(int, char **) {
    int count = 0;
    wchar_t **wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> args;
    for (int i = 0; i < count; i++) args.push_back(wcscmp(wide[i], L"/?") == 0 ? "--help" : Utf8(wide[i]));
    LocalFree(wide);
    return args;
}

fs::path PathOf(const std::string &name) {
    return fs::u8path(name);
}

std::string NameOf(const fs::path &path) {
    return path.u8string();
}

std::string JoinName(const std::string &folder, const std::string &entry) {
    bool ends = folder.empty() || folder.back() == '\\' || folder.back() == '/' ||
                (folder.size() == 2 && folder[1] == ':'); /* "C:" names C's current folder */
    return folder + (ends ? "" : "\\") + entry;
}

std::string MemberName(const std::string &archive, const std::string &member) {
    std::string below = member;
    std::replace(below.begin(), below.end(), '/', '\\');
    return JoinName(archive, below);
}

static std::wstring Folded(std::wstring text) {
    if (!text.empty()) CharUpperBuffW(&text[0], (DWORD)text.size());
    return text;
}

/* '*' any run of characters, '?' any one. */
static bool Matches(const wchar_t *pattern, const wchar_t *text) {
    const wchar_t *star = NULL, *resume = NULL;
    while (*text != 0) {
        if (*pattern == L'*') {
            star = pattern++;
            resume = text;
        } else if (*pattern == L'?' || *pattern == *text) {
            pattern++;
            text++;
        } else if (star != NULL) {
            pattern = star + 1;
            text = ++resume;
        } else {
            return false;
        }
    }
    while (*pattern == L'*') pattern++;
    return *pattern == 0;
}

bool MatchesPattern(const std::string &pattern, const std::string &name) {
    return Matches(Folded(PathOf(pattern).wstring()).c_str(), Folded(PathOf(name).wstring()).c_str());
}

bool ExpandPattern(const std::string &name, std::vector<std::string> *matches) {
    size_t cut = name.find_last_of("\\/:");
    std::string folder = cut == std::string::npos ? "" : name.substr(0, cut + 1);
    std::string pattern = name.substr(folder.size());
    if (pattern.find_first_of("*?") == std::string::npos) return false;
    std::wstring wanted = Folded(PathOf(pattern).wstring());
    std::error_code ec;
    fs::directory_iterator it(PathOf(folder.empty() ? "." : folder), ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        fs::path leaf = it->path().filename();
        if (Matches(wanted.c_str(), Folded(leaf.wstring()).c_str())) matches->push_back(folder + NameOf(leaf));
    }
    std::sort(matches->begin(), matches->end());
    return true;
}

static bool HandleIdOf(HANDLE h, FileId *id) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(h, &info)) return false;
    *id = {info.dwVolumeSerialNumber, (uint64_t)info.nFileIndexHigh << 32 | info.nFileIndexLow};
    return true;
}

bool FileIdOf(const fs::path &folder, FileId *id) {
    HANDLE h = CreateFileW(folder.wstring().c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           NULL, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, NULL); /* the flag opens folders */
    if (h == INVALID_HANDLE_VALUE) return false;
    bool known = HandleIdOf(h, id);
    CloseHandle(h);
    return known;
}

bool InputIdOf(const std::string &name, FileId *id) {
    return name == "-" ? HandleIdOf(GetStdHandle(STD_INPUT_HANDLE), id) : FileIdOf(PathOf(name), id);
}

struct Folder {
    fs::path path;
    FileId id;
};

Folder *OpenFolder(Folder *, const std::string &, const std::string &path, std::string *error) {
    Folder *folder = new Folder{PathOf(path), {0, 0}};
    std::error_code ec;
    if (!fs::is_directory(folder->path, ec)) {
        *error = ec ? ec.message() : std::generic_category().message(ENOTDIR);
        delete folder;
        return NULL;
    }
    FileIdOf(folder->path, &folder->id);
    return folder;
}

FileId FolderIdOf(const Folder *folder) {
    return folder->id;
}

bool ListFolder(Folder *folder, std::vector<FolderEntry> *entries, std::string *error) {
    std::error_code ec;
    fs::directory_iterator it(folder->path, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        FolderEntry entry;
        entry.name = NameOf(it->path().filename());
        std::error_code statusEc, linkEc;
        fs::file_status status = fs::status(it->path(), statusEc);
        entry.link = statusEc && fs::is_symlink(fs::symlink_status(it->path(), linkEc));
        entry.type = statusEc ? fs::file_type::none : status.type();
        entry.error = statusEc.value();
        entries->push_back(entry);
    }
    if (ec) *error = ec.message();
    return !ec;
}

bool EntryIdOf(const Folder *folder, const FolderEntry &entry, FileId *id) {
    return FileIdOf(folder->path / PathOf(entry.name), id); /* opening a file costs: only when asked */
}

void CloseFolder(Folder *folder) {
    delete folder;
}

static fs::file_type TypeOf(const std::string &name, std::string *error) {
    std::error_code ec;
    fs::file_status status = fs::status(PathOf(name), ec);
    if (ec) {
        *error = ec.message();
        return fs::file_type::none;
    }
    return status.type();
}

static FILE *Open(const std::string &name, std::string *error) {
    FILE *f = _wfopen(PathOf(name).wstring().c_str(), L"rb");
    if (f == NULL) *error = strerror(errno);
    return f;
}

FILE *OpenRegularFile(const std::string &name, std::string *error, fs::file_type *type) {
    *type = TypeOf(name, error);
    if (*type != fs::file_type::regular && *type != fs::file_type::none) return NULL;
    FILE *f = Open(name, error);
    if (f != NULL) *type = fs::file_type::regular;
    return f;
}

FILE *OpenInput(const std::string &name, std::string *error, fs::file_type *type) {
    if (name == "-") {
        *type = GetFileType(GetStdHandle(STD_INPUT_HANDLE)) == FILE_TYPE_DISK ? fs::file_type::regular
                                                                               : fs::file_type::fifo;
        return stdin;
    }
    *type = TypeOf(name, error);
    if (*type == fs::file_type::directory) {
        error->clear();
        return NULL;
    }
    FILE *f = Open(name, error);
    if (f != NULL && *type == fs::file_type::none) *type = fs::file_type::unknown;
    return f;
}

/* Not GetFileInformationByHandle: it also asks for the volume's serial
   number, which costs far more than the rest. */
bool StampOf(FILE *file, FileStamp *stamp) {
    HANDLE h = (HANDLE)_get_osfhandle(_fileno(file));
    LARGE_INTEGER size;
    FILETIME written;
    if (!GetFileSizeEx(h, &size) || !GetFileTime(h, NULL, NULL, &written)) return false;
    stamp->size = (uint64_t)size.QuadPart;
    stamp->modified = (int64_t)((uint64_t)written.dwHighDateTime << 32 | written.dwLowDateTime);
    return true;
}

bool ReadAt(FILE *file, uint64_t offset, void *buffer, size_t length) {
    bool placed = offset <= INT64_MAX && _fseeki64(file, (__int64)offset, SEEK_SET) == 0; /* a long is 32 bits here */
    return placed && fread(buffer, 1, length, file) == length;
}

void PrepareOutput(void) {
    SetErrorMode(SEM_NOGPFAULTERRORBOX); /* a crashing plug-in ends the run, with no window to wait on */
    _setmode(_fileno(stdout), _O_BINARY); /* the same bytes as on Linux */
    _setmode(_fileno(stderr), _O_BINARY);
    _setmode(_fileno(stdin), _O_BINARY);
}

static WriteResult Failed(DWORD code, std::string *error) {
    if (code == ERROR_NO_DATA || code == ERROR_BROKEN_PIPE || code == ERROR_PIPE_NOT_CONNECTED) return OUTPUT_CLOSED;
    if (error != NULL) *error = SystemErrorText(code);
    return WRITE_FAILED;
}

/* A console shows UTF-16 whatever its code page, which is left as it was. */
static WriteResult WriteConsoleText(HANDLE console, const char *text, size_t length, std::string *error) {
    int n = MultiByteToWideChar(CP_UTF8, 0, text, (int)length, NULL, 0);
    std::wstring wide((size_t)n, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text, (int)length, &wide[0], n);
    for (size_t at = 0; at < wide.size();) {
        size_t part = std::min(wide.size() - at, (size_t)8192); /* what old consoles take at once */
        if (at + part < wide.size() && IS_HIGH_SURROGATE(wide[at + part - 1])) part--;
        DWORD written = 0;
        if (!WriteConsoleW(console, wide.data() + at, (DWORD)part, &written, NULL) || written == 0)
            return Failed(GetLastError(), error);
        at += written;
    }
    return WRITTEN;
}

/* Whether standard input, output or error is a console: -1 not yet asked. */
static int consoles[3] = {-1, -1, -1};

/* Whether a stream is a console, asked once for the standard ones: each
   asking is a round trip under Wine. */
static bool IsConsole(FILE *stream, HANDLE h) {
    int *console = consoles;
    int fd = _fileno(stream);
    DWORD mode;
    if (fd < 0 || fd > 2) return GetConsoleMode(h, &mode) != 0;
    if (console[fd] < 0) console[fd] = GetConsoleMode(h, &mode) != 0;
    return console[fd] != 0;
}

WriteResult WriteAll(FILE *stream, const char *text, size_t length, std::string *error) {
    HANDLE h = (HANDLE)_get_osfhandle(_fileno(stream));
    if (IsConsole(stream, h)) return WriteConsoleText(h, text, length, error);
    for (size_t at = 0; at < length;) {
        DWORD written = 0;
        DWORD part = (DWORD)std::min(length - at, (size_t)1 << 20);
        if (!WriteFile(h, text + at, part, &written, NULL)) return Failed(GetLastError(), error);
        at += written;
    }
    return WRITTEN;
}

bool IsTerminal(FILE *stream) {
    return _isatty(_fileno(stream)) != 0;
}

size_t TerminalColumns(FILE *stream) {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!GetConsoleScreenBufferInfo((HANDLE)_get_osfhandle(_fileno(stream)), &info)) return 0;
    return (size_t)(info.srWindow.Right - info.srWindow.Left + 1); /* the window's, not the buffer's */
}

bool IsFile(FILE *stream) {
    HANDLE h = (HANDLE)_get_osfhandle(_fileno(stream));
    DWORD type = GetFileType(h), mode;
    return type == FILE_TYPE_DISK || (type == FILE_TYPE_CHAR && !GetConsoleMode(h, &mode)); /* NUL */
}

FILE *OpenOutputFile(const std::string &name, std::string *error) {
    FILE *f = _wfopen(PathOf(name).wstring().c_str(), L"wb");
    if (f == NULL) *error = strerror(errno);
    return f;
}

uint64_t Milliseconds(void) {
    return GetTickCount64();
}

static volatile LONG interrupted = 0;

static BOOL WINAPI OnControl(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
    return InterlockedExchange(&interrupted, 1) == 0; /* a second: Windows' default, the end */
}

void CatchInterrupt(void) {
    SetConsoleCtrlHandler(OnControl, TRUE);
}

bool InterruptRequested(void) {
    return interrupted != 0;
}

static void (*volatile crashWords)(void) = NULL;

/* The process ends as Windows ends it when no error window is wanted:
   with the exception's code, and no debugger started. */
static LONG WINAPI OnCrash(EXCEPTION_POINTERS *info) {
    void (*words)(void) = (void (*)(void))InterlockedExchangePointer((void *volatile *)&crashWords, NULL);
    if (words != NULL) words();
    TerminateProcess(GetCurrentProcess(), info->ExceptionRecord->ExceptionCode);
    return EXCEPTION_EXECUTE_HANDLER;
}

void WhenCrashing(void (*lastWords)(void)) {
    crashWords = lastWords;
    SetUnhandledExceptionFilter(OnCrash);
}

const char kPluginFileName[] = "plinorinfo.dll", kToolFileName[] = "plinorhost.exe";

std::string ProgramDirectory(void) {
    std::vector<wchar_t> path(32768);
    DWORD n = GetModuleFileNameW(NULL, path.data(), (DWORD)path.size());
    if (n == 0 || n >= path.size()) return ".";
    return NameOf(fs::path(std::wstring(path.data(), n)).parent_path());
}

/* Exactly the file named, from the current folder: a bare name would go
   to the DLL search path, which may hold another DLL of that name. */
void *OpenLibrary(const std::string &path, std::string *error) {
    std::wstring name = PathOf(path).wstring();
    DWORD n = GetFullPathNameW(name.c_str(), 0, NULL, NULL);
    std::wstring full(n, L'\0');
    n = n != 0 ? GetFullPathNameW(name.c_str(), n, &full[0], NULL) : 0;
    full.resize(n);
    HMODULE module = n != 0 ? LoadLibraryExW(full.c_str(), NULL, LOAD_WITH_ALTERED_SEARCH_PATH) : NULL;
    if (module == NULL) *error = SystemErrorText(GetLastError(), path);
    return (void *)module;
}

void *LibrarySymbol(void *library, const char *name) {
    return (void *)GetProcAddress((HMODULE)library, name);
}

void CloseLibrary(void *library) {
    FreeLibrary((HMODULE)library);
}

std::string LibraryFileVersion(const std::string &path) {
    std::wstring name = PathOf(path).wstring();
    DWORD ignored = 0, size = GetFileVersionInfoSizeW(name.c_str(), &ignored);
    std::vector<char> info(size);
    VS_FIXEDFILEINFO *fixed = NULL;
    UINT length = 0;
    if (size == 0 || !GetFileVersionInfoW(name.c_str(), 0, size, info.data()) ||
        !VerQueryValueW(info.data(), L"\\", (void **)&fixed, &length) || length < sizeof *fixed)
        return "";
    return std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." + std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
           std::to_string(HIWORD(fixed->dwFileVersionLS)) + "." + std::to_string(LOWORD(fixed->dwFileVersionLS));
}
