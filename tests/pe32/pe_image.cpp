/* PE32 images (a 32-bit Windows DLL mapped into this process as Windows maps it) */
#include "pe_image.h"

#include <asm/ldt.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <vector>

#include "checked_call.h"

enum { PAGE = 4096 };

/* Windows page protections */
enum {
    PAGE_NOACCESS = 0x01, PAGE_READONLY = 0x02, PAGE_READWRITE = 0x04, PAGE_WRITECOPY = 0x08,
    PAGE_EXECUTE = 0x10, PAGE_EXECUTE_READ = 0x20, PAGE_EXECUTE_READWRITE = 0x40,
    PAGE_EXECUTE_WRITECOPY = 0x80
};

enum { DIR_EXPORT = 0, DIR_IMPORT = 1, DIR_RELOC = 5, DIR_TLS = 9 };

static const PeImage *mapped; /* one image at a time */
static std::vector<uint32_t> pageProtection;

/* The file's bytes with bounds-checked reads: a damaged file fails, never faults. */
struct FileView {
    std::vector<uint8_t> bytes;
    bool ok = true;
    uint32_t U32(size_t at) { return Fits(at, 4) ? Read<uint32_t>(at) : 0; }
    uint16_t U16(size_t at) { return Fits(at, 2) ? Read<uint16_t>(at) : 0; }
    bool Fits(size_t at, size_t n) {
        if (at > bytes.size() || n > bytes.size() - at) ok = false;
        return ok;
    }
    template <typename T> T Read(size_t at) {
        T value;
        memcpy(&value, &bytes[at], sizeof value);
        return value;
    }
};

struct Section {
    uint32_t rva, virtualSize, rawSize, rawOffset, characteristics;
};

struct Headers {
    uint32_t optional, sections, sectionCount, headersSize, directoryCount;
};

static uint32_t Protection(uint32_t characteristics) {
    bool x = characteristics & 0x20000000, r = characteristics & 0x40000000,
         w = characteristics & 0x80000000;
    if (x) return w ? PAGE_EXECUTE_READWRITE : r ? PAGE_EXECUTE_READ : PAGE_EXECUTE;
    if (w) return PAGE_READWRITE;
    return r ? PAGE_READONLY : PAGE_NOACCESS;
}

static int PosixProtection(uint32_t protection) {
    switch (protection) {
    case PAGE_READONLY: return PROT_READ;
    case PAGE_READWRITE: case PAGE_WRITECOPY: return PROT_READ | PROT_WRITE;
    case PAGE_EXECUTE: return PROT_EXEC;
    case PAGE_EXECUTE_READ: return PROT_READ | PROT_EXEC;
    case PAGE_EXECUTE_READWRITE: case PAGE_EXECUTE_WRITECOPY: return PROT_READ | PROT_WRITE | PROT_EXEC;
    default: return PROT_NONE;
    }
}

static bool Fail(std::string *error, const std::string &why) {
    *error = why;
    return false;
}

static bool ReadHeaders(FileView &file, Headers *h, std::string *error) {
    if (file.U16(0) != 0x5A4D) return Fail(error, "no MZ header");
    uint32_t pe = file.U32(0x3C);
    if (file.U32(pe) != 0x00004550) return Fail(error, "no PE signature");
    if (file.U16(pe + 4) != 0x14C) return Fail(error, "not an i386 image");
    h->sectionCount = file.U16(pe + 6);
    h->optional = pe + 24;
    if (file.U16(h->optional) != 0x10B) return Fail(error, "not PE32");
    h->sections = h->optional + file.U16(pe + 20);
    h->headersSize = file.U32(h->optional + 60);
    h->directoryCount = file.U32(h->optional + 92);
    if (!file.ok) return Fail(error, "truncated headers");
    return true;
}

/* A data directory's address; its size too when asked. */
static uint32_t Directory(FileView &file, const Headers &h, int index, uint32_t *size = NULL) {
    if (size != NULL) *size = (uint32_t)index < h.directoryCount ? file.U32(h.optional + 96 + 8 * index + 4) : 0;
    return (uint32_t)index < h.directoryCount ? file.U32(h.optional + 96 + 8 * index) : 0;
}

/* Whether n bytes at rva lie inside the image. */
static bool InImage(const PeImage *image, uint32_t rva, uint32_t n) {
    return rva <= image->size && n <= image->size - rva;
}

static bool CopySections(FileView &file, const Headers &h, PeImage *image,
                         std::vector<Section> *sections, std::string *error) {
    if (!InImage(image, 0, h.headersSize) || !file.Fits(0, h.headersSize))
        return Fail(error, "headers larger than the image");
    memcpy(image->base, file.bytes.data(), h.headersSize);
    for (uint32_t i = 0; i < h.sectionCount; i++) {
        uint32_t at = h.sections + 40 * i;
        Section s = {file.U32(at + 12), file.U32(at + 8), file.U32(at + 16), file.U32(at + 20),
                     file.U32(at + 36)};
        uint32_t copy = s.virtualSize != 0 && s.virtualSize < s.rawSize ? s.virtualSize : s.rawSize;
        if (!file.ok || !InImage(image, s.rva, copy) || !InImage(image, s.rva, s.virtualSize) ||
            (copy != 0 && !file.Fits(s.rawOffset, copy)))
            return Fail(error, "section " + std::to_string(i) + " lies outside the file or image");
        if (copy != 0) memcpy(image->base + s.rva, &file.bytes[s.rawOffset], copy);
        sections->push_back(s);
    }
    return true;
}

static bool Relocate(PeImage *image, uint32_t rva, uint32_t size, std::string *error) {
    uint32_t delta = (uint32_t)(uintptr_t)image->base - image->preferredBase;
    if (delta == 0) return true;
    if (rva == 0 || !InImage(image, rva, size)) return Fail(error, "moved, but it has no relocations");
    for (uint32_t at = rva; at + 8 <= rva + size;) {
        uint32_t page, blockSize;
        memcpy(&page, image->base + at, 4);
        memcpy(&blockSize, image->base + at + 4, 4);
        if (blockSize < 8 || at + blockSize > rva + size) return Fail(error, "bad relocation block");
        for (uint32_t e = at + 8; e + 2 <= at + blockSize; e += 2) {
            uint16_t entry;
            memcpy(&entry, image->base + e, 2);
            uint32_t type = entry >> 12, target = page + (entry & 0xFFFu);
            if (type == 0) continue; /* padding */
            if (type != 3 || !InImage(image, target, 4))
                return Fail(error, "relocation of type " + std::to_string(type));
            uint32_t value;
            memcpy(&value, image->base + target, 4);
            value += delta;
            memcpy(image->base + target, &value, 4);
        }
        at += blockSize;
    }
    return true;
}

/* A NUL-terminated name at rva, or null when it runs off the image. */
static const char *NameAt(const PeImage *image, uint32_t rva) {
    if (!InImage(image, rva, 1)) return NULL;
    const void *end = memchr(image->base + rva, '\0', image->size - rva);
    return end != NULL ? (const char *)image->base + rva : NULL;
}

static bool BindImports(PeImage *image, uint32_t rva, ImportBinder bind, std::string *error) {
    for (uint32_t d = rva; rva != 0; d += 20) {
        if (!InImage(image, d, 20)) return Fail(error, "import directory runs off the image");
        uint32_t descriptor[5];
        memcpy(descriptor, image->base + d, sizeof descriptor);
        if (descriptor[3] == 0) break;
        const char *dll = NameAt(image, descriptor[3]);
        uint32_t lookup = descriptor[0] != 0 ? descriptor[0] : descriptor[4], iat = descriptor[4];
        if (dll == NULL) return Fail(error, "bad import name");
        for (uint32_t i = 0;; i++) {
            if (!InImage(image, lookup + 4 * i, 4) || !InImage(image, iat + 4 * i, 4))
                return Fail(error, std::string("import table of ") + dll + " runs off the image");
            uint32_t thunk;
            memcpy(&thunk, image->base + lookup + 4 * i, 4);
            if (thunk == 0) break;
            std::string name = thunk & 0x80000000u ? "#" + std::to_string(thunk & 0xFFFF) : "";
            if (name.empty()) {
                const char *n = NameAt(image, thunk + 2); /* after the hint */
                if (n == NULL) return Fail(error, std::string("bad import name in ") + dll);
                name = n;
            }
            uint32_t address = (uint32_t)(uintptr_t)bind(dll, name.c_str());
            memcpy(image->base + iat + 4 * i, &address, 4);
        }
    }
    return true;
}

/* The mingw start-up code finds its thread through %fs:0x18, as on
   Windows: %fs points at a fake thread information block. */
static uint32_t threadBlock[1024] __attribute__((aligned(4096)));
static void *tlsSlots[64];

static bool PointFsAtThreadBlock(std::string *error) {
    static bool done = false;
    if (done) return true;
    threadBlock[0x04 / 4] = (uint32_t)(uintptr_t)&threadBlock[1024]; /* StackBase: any non-zero */
    threadBlock[0x18 / 4] = (uint32_t)(uintptr_t)threadBlock;         /* Self */
    threadBlock[0x2C / 4] = (uint32_t)(uintptr_t)tlsSlots;            /* ThreadLocalStoragePointer */
    struct user_desc d;
    memset(&d, 0, sizeof d);
    d.entry_number = 0;
    d.base_addr = (unsigned)(uintptr_t)threadBlock;
    d.limit = sizeof threadBlock - 1;
    d.seg_32bit = 1;
    d.useable = 1;
    if (syscall(SYS_modify_ldt, 1, &d, sizeof d) != 0) return Fail(error, "modify_ldt failed");
    unsigned short selector = (0 << 3) | 4 | 3; /* entry 0, in the LDT, ring 3 */
    __asm__ volatile("movw %0, %%fs" : : "r"(selector));
    return done = true;
}

/* The image's TLS template copied for this (the only) thread, at index 0. */
static bool SetUpTls(PeImage *image, std::string *error) {
    if (image->tlsRva == 0) return true;
    if (!InImage(image, image->tlsRva, 24)) return Fail(error, "bad TLS directory");
    uint32_t dir[6];
    memcpy(dir, image->base + image->tlsRva, sizeof dir);
    uint32_t base = (uint32_t)(uintptr_t)image->base, start = dir[0] - base, end = dir[1] - base;
    if (end < start || !InImage(image, start, end - start) || !InImage(image, dir[2] - base, 4))
        return Fail(error, "bad TLS template");
    image->tlsBlock = (uint8_t *)calloc(1, end - start + dir[4] + 1);
    memcpy(image->tlsBlock, image->base + start, end - start);
    uint32_t index = 0;
    memcpy(image->base + dir[2] - base, &index, 4);
    tlsSlots[index] = image->tlsBlock;
    return true;
}

static void ProtectPages(PeImage *image, const std::vector<Section> &sections, uint32_t headersSize) {
    pageProtection.assign(image->size / PAGE, PAGE_NOACCESS);
    for (uint32_t p = 0; p * PAGE < headersSize && p < pageProtection.size(); p++)
        pageProtection[p] = PAGE_READONLY;
    for (const Section &s : sections) {
        uint32_t size = s.virtualSize != 0 ? s.virtualSize : s.rawSize;
        for (uint32_t p = s.rva / PAGE; p * PAGE < s.rva + size && p < pageProtection.size(); p++)
            pageProtection[p] = Protection(s.characteristics);
    }
    for (uint32_t p = 0; p < pageProtection.size(); p++)
        mprotect(image->base + p * PAGE, PAGE, PosixProtection(pageProtection[p]));
}

bool MapImage(const char *path, uint32_t base, ImportBinder bind, PeImage *image, std::string *error) {
    memset(image, 0, sizeof *image);
    if (mapped != NULL) return Fail(error, "another image is mapped");
    std::ifstream in(path, std::ios::binary);
    if (!in) return Fail(error, std::string("cannot read ") + path);
    FileView file;
    file.bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    Headers h;
    if (!ReadHeaders(file, &h, error)) return false;
    image->preferredBase = file.U32(h.optional + 28);
    image->entryRva = file.U32(h.optional + 16);
    image->size = (file.U32(h.optional + 56) + PAGE - 1) / PAGE * PAGE;
    uint32_t relocSize;
    image->exportRva = Directory(file, h, DIR_EXPORT);
    uint32_t relocRva = Directory(file, h, DIR_RELOC, &relocSize);
    uint32_t importRva = Directory(file, h, DIR_IMPORT);
    image->tlsRva = Directory(file, h, DIR_TLS);
    if (!file.ok || image->size == 0) return Fail(error, "truncated optional header");

    uint32_t want = base != 0 ? base : image->preferredBase;
    void *at = mmap((void *)(uintptr_t)want, image->size, PROT_READ | PROT_WRITE,
                    MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (at == MAP_FAILED) return Fail(error, "cannot map the image");
    image->base = (uint8_t *)at;
    if ((uint32_t)(uintptr_t)at != want) {
        UnmapImage(image);
        return Fail(error, "the address range at the wanted base is taken");
    }
    std::vector<Section> sections;
    bool ok = CopySections(file, h, image, &sections, error) &&
              Relocate(image, relocRva, relocSize, error) && BindImports(image, importRva, bind, error) &&
              PointFsAtThreadBlock(error) && SetUpTls(image, error);
    if (!ok) {
        UnmapImage(image);
        return false;
    }
    ProtectPages(image, sections, h.headersSize);
    mapped = image;
    return true;
}

/* A TLS callback or the entry point, called as Windows calls it. */
static bool Notify(PeImage *image, uint32_t function, uint32_t reason, bool isEntry,
                   std::string *error) {
    uint32_t args[3] = {(uint32_t)(uintptr_t)image->base, reason, 0};
    CallCheck check;
    uint32_t result = CallStdcall((const void *)(uintptr_t)function, args, 3, &check);
    std::string problem = CallProblems(check, 12);
    const char *what = isEntry ? "the entry point" : "a TLS callback";
    if (!problem.empty()) return Fail(error, std::string(what) + ": " + problem);
    if (isEntry && result == 0) /* a refused attach fails the load on Windows */
        return Fail(error, std::string(what) + " returned FALSE");
    return true;
}

bool NotifyImage(PeImage *image, uint32_t reason, std::string *error) {
    uint32_t base = (uint32_t)(uintptr_t)image->base;
    if (image->tlsRva != 0) {
        uint32_t callbacks;
        memcpy(&callbacks, image->base + image->tlsRva + 12, 4);
        for (uint32_t at = callbacks - base;; at += 4) {
            uint32_t callback;
            if (!InImage(image, at, 4)) return Fail(error, "TLS callbacks run off the image");
            memcpy(&callback, image->base + at, 4);
            if (callback == 0) break;
            if (!Notify(image, callback, reason, false, error)) return false;
        }
    }
    return image->entryRva == 0 || Notify(image, base + image->entryRva, reason, true, error);
}

void UnmapImage(PeImage *image) {
    if (image->base != NULL) munmap(image->base, image->size);
    free(image->tlsBlock);
    tlsSlots[0] = NULL;
    if (mapped == image) mapped = NULL;
    memset(image, 0, sizeof *image);
}

void *ExportAddress(const PeImage *image, const char *name) {
    if (image->base == NULL || !InImage(image, image->exportRva, 40)) return NULL;
    uint32_t dir[10];
    memcpy(dir, image->base + image->exportRva, sizeof dir);
    uint32_t functions = dir[7], names = dir[8], ordinals = dir[9];
    for (uint32_t i = 0; i < dir[6]; i++) {
        uint32_t nameRva, function;
        uint16_t ordinal;
        if (!InImage(image, names + 4 * i, 4) || !InImage(image, ordinals + 2 * i, 2)) return NULL;
        memcpy(&nameRva, image->base + names + 4 * i, 4);
        const char *n = NameAt(image, nameRva);
        if (n == NULL || strcmp(n, name) != 0) continue;
        memcpy(&ordinal, image->base + ordinals + 2 * i, 2);
        if (ordinal >= dir[5] || !InImage(image, functions + 4 * ordinal, 4)) return NULL;
        memcpy(&function, image->base + functions + 4 * ordinal, 4);
        return InImage(image, function, 1) ? image->base + function : NULL;
    }
    return NULL;
}

static bool InMapped(const void *address, uint32_t *page) {
    if (mapped == NULL) return false;
    uintptr_t a = (uintptr_t)address, base = (uintptr_t)mapped->base;
    if (a < base || a - base >= mapped->size) return false;
    *page = (uint32_t)((a - base) / PAGE);
    return true;
}

uint32_t ImageProtection(const void *address) {
    uint32_t page;
    return InMapped(address, &page) ? pageProtection[page] : 0;
}

void SetImageProtection(const void *address, uint32_t protection) {
    uint32_t page;
    if (!InMapped(address, &page)) return;
    pageProtection[page] = protection;
    mprotect(mapped->base + page * PAGE, PAGE, PosixProtection(protection));
}
