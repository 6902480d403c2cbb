/* plinorhost: asks the plug-in about games from a terminal, as a host does */
#include "platform.h"
#include "run.h"

int main(int argc, char **argv) {
    return RunTool(Arguments(argc, argv));
}
