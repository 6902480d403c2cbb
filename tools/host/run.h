/* The run (the stages joined: each row from its source, keyed, answered, printed and written) */
#ifndef PLINORHOST_RUN_H
#define PLINORHOST_RUN_H

#include <string>
#include <vector>

#include "settings.h"

/* The whole tool: the arguments, program name first; the exit status. */
int RunTool(const std::vector<std::string> &args);

/* Asks the plug-in about every request, row by row. */
int RunQueries(Settings settings);

/* Reports what the plug-in will make of a catalogue. */
int RunCheck(const Settings &settings);

#endif
