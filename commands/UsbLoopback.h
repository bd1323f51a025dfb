// The USB loop-back request and the check of its echo.
#ifndef COMMANDS_USBLOOPBACK_H
#define COMMANDS_USBLOOPBACK_H

#include "link/ORBA_Support.h"

#include <cstdint>

enum {
    LOOPBACK_COUNTER_CHARACTERS = 8,
    LOOPBACK_LETTERS = 26,
    LOOPBACK_REQUEST_LENGTH = 2 + LOOPBACK_COUNTER_CHARACTERS + LOOPBACK_LETTERS,
};

// "ZI", the counter as eight upper-case hexadecimal digits, "A" to "Z".
void BuildLoopbackRequest(ModulePacket* request, int32_t packetsSent);

// Errors in an echo of the request: one when its counter characters differ,
// one more when its letters differ.
int CountEchoErrors(const ModulePacket* echo, const ModulePacket* request);

// Adds one, wrapping at the 32-bit limit instead of overflowing.
inline void CountOne(int32_t* counter)
{
    *counter = static_cast<int32_t>(static_cast<uint32_t>(*counter) + 1u);
}

#endif
