/* A row (one game asked about: a file, a member of an archive, or a key; its key and the plug-in's answer) */
#include "row.h"

void ClearRow(Row *r) {
    r->askedBy = ASKED_BY_KEY;
    r->file.clear();
    r->member.present = false;
    r->member.name.clear();
    r->member.recorded.clear();
    r->member.encrypted = false;
    r->toHash = false;
    r->crcKnown = false;
    r->crc = 0;
    r->key.clear();
    r->state = ROW_ANSWERED;
    r->note.clear();
    r->found = false;
    r->title.clear();
    r->maker.clear();
    r->genre.clear();
    r->memo.clear();
    r->year = 0;
    r->hint.clear();
    r->hintLine = 0;
    r->hintReason = 0;
}
