/* catgen: writes a made-up catalogue of N games to standard output */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "catalogue_generator.h"

int main(int argc, char **argv) {
    if (argc < 2 || atol(argv[1]) <= 0) {
        fprintf(stderr, "usage: catgen GAMES [--crlf] [--seed N] > data.dat\n");
        return 1;
    }
    bool crlf = false;
    uint64_t seed = 1;
    for (int i = 2; i < argc; i++) {
        if (strcmp(argv[i], "--crlf") == 0) crlf = true;
        else if (strcmp(argv[i], "--seed") == 0 && i + 1 < argc) seed = strtoull(argv[++i], NULL, 10);
    }
    std::string text = CatalogueText(GenerateGames((size_t)atol(argv[1]), seed), crlf ? "\r\n" : "\n");
    fwrite(text.data(), 1, text.size(), stdout);
    return 0;
}
