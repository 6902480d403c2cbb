/* The check (what the plug-in will make of a catalogue, for those who keep it) */
#include "checker.h"
#include "exit_status.h"
#include "files.h"
#include "output.h"
#include "print_check.h"
#include "run.h"

int RunCheck(const Settings &s) {
    Output output;
    output.language = s.language;
    std::string bytes, error;
    if (!ReadWholeFile(s.checked, MAX_INPUT_BYTES, &bytes, &error, s.language)) {
        Tell(&output, Say(s.language, M_CANNOT_READ_CATALOGUE, {s.checked, error}));
        return EXIT_CATALOGUE;
    }
    CheckReport report;
    CheckCatalogue(bytes, &report);
    Put(&output, s.format == FORMAT_JSON ? CheckJson(s.checked, report) : CheckText(s.checked, report, s.language));
    if (!Flush(&output)) return output.status;
    return report.findings.empty() ? EXIT_OK : EXIT_FINDINGS;
}
