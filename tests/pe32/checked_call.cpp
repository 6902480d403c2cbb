/* The checked call (a __stdcall function called and held to the 32-bit Windows rules) */
#include "checked_call.h"

extern "C" uint32_t CallStdcallRaw(const void *fn, const uint32_t *args, uint32_t count,
                                   CallCheck *check);

/* The sentinels checked_call.S loads before the call. */
static const struct {
    const char *name;
    uint32_t CallCheck::*after;
    uint32_t sentinel;
} kKept[] = {{"EBX", &CallCheck::ebx, 0xB0B0B0B0u},
             {"ESI", &CallCheck::esi, 0x5151E51Eu},
             {"EDI", &CallCheck::edi, 0xD1D1ED1Eu},
             {"EBP", &CallCheck::ebp, 0xEBEBEBEBu}};

enum { DIRECTION_FLAG = 0x400 };

uint32_t CallStdcall(const void *fn, const uint32_t *args, uint32_t count, CallCheck *check) {
    check->count = count;
    return CallStdcallRaw(fn, args, count, check);
}

std::string CallProblems(const CallCheck &check, uint32_t popBytes) {
    std::string problems;
    int32_t popped = (int32_t)(check.after - check.expected) + (int32_t)(4 * check.count);
    if (popped != (int32_t)popBytes)
        problems += "removed " + std::to_string(popped) + " bytes of arguments, not " +
                    std::to_string(popBytes) + "; ";
    for (const auto &r : kKept)
        if (check.*r.after != r.sentinel) problems += std::string("changed ") + r.name + "; ";
    if (check.flags & DIRECTION_FLAG) problems += "left the direction flag set; ";
    if (!problems.empty()) problems.resize(problems.size() - 2);
    return problems;
}
