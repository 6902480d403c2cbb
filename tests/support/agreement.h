/* Agreement (the checker's view of a catalogue against the plug-in itself) */
#ifndef PLINOR_AGREEMENT_H
#define PLINOR_AGREEMENT_H

#include <string>

/* Checks the checker's promise on the bytes, against the plug-in linked
   in, whose table must be attached and empty: a game it calls findable is
   answered from its own record, with the facts it reports; one it calls
   unreachable is not; and any key the plug-in finds is a findable game's.
   Returns "" when they agree, else the first thing that differs. */
std::string Disagreement(const std::string &bytes);

#endif
