#include "commands/ModuleDataPacket.h"

#include "link/securitymodule.h"

#include <cstring>

void BuildModuleDataPacket(ModulePacket* packet, const uint8_t* bytes, int count)
{
    std::memset(packet, 0, sizeof *packet);
    if (count < 0) count = 0;
    if (count > USB_PACKET_MAX_DL) count = USB_PACKET_MAX_DL;
    packet->DA = ORBA_PORT_MODULE;
    packet->DC = ORBA_DC_DATA;
    packet->DL = static_cast<uint8_t>(count);
    if (count > 0) std::memcpy(packet->data, bytes, static_cast<size_t>(count));
}

int WriteModuleRequest(const char* text, int count)
{
    ModulePacket packet;
    BuildModuleDataPacket(&packet, reinterpret_cast<const uint8_t*>(text), count);
    return WritePacketToSecurityModule(&packet);
}

uint16_t ModuleDataWord(const ModulePacket* packet, int first)
{
    return static_cast<uint16_t>(packet->data[first] << 8 | packet->data[first + 1]);
}

uint32_t ModuleDataLong(const ModulePacket* packet, int first)
{
    return static_cast<uint32_t>(packet->data[first]) << 24 |
           static_cast<uint32_t>(packet->data[first + 1]) << 16 |
           static_cast<uint32_t>(packet->data[first + 2]) << 8 |
           static_cast<uint32_t>(packet->data[first + 3]);
}
