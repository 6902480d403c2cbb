/* PE32 images (a 32-bit Windows DLL mapped into this process as Windows maps it) */
#ifndef PLINOR_PE_IMAGE_H
#define PLINOR_PE_IMAGE_H

#include <stdint.h>

#include <string>

struct PeImage {
    uint8_t *base;          /* where the image is mapped, 0 when it is not */
    uint32_t size;          /* SizeOfImage */
    uint32_t preferredBase; /* ImageBase in the file */
    uint32_t entryRva;      /* AddressOfEntryPoint, 0 for none */
    uint32_t exportRva;
    uint32_t tlsRva;        /* the TLS directory, 0 for none */
    uint8_t *tlsBlock;      /* this thread's copy of the image's TLS template */
};

/* What an import is bound to: the function or data standing in for it. */
typedef const void *(*ImportBinder)(const char *dll, const char *name);

/* Maps the file at `base` (0: its preferred base), applies its relocations
   when it lands elsewhere, binds its imports through `bind` and gives each
   page its section's protection. False with the reason in *error. */
bool MapImage(const char *path, uint32_t base, ImportBinder bind, PeImage *image, std::string *error);

/* Runs the TLS callbacks, then the entry point, with DLL_PROCESS_ATTACH or
   DLL_PROCESS_DETACH, as the Windows loader does; each call through the
   checked call. False with the reason when one misbehaves or fails. */
bool NotifyImage(PeImage *image, uint32_t reason, std::string *error);

void UnmapImage(PeImage *image);

/* The address of a named export, or null. */
void *ExportAddress(const PeImage *image, const char *name);

/* The Windows page protection (PAGE_*) of an address inside the mapped
   image, or 0 outside it; VirtualQuery and VirtualProtect use it. */
uint32_t ImageProtection(const void *address);
void SetImageProtection(const void *address, uint32_t protection);

enum { DLL_PROCESS_DETACH = 0, DLL_PROCESS_ATTACH = 1 };

#endif
