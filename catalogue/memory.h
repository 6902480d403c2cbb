/* Catalogue memory (the module's allocations, with a seam for tests) */
#ifndef PLINOR_MEMORY_H
#define PLINOR_MEMORY_H

#include <stddef.h>

/* Tests set this to make that many of the next allocations fail. */
extern int failingAllocations;

void *AllocateZeroed(size_t size);
void *AllocateBytes(size_t size);
void ReleaseMemory(void *block);

#endif
