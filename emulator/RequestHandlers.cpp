#include "emulator/RequestHandlers.h"

#include <cctype>

namespace emulator {

void Replies::Send(const std::vector<uint8_t>& data)
{
    WirePacket packet;
    packet.da = port_;
    packet.dc = 6;
    packet.data = data;
    packets_.push_back(packet);
}

void Replies::SendEcho(const Request& request, const std::string& values)
{
    std::vector<uint8_t> data;
    data.push_back(static_cast<uint8_t>(
        std::tolower(request.data.empty() ? 0 : static_cast<unsigned char>(request.data[0]))));
    data.push_back(request.data.size() > 1 ? request.data[1] : 0);
    data.insert(data.end(), values.begin(), values.end());
    Send(data);
}

std::string RequestKey(const std::vector<uint8_t>& data)
{
    std::string key;
    for (size_t i = 0; i < data.size() && i < 2; ++i) key.push_back(static_cast<char>(data[i]));
    return key;
}

}  // namespace emulator
