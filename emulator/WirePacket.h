// The board's side of the USB wire form: DA, DC, DL, DL data bytes and an
// 8-bit checksum (the low byte of the sum of everything before it).
#ifndef EMULATOR_WIREPACKET_H
#define EMULATOR_WIREPACKET_H

#include <cstddef>
#include <cstdint>
#include <vector>

namespace emulator {

// Most data bytes one packet carries (64 bytes less header and checksum).
const size_t WIRE_MAX_DATA = 60;
const size_t WIRE_MAX_PACKET = 64;

struct WirePacket {
    uint8_t da = 0;
    uint8_t dc = 0;
    std::vector<uint8_t> data;  // DL is its size
};

uint8_t WireChecksum(const uint8_t* bytes, size_t count);

// DL + 4 bytes with the checksum; data beyond 60 bytes is not sent.
std::vector<uint8_t> EncodeWirePacket(const WirePacket& packet);

struct DecodedPacket {
    bool hasHeader = false;  // at least DA, DC and DL arrived
    bool complete = false;   // the data and the checksum arrived too
    bool checksumOk = false;
    size_t length = 0;  // bytes received
    uint8_t dl = 0;     // as received (may promise more than came)
    WirePacket packet;  // the data bytes that arrived, up to DL
};

// Decodes what arrived; bytes past DL + 4 are ignored (reported by length).
DecodedPacket DecodeWirePacket(const uint8_t* bytes, size_t length);
DecodedPacket DecodeWirePacket(const std::vector<uint8_t>& bytes);

}  // namespace emulator

#endif
