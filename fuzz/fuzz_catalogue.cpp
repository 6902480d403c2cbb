/* Fuzz target: arbitrary bytes as the catalogue, keys cut from the same bytes */
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "fuzz_queries.h"

/* The input's last line, up to 20 bytes, and pieces of it serve as keys:
   long enough to reach the key-length limit, short enough to be padded. */
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FreshModule();
    char *catalogue = TerminatedCopy(data, size);
    const uint8_t *feed = (const uint8_t *)memrchr(data, '\n', size);
    size_t tail = feed != NULL ? size - (size_t)(feed + 1 - data) : size;
    if (tail > 20) tail = 20;
    char *keys[4];
    keys[0] = TerminatedCopy(data + size - tail, tail);
    keys[1] = TerminatedCopy(data + size - tail, tail / 2);
    keys[2] = TerminatedCopy(data, size < 8 ? size : 8);
    keys[3] = TerminatedCopy(data, 0);
    for (char *key : keys) AskEverything(catalogue, key);
    AskEverything(NULL, keys[0]);
    AskEverything(catalogue, NULL);
    for (char *key : keys) free(key);
    free(catalogue);
    return 0;
}
