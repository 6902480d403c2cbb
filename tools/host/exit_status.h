/* Exit statuses (what the run tells a script as it ends) */
#ifndef PLINORHOST_EXIT_STATUS_H
#define PLINORHOST_EXIT_STATUS_H

enum ExitStatus {
    EXIT_OK = 0,
    EXIT_USAGE = 1,
    EXIT_CATALOGUE = 2,
    EXIT_GAME_FILE = 3,
    EXIT_PLUGIN = 4,
    EXIT_OUTPUT = 5,
    EXIT_FINDINGS = 6,
    EXIT_INTERRUPTED = 130 /* as a shell reports Ctrl-C */
};

#endif
