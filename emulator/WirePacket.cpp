#include "emulator/WirePacket.h"

#include <algorithm>

namespace emulator {

uint8_t WireChecksum(const uint8_t* bytes, size_t count)
{
    unsigned sum = 0;
    for (size_t i = 0; i < count; ++i) sum += bytes[i];
    return static_cast<uint8_t>(sum & 0xFF);
}

std::vector<uint8_t> EncodeWirePacket(const WirePacket& packet)
{
    const size_t dl = std::min(packet.data.size(), WIRE_MAX_DATA);
    std::vector<uint8_t> wire;
    wire.reserve(dl + 4);
    wire.push_back(packet.da);
    wire.push_back(packet.dc);
    wire.push_back(static_cast<uint8_t>(dl));
    for (size_t i = 0; i < dl; ++i) wire.push_back(packet.data[i]);
    wire.push_back(WireChecksum(wire.data(), wire.size()));
    return wire;
}

DecodedPacket DecodeWirePacket(const uint8_t* bytes, size_t length)
{
    DecodedPacket decoded;
    decoded.length = length;
    if (length < 3) return decoded;
    decoded.hasHeader = true;
    decoded.packet.da = bytes[0];
    decoded.packet.dc = bytes[1];
    decoded.dl = bytes[2];
    const size_t arrived = std::min<size_t>(decoded.dl, length - 3);
    decoded.packet.data.assign(bytes + 3, bytes + 3 + arrived);
    decoded.complete = length >= static_cast<size_t>(decoded.dl) + 4;
    decoded.checksumOk = decoded.complete &&
                         bytes[3 + decoded.dl] == WireChecksum(bytes, 3 + decoded.dl);
    return decoded;
}

DecodedPacket DecodeWirePacket(const std::vector<uint8_t>& bytes)
{
    return DecodeWirePacket(bytes.data(), bytes.size());
}

}  // namespace emulator
