/* Genre table (catalogue genre codes and the names stored for them) */
#ifndef PLINOR_GENRES_H
#define PLINOR_GENRES_H

#include <stddef.h>

/* The Shift_JIS name for a code given as the whole value, or null when unlisted. */
const char *GenreName(const char *code, size_t length);

#endif
