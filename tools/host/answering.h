/* Answering (a row's key asked of the plug-in, through the two-call protocol) */
#ifndef PLINORHOST_ANSWERING_H
#define PLINORHOST_ANSWERING_H

#include <string>

#include "hints.h"
#include "plugin.h"
#include "row.h"

/* Asks about the row's key, and for a game file the short form too when
   the catalogue lacks the full one; fills the answer, as UTF-8, or the
   hint for a key not found. */
void AnswerRow(const Plugin &plugin, const std::string &catalogue, const KeyHints &hints, Row *row);

#endif
