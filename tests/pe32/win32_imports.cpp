/* The DLL's imports (KERNEL32 and msvcrt as a one-thread process needs them) */
#include "win32_imports.h"

#include <stdarg.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <sys/mman.h>
#include <unistd.h>

#include <set>

#include "pe_image.h"

/* The DLL calls with Windows' 4-byte stack alignment; the i386 C library
   may assume 16. */
#define WINAPI __attribute__((stdcall, force_align_arg_pointer))
#define CRTAPI __attribute__((cdecl, force_align_arg_pointer))

typedef uint32_t DWORD;
typedef int BOOL;

/* KERNEL32: one thread, so critical sections and TLS values are trivial. */
static void WINAPI CriticalSection(void *) {}
static BOOL WINAPI FreeLibrary(void *) { return 1; }
static DWORD WINAPI GetLastError(void) { return 0; }
static void *WINAPI GetModuleHandleA(const char *) { return NULL; }
static void *WINAPI GetProcAddress(void *, const char *) { return NULL; }
static void *WINAPI LoadLibraryA(const char *) { return NULL; }
static void WINAPI Sleep(DWORD) {}
static void *WINAPI TlsGetValue(DWORD) { return NULL; }

enum { MEM_COMMIT = 0x1000, MEM_PRIVATE = 0x20000, MEM_IMAGE = 0x1000000, PAGE_READWRITE = 4 };

struct MemoryBasicInformation {
    void *baseAddress, *allocationBase;
    DWORD allocationProtect, regionSize, state, protect, type;
};

/* One page at a time: enough for the start-up code, which asks in order to
   make a page writable and back. */
static DWORD WINAPI VirtualQuery(const void *address, MemoryBasicInformation *info, DWORD size) {
    if (size < sizeof *info) return 0;
    uint32_t inImage = ImageProtection(address);
    info->baseAddress = (void *)((uintptr_t)address & ~(uintptr_t)4095);
    info->allocationBase = info->baseAddress;
    info->protect = info->allocationProtect = inImage != 0 ? inImage : (uint32_t)PAGE_READWRITE;
    info->regionSize = 4096;
    info->state = MEM_COMMIT;
    info->type = inImage != 0 ? MEM_IMAGE : MEM_PRIVATE;
    return sizeof *info;
}

static BOOL WINAPI VirtualProtect(void *address, DWORD size, DWORD protection, DWORD *old) {
    if (old == NULL) return 0;
    uintptr_t first = (uintptr_t)address & ~(uintptr_t)4095;
    *old = ImageProtection(address);
    if (*old == 0) return 0; /* only the image's own pages are ever changed */
    for (uintptr_t page = first; page < (uintptr_t)address + size; page += 4096)
        SetImageProtection((const void *)page, protection);
    return 1;
}

/* msvcrt: cdecl over the i386 C library, with a ledger of the heap. */
static std::set<void *> liveBlocks;

size_t LiveHeapBlocks(void) { return liveBlocks.size(); }

static void *Track(void *block) {
    if (block != NULL) liveBlocks.insert(block);
    return block;
}

static void *CRTAPI Malloc(size_t n) { return Track(malloc(n)); }
static void *CRTAPI Calloc(size_t n, size_t size) { return Track(calloc(n, size)); }
static void *CRTAPI Realloc(void *block, size_t n) {
    void *moved = realloc(block, n);
    if (moved != NULL || n == 0) liveBlocks.erase(block);
    return Track(moved);
}
static void CRTAPI Free(void *block) {
    if (block != NULL && liveBlocks.erase(block) == 0) {
        fprintf(stderr, "pe32: the DLL freed %p, which it never allocated\n", block);
        abort();
    }
    free(block);
}
static void *CRTAPI Memcpy(void *to, const void *from, size_t n) { return memcpy(to, from, n); }
static size_t CRTAPI Strlen(const char *s) { return strlen(s); }
static int CRTAPI Strncmp(const char *a, const char *b, size_t n) { return strncmp(a, b, n); }
static void CRTAPI Lock(int) {}
static void CRTAPI Abort(void) { abort(); }
static void CRTAPI AmsgExit(int code) {
    fprintf(stderr, "pe32: the DLL's runtime stopped with message %d\n", code);
    abort();
}

typedef void (*InitFunction)(void);
static void CRTAPI Initterm(InitFunction *first, InitFunction *last) {
    for (; first < last; first++)
        if (*first != NULL) (*first)();
}

/* msvcrt's FILE is 32 bytes; the DLL names stderr as &_iob[2]. */
static unsigned char iob[3][32];

static FILE *StreamOf(void *file) {
    return file == iob[1] ? stdout : file == iob[0] ? stdin : stderr;
}
static size_t CRTAPI Fwrite(const void *data, size_t size, size_t n, void *file) {
    return fwrite(data, size, n, StreamOf(file));
}
static int CRTAPI Vfprintf(void *file, const char *format, va_list args) {
    return vfprintf(StreamOf(file), format, args); /* both pass the arguments as a pointer */
}

struct Binding {
    const char *dll, *name;
    const void *address;
};

static const Binding kBindings[] = {
    {"kernel32.dll", "DeleteCriticalSection", (const void *)CriticalSection},
    {"kernel32.dll", "EnterCriticalSection", (const void *)CriticalSection},
    {"kernel32.dll", "InitializeCriticalSection", (const void *)CriticalSection},
    {"kernel32.dll", "LeaveCriticalSection", (const void *)CriticalSection},
    {"kernel32.dll", "FreeLibrary", (const void *)FreeLibrary},
    {"kernel32.dll", "GetLastError", (const void *)GetLastError},
    {"kernel32.dll", "GetModuleHandleA", (const void *)GetModuleHandleA},
    {"kernel32.dll", "GetProcAddress", (const void *)GetProcAddress},
    {"kernel32.dll", "LoadLibraryA", (const void *)LoadLibraryA},
    {"kernel32.dll", "Sleep", (const void *)Sleep},
    {"kernel32.dll", "TlsGetValue", (const void *)TlsGetValue},
    {"kernel32.dll", "VirtualProtect", (const void *)VirtualProtect},
    {"kernel32.dll", "VirtualQuery", (const void *)VirtualQuery},
    {"msvcrt.dll", "_amsg_exit", (const void *)AmsgExit},
    {"msvcrt.dll", "_initterm", (const void *)Initterm},
    {"msvcrt.dll", "_iob", (const void *)iob},
    {"msvcrt.dll", "_lock", (const void *)Lock},
    {"msvcrt.dll", "_unlock", (const void *)Lock},
    {"msvcrt.dll", "abort", (const void *)Abort},
    {"msvcrt.dll", "calloc", (const void *)Calloc},
    {"msvcrt.dll", "free", (const void *)Free},
    {"msvcrt.dll", "fwrite", (const void *)Fwrite},
    {"msvcrt.dll", "malloc", (const void *)Malloc},
    {"msvcrt.dll", "memcpy", (const void *)Memcpy},
    {"msvcrt.dll", "realloc", (const void *)Realloc},
    {"msvcrt.dll", "strlen", (const void *)Strlen},
    {"msvcrt.dll", "strncmp", (const void *)Strncmp},
    {"msvcrt.dll", "vfprintf", (const void *)Vfprintf},
};

extern "C" CRTAPI __attribute__((noreturn)) void UnboundImportCalled(const char *what) {
    fprintf(stderr, "pe32: the DLL called %s, which the loader does not provide\n", what);
    abort();
}

/* A trap for one unknown import: push "dll!name", call UnboundImportCalled. */
static const void *Trap(const char *dll, const char *name) {
    static uint8_t *code = NULL;
    static size_t used = 0;
    enum { TRAP_SIZE = 12, CODE_SIZE = 4096 };
    if (code == NULL || used + TRAP_SIZE > CODE_SIZE) {
        code = (uint8_t *)mmap(NULL, CODE_SIZE, PROT_READ | PROT_WRITE | PROT_EXEC,
                               MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        used = 0;
        if (code == MAP_FAILED) abort();
    }
    char *what = (char *)malloc(strlen(dll) + strlen(name) + 2); /* lives as long as the process */
    sprintf(what, "%s!%s", dll, name);
    uint32_t text = (uint32_t)(uintptr_t)what, target = (uint32_t)(uintptr_t)UnboundImportCalled;
    uint8_t *t = code + used;
    t[0] = 0x68; /* push imm32 */
    memcpy(t + 1, &text, 4);
    t[5] = 0xB8; /* mov eax, imm32 */
    memcpy(t + 6, &target, 4);
    t[10] = 0xFF; /* call eax */
    t[11] = 0xD0;
    used += TRAP_SIZE;
    return t;
}

const void *BindImport(const char *dll, const char *name) {
    for (const Binding &b : kBindings)
        if (strcasecmp(b.dll, dll) == 0 && strcmp(b.name, name) == 0) return b.address;
    return Trap(dll, name);
}
