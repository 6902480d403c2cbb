/* The DLL's imports (KERNEL32 and msvcrt as a one-thread process needs them) */
#ifndef PLINOR_WIN32_IMPORTS_H
#define PLINOR_WIN32_IMPORTS_H

#include <stddef.h>

/* The function or data to bind an import to; an import this file does not
   provide is bound to a trap that names it and aborts when called. */
const void *BindImport(const char *dll, const char *name);

/* Heap blocks the DLL holds through malloc, calloc and realloc. */
size_t LiveHeapBlocks(void);

#endif
