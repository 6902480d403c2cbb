/* Printing a check (the checker's findings in the compiler's style, or as JSON) */
#ifndef PLINORHOST_PRINT_CHECK_H
#define PLINORHOST_PRINT_CHECK_H

#include <string>

#include "checker.h"
#include "messages.h"

/* "data.dat:12: warning: ... [long-line]" per finding, then the summary. */
std::string CheckText(const std::string &name, const CheckReport &report, Language language);

/* The same, with every finished game and what the plug-in holds for it. */
std::string CheckJson(const std::string &name, const CheckReport &report);

#endif
