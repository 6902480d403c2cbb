/* host_floor: the least work a host does to print every fact of the keys in a keys file */
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include <string>

#include "plinorinfo.h"

struct Queries {
    PlinorTextQuery text[4]; /* title, maker, genre, memo: the row's order */
    PlinorYearQuery year;
};

/* The whole (regular) file, NUL-terminated by std::string; false when unreadable. */
static bool ReadFile(const char *name, std::string *bytes) {
    FILE *f = fopen(name, "rb");
    if (f == NULL) return false;
    struct stat about;
    bool read = fstat(fileno(f), &about) == 0;
    if (read) bytes->resize((size_t)about.st_size);
    read = read && fread(&(*bytes)[0], 1, bytes->size(), f) == bytes->size();
    fclose(f);
    return read;
}

static bool Load(const char *path, Queries *q) {
    void *library = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (library == NULL) return false;
    const char *names[] = {"GetTitle", "GetMaker", "GetGenre", "GetMemo"};
    for (int i = 0; i < 4; i++) q->text[i] = (PlinorTextQuery)dlsym(library, names[i]);
    q->year = (PlinorYearQuery)dlsym(library, "GetYear");
    return q->text[0] && q->text[1] && q->text[2] && q->text[3] && q->year;
}

/* The two calls: the size, then the copy into a buffer of that size. The
   buffers are kept from row to row, as a host keeps its own. */
static bool Ask(PlinorTextQuery query, const char *catalogue, const char *key, std::string *answer) {
    int32_t size = query(catalogue, key, 0, NULL, 0);
    if (size == NOT_FOUND) return false;
    answer->resize((size_t)size);
    char *out = &(*answer)[0];
    query(catalogue, key, 0, &out, 1);
    return true;
}

/* One row, with the host tool's columns at fixed widths. */
static void Row(const Queries &q, const char *catalogue, const char *key, std::string answers[4]) {
    if (!Ask(q.text[0], catalogue, key, &answers[0])) {
        printf("%-8s  (not in the catalogue)\n", key);
        return;
    }
    for (int i = 1; i < 4; i++) Ask(q.text[i], catalogue, key, &answers[i]);
    int32_t year = q.year(catalogue, key, 0);
    char yearText[16] = "-"; /* 0: no date */
    if (year != 0) snprintf(yearText, sizeof yearText, "%d", year);
    printf("%-8s  %-40s  %-24s  %-16s  %-6s  %s\n", key, answers[0].c_str(), answers[1].c_str(),
           answers[2].c_str(), yearText, answers[3].c_str());
}

int main(int argc, char **argv) {
    if (argc != 4) {
        fprintf(stderr, "usage: host_floor PLUGIN CATALOGUE KEYS > rows\n");
        return 1;
    }
    Queries q;
    std::string catalogue, keys;
    if (!Load(argv[1], &q)) return fprintf(stderr, "host_floor: cannot load %s\n", argv[1]), 4;
    if (!ReadFile(argv[2], &catalogue) || !ReadFile(argv[3], &keys))
        return fprintf(stderr, "host_floor: cannot read %s or %s\n", argv[2], argv[3]), 2;
    static char output[1 << 20];
    setvbuf(stdout, output, _IOFBF, sizeof output);
    printf("%-8s  %-40s  %-24s  %-16s  %-6s  %s\n", "KEY", "TITLE", "MAKER", "GENRE", "YEAR", "MEMO");
    std::string answers[4];
    for (char *line = &keys[0], *end = line + keys.size(); line < end;) {
        char *feed = (char *)memchr(line, '\n', (size_t)(end - line));
        char *next = feed != NULL ? feed + 1 : end;
        char *stop = feed != NULL ? feed : end;
        if (stop > line && stop[-1] == '\r') stop--;
        *stop = '\0';
        if (stop > line) Row(q, catalogue.c_str(), line, answers);
        line = next;
    }
    return fflush(stdout) == 0 ? 0 : 5;
}
