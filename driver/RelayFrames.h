// How board-relay and board-driver-helper.exe frame the board's messages on TCP: a
// 32-bit little-endian length, then that many bytes.
#ifndef DRIVER_RELAYFRAMES_H
#define DRIVER_RELAYFRAMES_H

#include <cstddef>
#include <cstdint>
#include <vector>

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

// Moves all bytes with transfer(bytes, size), which moves some and returns
// how many (0 at the end of the stream, below 0 on failure).
template <typename Transfer, typename Byte>
bool TransferAll(Transfer transfer, Byte* bytes, size_t size)
{
    while (size > 0) {
        const long done = transfer(bytes, size);
        if (done <= 0) return false;
        bytes += done;
        size -= static_cast<size_t>(done);
    }
    return true;
}

template <typename Send>
bool SendFrame(Send send, const unsigned char* bytes, size_t size)
{
    unsigned char length[FRAME_HEADER_SIZE];
    PutFrameLength(length, static_cast<uint32_t>(size));
    return TransferAll(send, static_cast<const unsigned char*>(length), sizeof length) &&
           TransferAll(send, bytes, size);
}

// False at the end of the stream or on a frame no board message can be.
template <typename Receive>
bool ReceiveFrame(Receive receive, std::vector<unsigned char>* frame)
{
    unsigned char length[FRAME_HEADER_SIZE];
    if (!TransferAll(receive, length, sizeof length)) return false;
    const uint32_t size = FrameLength(length);
    if (size > MAX_FRAME_SIZE) return false;
    frame->resize(size);
    return size == 0 || TransferAll(receive, frame->data(), size);
}

}  // namespace relay

#endif
