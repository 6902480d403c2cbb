/* The command line (read once into settings; CLI11 stays inside this unit) */
#ifndef PLINORHOST_COMMAND_LINE_H
#define PLINORHOST_COMMAND_LINE_H

#include <optional>
#include <string>
#include <vector>

#include "settings.h"

struct CommandLine {
    Settings settings;
    std::optional<int> stop; /* set: the run ends here with this status */
    std::string help;        /* for standard output when it stops */
    std::string error;       /* a usage error, for standard error when it stops */
};

/* The arguments, program name first, read in the language the user reads
   unless --lang says otherwise. Usage is judged by the arguments alone:
   what the file system says is for the stages that open things. */
CommandLine ParseCommandLine(const std::vector<std::string> &args, Language language);

/* --lang, looked for before anything else, since the help is in its
   language: false, with the value in *bad, when it names none we have. */
bool LanguageGiven(const std::vector<std::string> &args, Language *language, std::string *bad);

#endif
