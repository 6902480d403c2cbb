/* Control (what every stage may ask of the run, or tell it, while it works) */
#ifndef PLINORHOST_CONTROL_H
#define PLINORHOST_CONTROL_H

#include <stdint.h>

#include <string>

#include "output.h"
#include "progress.h"

/* The one place a stage learns that the run is to stop: Ctrl-C, or an
   output whose reader has gone. */
struct Control {
    Output *output;
    Progress *progress;
};

bool Stopping(const Control *control);

/* Ctrl-C was pressed: the run ends with its own status. */
bool Interrupted(const Control *control);

/* The language of every text for a person. */
Language LanguageOf(const Control *control);

/* A stage is reading a file: bytes so far of it. The progress line and
   the rows written so far keep moving. */
void Working(Control *control, uint64_t bytes);

/* A source is about to wait for input: what is answered is written first. */
void Waiting(Control *control);

/* A warning, after the rows so far. */
void Warn(Control *control, const std::string &message);

#endif
