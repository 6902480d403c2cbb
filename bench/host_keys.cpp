/* host_keys: a keys file for the host benchmark, one key in fifty a catalogue game's */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <random>
#include <string>
#include <unordered_set>
#include <vector>

enum { HIT_EVERY = 50 }; /* 2% of the keys are the catalogue's */

/* The catalogue's <crc32> values, in its order. */
static std::vector<std::string> CatalogueKeys(FILE *f) {
    std::vector<std::string> keys;
    char line[1024];
    while (fgets(line, sizeof line, f) != NULL) {
        const char *open = strstr(line, "<crc32>");
        const char *close = open != NULL ? strstr(open, "</crc32>") : NULL;
        if (close != NULL) keys.emplace_back(open + 7, close);
    }
    return keys;
}

int main(int argc, char **argv) {
    if (argc != 2 || atol(argv[1]) <= 0) {
        fprintf(stderr, "usage: host_keys COUNT < data.dat > keys.txt\n");
        return 1;
    }
    std::vector<std::string> known = CatalogueKeys(stdin);
    if (known.empty()) return fprintf(stderr, "host_keys: the catalogue has no <crc32>\n"), 2;
    std::unordered_set<std::string> taken(known.begin(), known.end());
    std::mt19937_64 random(20000); /* fixed: the same file every run */
    static char output[1 << 20];
    setvbuf(stdout, output, _IOFBF, sizeof output);
    long count = atol(argv[1]);
    for (long i = 0; i < count; i++) {
        if (i % HIT_EVERY == 0) {
            puts(known[random() % known.size()].c_str());
            continue;
        }
        char key[9];
        do snprintf(key, sizeof key, "%08X", (unsigned)(random() >> 32));
        while (taken.count(key) != 0);
        puts(key);
    }
    return fflush(stdout) == 0 ? 0 : 5;
}
