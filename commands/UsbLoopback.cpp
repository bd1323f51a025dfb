#include "commands/UsbLoopback.h"

#include "link/ModuleRequest.h"

#include <cstdio>
#include <cstring>

namespace {

const int COUNTER_FIRST = 2;
const int LETTERS_FIRST = COUNTER_FIRST + LOOPBACK_COUNTER_CHARACTERS;

bool SameBytes(const ModulePacket* a, const ModulePacket* b, int first, int count)
{
    return std::memcmp(a->data + first, b->data + first, static_cast<size_t>(count)) == 0;
}

}  // namespace

void BuildLoopbackRequest(ModulePacket* request, int32_t packetsSent)
{
    char text[LOOPBACK_REQUEST_LENGTH + 1];
    std::snprintf(text, sizeof text, "ZI%.8X",
                  static_cast<unsigned>(static_cast<uint32_t>(packetsSent)));
    for (int i = 0; i < LOOPBACK_LETTERS; ++i) text[LETTERS_FIRST + i] = static_cast<char>('A' + i);
    text[LOOPBACK_REQUEST_LENGTH] = '\0';
    BuildModuleDataPacket(request, reinterpret_cast<const uint8_t*>(text), LOOPBACK_REQUEST_LENGTH);
}

int CountEchoErrors(const ModulePacket* echo, const ModulePacket* request)
{
    int errors = 0;
    if (!SameBytes(echo, request, COUNTER_FIRST, LOOPBACK_COUNTER_CHARACTERS)) ++errors;
    if (!SameBytes(echo, request, LETTERS_FIRST, LOOPBACK_LETTERS)) ++errors;
    return errors;
}
