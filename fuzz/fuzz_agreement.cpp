/* Fuzz target: the checker and the plug-in read arbitrary bytes alike */
#include <stdint.h>
#include <stdio.h>

#include <string>

#include "agreement.h"
#include "fuzz_queries.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FreshModule();
    std::string why = Disagreement(std::string((const char *)data, size));
    if (!why.empty()) {
        fprintf(stderr, "the checker disagrees with the plug-in: %s\n", why.c_str());
        __builtin_trap();
    }
    return 0;
}
