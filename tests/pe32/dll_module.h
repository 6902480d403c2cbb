/* The product DLL as the test suite's plug-in: its exports called through
   the checked call, its life mapped to the suite's attach and detach */
#ifndef PLINOR_DLL_MODULE_H
#define PLINOR_DLL_MODULE_H

#include "game_index.h"
#include "game_table.h"
#include "module_life.h"

/* The DLL's own table, index and allocation seam, found through the
   linker's map; before the DLL is loaded, a stand-in that is carried into
   the next load. */
GameTable &LoadedGameTable(void);
GameIndex *&LoadedGameIndex(void);
int &LoadedFailingAllocations(void);

/* CreateGameTable loads the DLL (map, TLS callbacks, DLL_PROCESS_ATTACH) or,
   when it is loaded, sends another DLL_PROCESS_ATTACH; ReleaseGameTable
   sends DLL_PROCESS_DETACH, unmaps it and checks that every heap block the
   DLL took is back. Both are declared in module_life.h. */

#endif
