/* Catalogue memory (the module's allocations, with a seam for tests) */
#include "memory.h"

#include <stdlib.h>

int failingAllocations = 0;

static bool AllocationRefused(void) {
    if (failingAllocations <= 0) return false;
    failingAllocations--;
    return true;
}

void *AllocateZeroed(size_t size) {
    return AllocationRefused() ? NULL : calloc(1, size);
}

void *AllocateBytes(size_t size) {
    return AllocationRefused() ? NULL : malloc(size);
}

void ReleaseMemory(void *block) {
    free(block);
}
