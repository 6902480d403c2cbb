/* Module life (process attach and detach: the game table and its index, made and released together) */
#ifndef PLINOR_MODULE_LIFE_H
#define PLINOR_MODULE_LIFE_H

/* Process attach: reserve the table and its index (once each) and forget
   the last hit. */
void CreateGameTable(void);

/* Process detach: give the table and its index back; the next attach
   starts empty. */
void ReleaseGameTable(void);

#endif
