/* The checked call (a __stdcall function called and held to the 32-bit Windows rules) */
#ifndef PLINOR_CHECKED_CALL_H
#define PLINOR_CHECKED_CALL_H

#include <stdint.h>

#include <string>

/* What a call left behind; laid out for checked_call.S. */
struct CallCheck {
    uint32_t frame, target, expected, result, flags, after, ebx, esi, edi, ebp;
    uint32_t count;
};

/* Calls fn with count 32-bit arguments, pushed right to left. */
uint32_t CallStdcall(const void *fn, const uint32_t *args, uint32_t count, CallCheck *check);

/* What the callee did wrong, or empty: it must pop exactly popBytes of
   arguments, keep EBX, ESI, EDI and EBP, and leave the direction flag clear. */
std::string CallProblems(const CallCheck &check, uint32_t popBytes);

#endif
