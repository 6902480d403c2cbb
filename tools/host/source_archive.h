/* Zip archives as a source (each member a row, keyed by the CRC-32 its archive records) */
#ifndef PLINORHOST_SOURCE_ARCHIVE_H
#define PLINORHOST_SOURCE_ARCHIVE_H

#include <string>

#include "sources.h"

/* The rows a zip archive stands for, from its central directory alone:
   each member that is not a folder, in the directory's order, with the
   CRC-32 it records; failed when the reader flags a problem with it,
   skipped when it is AES-encrypted with no CRC-32 recorded. An archive
   that cannot be read as a whole is one failed row, and one without
   members one skipped row, named as the archive. False once the sink says
   stop. */
bool SendArchive(const std::string &archive, RowSink sink, Row *row, Language language);

#endif
