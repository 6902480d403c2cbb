/* Platform (names, arguments and output in UTF-8 on Linux and Windows alike) */
#include "platform.h"

#include <errno.h>
#include <string.h>

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

std::vector<std::string> Arguments(int, char **) {
    int count = 0;
    wchar_t **wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> args;
    for (int i = 0; i < count; i++) args.push_back(Utf8(wide[i]));
    LocalFree(wide);
    return args;
}

fs::path PathOf(const std::string &name) {
    return fs::u8path(name);
}

std::string NameOf(const fs::path &path) {
    return path.u8string();
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

static UINT consoleCodePage = 0;

static void RestoreConsole(void) {
    SetConsoleOutputCP(consoleCodePage);
}

void PrepareOutput(void) {
    _setmode(_fileno(stdout), _O_BINARY); /* the same bytes as on Linux */
    _setmode(_fileno(stderr), _O_BINARY);
    _setmode(_fileno(stdin), _O_BINARY);
    consoleCodePage = GetConsoleOutputCP();
    if (consoleCodePage != 0 && consoleCodePage != CP_UTF8) {
        SetConsoleOutputCP(CP_UTF8);
        atexit(RestoreConsole);
    }
}

bool IsTerminal(FILE *stream) {
    return _isatty(_fileno(stream)) != 0;
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

FILE *OpenRegularFile(const std::string &name, std::string *error, bool *notRegular) {
    int fd = open(name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC); /* a FIFO must not hold us */
    struct stat st;
    if (notRegular != NULL) *notRegular = false;
    if (fd < 0 || fstat(fd, &st) != 0) {
        *error = strerror(errno);
        if (fd >= 0) close(fd);
        return NULL;
    }
    if (!S_ISREG(st.st_mode)) {
        std::error_code ec;
        *error = NotRegular(fs::status(PathOf(name), ec).type()); /* only the wording may race */
        if (notRegular != NULL) *notRegular = true;
        close(fd);
        return NULL;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    FILE *f = fdopen(fd, "rb");
    if (f == NULL) {
        *error = strerror(errno);
        close(fd);
    }
    return f;
}

void PrepareOutput(void) {}

bool IsTerminal(FILE *stream) {
    return isatty(fileno(stream)) != 0;
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

bool WriteAll(FILE *stream, const std::string &text) {
    bool ok = fwrite(text.data(), 1, text.size(), stream) == text.size();
    return fflush(stream) == 0 && ok && !ferror(stream);
}
