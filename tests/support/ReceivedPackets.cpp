#include "support/ReceivedPackets.h"

#include "emulator/WirePacket.h"

#include <cstdio>

namespace testboard {

std::string PacketText(const std::vector<uint8_t>& wire)
{
    const emulator::DecodedPacket decoded = emulator::DecodeWirePacket(wire);
    std::string text = std::to_string(decoded.packet.da) + "/" + std::to_string(decoded.packet.dc);
    if (!decoded.packet.data.empty()) text += " ";
    for (uint8_t byte : decoded.packet.data) {
        if (byte > 0x20 && byte < 0x7F && byte != '<') {
            text.push_back(static_cast<char>(byte));
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "<%02X>", byte);
            text += hex;
        }
    }
    if (!decoded.complete || !decoded.checksumOk) text += " (bad checksum)";
    return text;
}

std::vector<std::string> ReceivedPackets(const std::vector<emulator::LogEntry>& log)
{
    std::vector<std::string> packets;
    for (const emulator::LogEntry& entry : log)
        if (entry.kind == emulator::LogKind::ToBoard) packets.push_back(PacketText(entry.wire));
    return packets;
}

}  // namespace testboard
