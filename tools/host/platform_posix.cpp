/* Platform on Linux (bytes as names, file descriptors, signals, dlopen) */
#include "platform.h"

#include <dirent.h>
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <limits.h>
#include <pthread.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace fs = std::filesystem;

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
    return folder + (folder.empty() || folder.back() == '/' ? "" : "/") + entry;
}

std::string MemberName(const std::string &archive, const std::string &member) {
    return JoinName(archive, member);
}

bool ExpandPattern(const std::string &, std::vector<std::string> *) {
    return false;
}

bool MatchesPattern(const std::string &pattern, const std::string &name) {
    return fnmatch(pattern.c_str(), name.c_str(), 0) == 0;
}

bool FileIdOf(const fs::path &folder, FileId *id) {
    struct stat st;
    if (stat(folder.c_str(), &st) != 0) return false;
    *id = {(uint64_t)st.st_dev, (uint64_t)st.st_ino};
    return true;
}

bool InputIdOf(const std::string &name, FileId *id) {
    struct stat st;
    if (name != "-") return FileIdOf(name, id);
    if (fstat(STDIN_FILENO, &st) != 0) return false;
    *id = {(uint64_t)st.st_dev, (uint64_t)st.st_ino};
    return true;
}

static fs::file_type TypeOf(mode_t mode);

struct Folder {
    int fd;
    FileId id;
};

Folder *OpenFolder(Folder *parent, const std::string &name, const std::string &path, std::string *error) {
    int fd = parent != NULL ? openat(parent->fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC) : -1;
    if (fd < 0) fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); /* out of descriptors: by its path */
    struct stat st;
    if (fd < 0 || fstat(fd, &st) != 0) {
        *error = strerror(errno);
        if (fd >= 0) close(fd);
        return NULL;
    }
    return new Folder{fd, {(uint64_t)st.st_dev, (uint64_t)st.st_ino}};
}

FileId FolderIdOf(const Folder *folder) {
    return folder->id;
}

static FolderEntry EntryOf(int folder, const char *name) {
    FolderEntry entry;
    entry.name = name;
    struct stat st, own;
    if (fstatat(folder, name, &st, 0) != 0) {
        entry.type = fs::file_type::none;
        entry.error = errno;
        entry.link = fstatat(folder, name, &own, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(own.st_mode);
        return entry;
    }
    entry.type = TypeOf(st.st_mode);
    entry.id = {(uint64_t)st.st_dev, (uint64_t)st.st_ino};
    return entry;
}

bool ListFolder(Folder *folder, std::vector<FolderEntry> *entries, std::string *error) {
    int fd = dup(folder->fd); /* closedir closes what fdopendir takes */
    DIR *dir = fd >= 0 ? fdopendir(fd) : NULL;
    if (dir == NULL) {
        *error = strerror(errno);
        if (fd >= 0) close(fd);
        return false;
    }
    rewinddir(dir);
    errno = 0;
    for (struct dirent *d; (d = readdir(dir)) != NULL; errno = 0)
        if (strcmp(d->d_name, ".") != 0 && strcmp(d->d_name, "..") != 0) entries->push_back(EntryOf(folder->fd, d->d_name));
    bool read = errno == 0;
    if (!read) *error = strerror(errno);
    closedir(dir);
    return read;
}

bool EntryIdOf(const Folder *, const FolderEntry &entry, FileId *id) {
    *id = entry.id;
    return entry.type != fs::file_type::none;
}

void CloseFolder(Folder *folder) {
    if (folder == NULL) return;
    close(folder->fd);
    delete folder;
}

static fs::file_type TypeOf(mode_t mode) {
    if (S_ISREG(mode)) return fs::file_type::regular;
    if (S_ISDIR(mode)) return fs::file_type::directory;
    if (S_ISFIFO(mode)) return fs::file_type::fifo;
    if (S_ISCHR(mode)) return fs::file_type::character;
    if (S_ISBLK(mode)) return fs::file_type::block;
    if (S_ISSOCK(mode)) return fs::file_type::socket;
    return fs::file_type::unknown;
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

FILE *OpenRegularFile(const std::string &name, std::string *error, fs::file_type *type) {
    struct stat st;
    *type = fs::file_type::none;
    int fd = OpenAndLook(name, O_NONBLOCK, &st, error); /* a FIFO must not make us wait */
    if (fd < 0) return NULL;
    *type = TypeOf(st.st_mode);
    if (*type != fs::file_type::regular) {
        close(fd);
        return NULL;
    }
    return Blocking(fd, error);
}

FILE *OpenInput(const std::string &name, std::string *error, fs::file_type *type) {
    struct stat st;
    *type = fs::file_type::none;
    if (name == "-") {
        *type = fstat(STDIN_FILENO, &st) == 0 ? TypeOf(st.st_mode) : fs::file_type::unknown;
        return stdin;
    }
    int fd = OpenAndLook(name, 0, &st, error); /* a pipe named on purpose may make us wait */
    if (fd < 0) return NULL;
    *type = TypeOf(st.st_mode);
    if (*type == fs::file_type::directory) {
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

bool ReadAt(FILE *file, uint64_t offset, void *buffer, size_t length) {
    bool placed = offset <= INT64_MAX && fseeko(file, (off_t)offset, SEEK_SET) == 0;
    return placed && fread(buffer, 1, length, file) == length;
}

void PrepareOutput(void) {
    signal(SIGPIPE, SIG_IGN); /* a closed pipe is then EPIPE, told apart from other failures */
    struct rlimit files;
    if (getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max) {
        files.rlim_cur = files.rlim_max; /* a folder open for each level of a deep walk */
        setrlimit(RLIMIT_NOFILE, &files);
    }
}

WriteResult WriteAll(FILE *stream, const char *text, size_t length, std::string *error) {
    for (size_t at = 0; at < length;) {
        ssize_t n = write(fileno(stream), text + at, length - at);
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

size_t TerminalColumns(FILE *stream) {
    struct winsize size;
    if (!isatty(fileno(stream)) || ioctl(fileno(stream), TIOCGWINSZ, &size) != 0) return 0;
    return size.ws_col;
}

bool IsFile(FILE *stream) {
    struct stat st;
    return fstat(fileno(stream), &st) == 0 && (S_ISREG(st.st_mode) || (S_ISCHR(st.st_mode) && !isatty(fileno(stream))));
}

FILE *OpenOutputFile(const std::string &name, std::string *error) {
    FILE *f = fopen(name.c_str(), "wb");
    if (f == NULL) *error = strerror(errno);
    return f;
}

uint64_t Milliseconds(void) {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
    return (uint64_t)now.tv_sec * 1000 + (uint64_t)now.tv_nsec / 1000000;
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

bool InterruptRequested(void) {
    return interrupted != 0;
}

static void (*crashWords)(void) = NULL;

/* Returning retries the faulting instruction, which then ends the process
   as it would have, the handler being reset. */
static void OnCrash(int) {
    void (*words)(void) = crashWords;
    crashWords = NULL;
    if (words != NULL) words();
}

void WhenCrashing(void (*lastWords)(void)) {
    crashWords = lastWords;
    struct sigaction action;
    memset(&action, 0, sizeof action);
    action.sa_handler = OnCrash;
    action.sa_flags = SA_RESETHAND | SA_NODEFER;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGSEGV, SIGBUS, SIGILL, SIGFPE}) sigaction(signal, &action, NULL);
}

struct Beside {
    pthread_t thread;
    void (*work)(void *);
    void *context;
};

static void *RunBeside(void *beside) {
    Beside *b = (Beside *)beside;
    b->work(b->context);
    return NULL;
}

Beside *StartBeside(void (*work)(void *context), void *context) {
    Beside *beside = new Beside{pthread_t(), work, context};
    if (pthread_create(&beside->thread, NULL, RunBeside, beside) == 0) return beside;
    delete beside;
    return NULL;
}

void JoinBeside(Beside *beside) {
    pthread_join(beside->thread, NULL);
    delete beside;
}

bool UserReadsJapanese(void) {
    for (const char *name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char *value = getenv(name);
        if (value != NULL && *value != '\0') return strncmp(value, "ja", 2) == 0;
    }
    return false;
}

bool ConsoleOfItsOwn(void) {
    const char *hook = getenv("PLINORHOST_CONSOLE_ALONE");
    return hook != NULL && strcmp(hook, "1") == 0;
}

void WaitForKey(void) {
    char key;
    while (read(STDIN_FILENO, &key, 1) < 0 && errno == EINTR) {
    }
}

std::string SystemErrorText(unsigned long code, const std::string &) {
    return strerror((int)code);
}

const char kPluginFileName[] = "plinorinfo.so", kToolFileName[] = "plinorhost";

std::string ProgramDirectory(void) {
    char path[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    std::string s(path, n > 0 ? (size_t)n : 0);
    size_t slash = s.find_last_of('/');
    return slash == std::string::npos ? "." : s.substr(0, slash);
}

void *OpenLibrary(const std::string &path, std::string *error) {
    /* a bare name would search the system's library path instead */
    std::string file = path.find('/') == std::string::npos ? "./" + path : path;
    void *library = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == NULL) *error = dlerror();
    return library;
}

void *LibrarySymbol(void *library, const char *name) {
    return dlsym(library, name);
}

void CloseLibrary(void *library) {
    dlclose(library);
}

std::string LibraryFileVersion(const std::string &) {
    return ""; /* shared objects carry no version resource */
}
