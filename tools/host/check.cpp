/* The check (what the plug-in will make of a catalogue, for those who keep it) */
#include <errno.h>
#include <string.h>

#include <new>

#include "checker.h"
#include "exit_status.h"
#include "files.h"
#include "output.h"
#include "print_check.h"
#include "run.h"

/* The catalogue a megabyte at a time, checked as it comes: memory stays
   flat whatever its size. False with the reason. */
static bool CheckFile(const Settings &s, CheckReport *report, std::string *error) {
    std::filesystem::file_type type;
    uint64_t size;
    FILE *f = OpenBoundedInput(s.checked, MAX_INPUT_BYTES, error, &type, &size, s.language);
    if (f == NULL) return false;
    CheckOptions options;
    options.language = s.language;
    options.keys = s.checkedKeys;
    CatalogueCheck *check = StartCheck(report, options);
    std::vector<char> chunk(1 << 20);
    size_t n, total = 0;
    while ((n = fread(chunk.data(), 1, chunk.size(), f)) > 0 && (total += n) <= MAX_INPUT_BYTES)
        CheckBytes(check, chunk.data(), n);
    bool failed = ferror(f) != 0;
    if (failed) *error = strerror(errno);
    else if (total > MAX_INPUT_BYTES) *error = TooLarge(MAX_INPUT_BYTES, s.language);
    if (f != stdin) fclose(f);
    EndCheck(check);
    return !failed && total <= MAX_INPUT_BYTES;
}

static int CheckAll(const Settings &s);

int RunCheck(const Settings &s) {
    try {
        return CheckAll(s);
    } catch (const std::bad_alloc &) {
        Output output;
        Tell(&output, MessageText(M_OUT_OF_MEMORY, s.language));
        return EXIT_CATALOGUE;
    }
}

static int CheckAll(const Settings &s) {
    Output output;
    output.language = s.language;
    std::string error;
    CheckReport report;
    if (!CheckFile(s, &report, &error)) {
        Tell(&output, Say(s.language, M_CANNOT_READ_CATALOGUE, {s.checked, error}));
        return EXIT_CATALOGUE;
    }
    Put(&output, s.format == FORMAT_JSON ? CheckJson(s.checked, report) : CheckText(s.checked, report, s.language));
    if (!Flush(&output)) return output.status;
    return report.findings.empty() ? EXIT_OK : EXIT_FINDINGS;
}
