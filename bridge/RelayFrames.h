// How board-relay and board-bridge frame the board's messages on TCP: a
// 32-bit little-endian length, then that many bytes.
#ifndef BRIDGE_RELAYFRAMES_H
#define BRIDGE_RELAYFRAMES_H

#include <cstdint>

namespace relay {

const unsigned FRAME_HEADER_SIZE = 4;
// Larger than any board message: a packet, a tag and a control code.
const uint32_t MAX_FRAME_SIZE = 65536;

inline void PutFrameLength(unsigned char* out, uint32_t length)
{
    for (unsigned i = 0; i < 4; ++i) out[i] = static_cast<unsigned char>(length >> (8 * i));
}

inline uint32_t FrameLength(const unsigned char* in)
{
    uint32_t length = 0;
    for (unsigned i = 0; i < 4; ++i) length |= static_cast<uint32_t>(in[i]) << (8 * i);
    return length;
}

}  // namespace relay

#endif
