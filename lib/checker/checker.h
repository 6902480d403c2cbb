/* Catalogue checker (what the plug-in makes of a data.dat, and what it ignores) */
#ifndef PLINOR_CHECKER_H
#define PLINOR_CHECKER_H

#include <stddef.h>

#include <string>

#include "check_report.h"

/* A check under way: the text comes in pieces, split anywhere. Memory
   stays within the records of the table's games, the findings kept, one
   line's kept part and the keys asked (and keyLikes, when listed). */
struct CatalogueCheck;

CatalogueCheck *StartCheck(CheckReport *report, const CheckOptions &options = CheckOptions());
void CheckBytes(CatalogueCheck *check, const char *bytes, size_t length);

/* The text has ended: the report is complete, and the check is freed.
   Call it once for every check started, also to abandon one. */
void EndCheck(CatalogueCheck *check);

/* Checks a catalogue's bytes as a host would pass them to the plug-in. */
void CheckCatalogue(const std::string &bytes, CheckReport *report, const CheckOptions &options = CheckOptions());

/* A catalogue value as a person reads it: its Shift_JIS decoded to UTF-8,
   as findings quote it. */
std::string ShownValue(const std::string &bytes);

/* A key as a person may mean it: without spaces or tabs around it, a "0x"
   before it or leading zeros (one kept when all are), in upper case. Keys
   that a host did not find are looked up among keyLikes by it. */
std::string LooseForm(const std::string &key);

/* The same into a zero-padded field, for a lookup that allocates nothing;
   false when it holds more than a key does. */
bool LooseKey(const std::string &key, char loose[KEY_FIELD_SIZE]);

#endif
