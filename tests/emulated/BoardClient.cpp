#include "emulated/BoardClient.h"

#include "base/Variant.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace testboard {

std::string DeviceDir() { return testenv::ScratchDir() + "/dev"; }

bool Start(TestBoard& board, const std::string& kind, const std::vector<std::string>& lines)
{
    for (const std::string& line : lines)
        if (!board.Set(line)) return false;
    return board.Start(!kind.empty() ? kind : IsCuUtility() ? "cu" : "su", DeviceDir());
}

Client::~Client()
{
    if (fd_ >= 0) close(fd_);
}

bool Client::Connect(const std::string& path)
{
    struct sockaddr_un address;
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    fd_ = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    return fd_ >= 0 && connect(fd_, reinterpret_cast<struct sockaddr*>(&address), sizeof address) == 0;
}

std::vector<uint8_t> Client::Open(const std::string& path, char access)
{
    std::vector<uint8_t> answer;
    if (Connect(path) && Send({static_cast<uint8_t>(access)})) Receive(&answer);
    return answer;
}

bool Client::Send(const std::vector<uint8_t>& message)
{
    return send(fd_, message.data(), message.size(), MSG_NOSIGNAL) ==
           static_cast<ssize_t>(message.size());
}

bool Client::SendTagged(char tag, const std::vector<uint8_t>& bytes)
{
    std::vector<uint8_t> message;
    message.reserve(bytes.size() + 1);
    message.push_back(static_cast<uint8_t>(tag));
    for (uint8_t byte : bytes) message.push_back(byte);
    return Send(message);
}

bool Client::Receive(std::vector<uint8_t>* message, unsigned timeoutMs)
{
    struct pollfd waiting = {fd_, POLLIN, 0};
    if (poll(&waiting, 1, static_cast<int>(timeoutMs)) != 1) return false;
    uint8_t buffer[4096];
    ssize_t received = recv(fd_, buffer, sizeof buffer, 0);
    if (received <= 0) {
        closed = true;
        message->clear();
        return true;
    }
    message->assign(buffer, buffer + received);
    return true;
}

}  // namespace testboard
