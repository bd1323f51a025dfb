// The wire form of a packet as the board and the utility exchange it: DA, DC,
// DL, the data, and the low byte of the sum of everything before it. Header
// only, so every test program (unit, end-to-end, fuzz, bench) shares it.
#ifndef TESTS_SUPPORT_WIRE_H
#define TESTS_SUPPORT_WIRE_H

#include <cstdint>
#include <string>
#include <vector>

namespace testwire {

typedef std::vector<uint8_t> Bytes;

inline Bytes Wire(uint8_t da, uint8_t dc, const Bytes& data)
{
    Bytes wire = {da, dc, static_cast<uint8_t>(data.size())};
    wire.insert(wire.end(), data.begin(), data.end());
    unsigned sum = 0;
    for (uint8_t byte : wire) sum += byte;
    wire.push_back(static_cast<uint8_t>(sum & 0xFF));
    return wire;
}

inline Bytes Wire(uint8_t da, uint8_t dc, const std::string& data)
{
    return Wire(da, dc, Bytes(data.begin(), data.end()));
}

}  // namespace testwire

#endif
