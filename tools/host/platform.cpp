/* Platform (names, arguments, input, output and Ctrl-C alike on Linux and Windows) */
#include "platform.h"

#include <errno.h>
#include <signal.h>
#include <string.h>

#include <algorithm>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#include <shellapi.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

#ifdef _WIN32
static std::string Utf8(const wchar_t *wide) {
    int n = WideCharToMultiByte(CP_UTF8, 0, wide, -1, NULL, 0, NULL, NULL);
    std::string out(n > 0 ? (size_t)n : 1, '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, -1, &out[0], n, NULL, NULL);
    out.resize(strlen(out.c_str()));
    return out;
}

std::string WindowsErrorText(unsigned long code) {
    char text[256] = "";
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL, code, 0, text,
                   sizeof text, NULL);
    std::string why = text;
    why.erase(why.find_last_not_of(" \r\n") + 1);
    return (why.empty() ? "Windows error" : why) + " (" + std::to_string(code) + ")";
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
    bool ends = !folder.empty() && (folder.back() == '\\' || folder.back() == '/' ||
                                    (folder.size() == 2 && folder[1] == ':')); /* "C:" names C's current folder */
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

FILE *OpenRegularFile(const std::string &name, std::string *error, bool *notRegular) {
    std::error_code ec;
    fs::file_status status = fs::status(PathOf(name), ec);
    if (notRegular != NULL) *notRegular = !ec && !fs::is_regular_file(status);
    if (!ec && !fs::is_regular_file(status)) {
        *error = NotRegular(status.type());
        return NULL;
    }
    FILE *f = _wfopen(PathOf(name).wstring().c_str(), L"rb");
    if (f == NULL) *error = strerror(errno);
    return f;
}

FILE *OpenInput(const std::string &name, std::string *error) {
    if (name == "-") return stdin;
    std::error_code ec;
    if (fs::is_directory(PathOf(name), ec)) {
        *error = NotRegular(fs::file_type::directory);
        return NULL;
    }
    FILE *f = _wfopen(PathOf(name).wstring().c_str(), L"rb");
    if (f == NULL) *error = strerror(errno);
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

void PrepareOutput(void) {
    SetErrorMode(SEM_NOGPFAULTERRORBOX); /* a crashing plug-in ends the run, with no window to wait on */
    _setmode(_fileno(stdout), _O_BINARY); /* the same bytes as on Linux */
    _setmode(_fileno(stderr), _O_BINARY);
    _setmode(_fileno(stdin), _O_BINARY);
}

static WriteResult Failed(DWORD code, std::string *error) {
    if (code == ERROR_NO_DATA || code == ERROR_BROKEN_PIPE || code == ERROR_PIPE_NOT_CONNECTED) return OUTPUT_CLOSED;
    if (error != NULL) *error = WindowsErrorText(code);
    return WRITE_FAILED;
}

/* A console shows UTF-16 whatever its code page, which is left as it was. */
static WriteResult WriteConsoleText(HANDLE console, const std::string &text, std::string *error) {
    int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), (int)text.size(), NULL, 0);
    std::wstring wide((size_t)n, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), (int)text.size(), &wide[0], n);
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

/* Whether standard output or error is a console, asked once: each asking
   is a round trip under Wine, and a run writes a row at a time. */
static bool IsConsole(FILE *stream, HANDLE h) {
    static int console[3] = {-1, -1, -1};
    int fd = _fileno(stream);
    DWORD mode;
    if (fd < 0 || fd > 2) return GetConsoleMode(h, &mode) != 0;
    if (console[fd] < 0) console[fd] = GetConsoleMode(h, &mode) != 0;
    return console[fd] != 0;
}

WriteResult WriteAll(FILE *stream, const std::string &text, std::string *error) {
    HANDLE h = (HANDLE)_get_osfhandle(_fileno(stream));
    if (IsConsole(stream, h)) return WriteConsoleText(h, text, error);
    for (size_t at = 0; at < text.size();) {
        DWORD written = 0;
        DWORD part = (DWORD)std::min(text.size() - at, (size_t)1 << 20);
        if (!WriteFile(h, text.data() + at, part, &written, NULL)) return Failed(GetLastError(), error);
        at += written;
    }
    return WRITTEN;
}

bool IsTerminal(FILE *stream) {
    return _isatty(_fileno(stream)) != 0;
}

static volatile LONG interrupted = 0;

static BOOL WINAPI OnControl(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
    return InterlockedExchange(&interrupted, 1) == 0; /* a second: Windows' default, the end */
}

void CatchInterrupt(void) {
    SetConsoleCtrlHandler(OnControl, TRUE);
}

bool Interrupted(void) {
    return interrupted != 0;
}
#else
std::vector<std::string> Arguments(int argc, char **argv) {
    return std::vector<std::string>(argv, argv + argc);
}

fs::path PathOf(const std::string &name) {
    return fs::path(name);
}

std::string NameOf(const fs::path &path) {
    return path.string();
}

std::string JoinName(const std::string &folder, const std::string &entry) {
    return folder + (!folder.empty() && folder.back() == '/' ? "" : "/") + entry;
}

std::string MemberName(const std::string &archive, const std::string &member) {
    return JoinName(archive, member);
}

bool ExpandPattern(const std::string &, std::vector<std::string> *) {
    return false;
}

/* Opens for reading, and keeps what fstat says of it. */
static int OpenAndLook(const std::string &name, int flags, struct stat *st, std::string *error) {
    int fd = open(name.c_str(), O_RDONLY | O_CLOEXEC | flags);
    if (fd >= 0 && fstat(fd, st) == 0) return fd;
    *error = strerror(errno);
    if (fd >= 0) close(fd);
    return -1;
}

static FILE *Blocking(int fd, std::string *error) {
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    FILE *f = fdopen(fd, "rb");
    if (f == NULL) {
        *error = strerror(errno);
        close(fd);
    }
    return f;
}

FILE *OpenRegularFile(const std::string &name, std::string *error, bool *notRegular) {
    struct stat st;
    if (notRegular != NULL) *notRegular = false;
    int fd = OpenAndLook(name, O_NONBLOCK, &st, error); /* a FIFO must not make us wait */
    if (fd < 0) return NULL;
    if (!S_ISREG(st.st_mode)) {
        std::error_code ec;
        *error = NotRegular(fs::status(PathOf(name), ec).type()); /* only the wording may race */
        if (notRegular != NULL) *notRegular = true;
        close(fd);
        return NULL;
    }
    return Blocking(fd, error);
}

FILE *OpenInput(const std::string &name, std::string *error) {
    if (name == "-") return stdin;
    struct stat st;
    int fd = OpenAndLook(name, 0, &st, error); /* a pipe named on purpose may make us wait */
    if (fd < 0) return NULL;
    if (S_ISDIR(st.st_mode)) {
        *error = NotRegular(fs::file_type::directory);
        close(fd);
        return NULL;
    }
    return Blocking(fd, error);
}

bool StampOf(FILE *file, FileStamp *stamp) {
    struct stat st;
    if (fstat(fileno(file), &st) != 0) return false;
    stamp->size = (uint64_t)st.st_size;
    stamp->modified = (int64_t)st.st_mtim.tv_sec * 1000000000 + st.st_mtim.tv_nsec;
    return true;
}

void PrepareOutput(void) {
    signal(SIGPIPE, SIG_IGN); /* a closed pipe is then EPIPE, told apart from other failures */
}

WriteResult WriteAll(FILE *stream, const std::string &text, std::string *error) {
    fflush(stream);
    for (size_t at = 0; at < text.size();) {
        ssize_t n = write(fileno(stream), text.data() + at, text.size() - at);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EPIPE) return OUTPUT_CLOSED;
        if (n <= 0) {
            if (error != NULL) *error = strerror(n < 0 ? errno : EIO);
            return WRITE_FAILED;
        }
        at += (size_t)n;
    }
    return WRITTEN;
}

bool IsTerminal(FILE *stream) {
    return isatty(fileno(stream)) != 0;
}

static volatile sig_atomic_t interrupted = 0;

static void OnInterrupt(int) {
    interrupted = 1;
}

void CatchInterrupt(void) {
    struct sigaction action;
    memset(&action, 0, sizeof action);
    action.sa_handler = OnInterrupt;
    action.sa_flags = SA_RESETHAND; /* no SA_RESTART: a blocking read returns; a second Ctrl-C ends us */
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, NULL);
}

bool Interrupted(void) {
    return interrupted != 0;
}
#endif

const char *NotRegular(fs::file_type type) {
    switch (type) {
    case fs::file_type::directory: return "it is a directory";
    case fs::file_type::fifo: return "not a regular file: a FIFO";
    case fs::file_type::block: case fs::file_type::character: return "not a regular file: a device";
    case fs::file_type::socket: return "not a regular file: a socket";
    default: return "not a regular file";
    }
}

bool ChangedSince(FILE *file, const FileStamp &before) {
    FileStamp now;
    return !StampOf(file, &now) || now.size != before.size || now.modified != before.modified;
}

bool ReadAt(FILE *file, uint64_t offset, void *buffer, size_t length) {
#ifdef _WIN32
    bool placed = offset <= INT64_MAX && _fseeki64(file, (__int64)offset, SEEK_SET) == 0; /* a long is 32 bits there */
#else
    bool placed = offset <= INT64_MAX && fseeko(file, (off_t)offset, SEEK_SET) == 0;
#endif
    return placed && fread(buffer, 1, length, file) == length;
}
