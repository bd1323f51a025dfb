#include "emulated/EmulatorBoard.h"

#include "emulator/Personality.h"
#include "base/Variant.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace testboard {

std::string DeviceDir() { return testenv::ScratchDir() + "/dev"; }

bool Start(emulator::Board& board, const std::string& kind, const std::vector<std::string>& lines)
{
    std::string error;
    emulator::Scenario scenario;
    for (const std::string& line : lines) {
        if (!emulator::AddScenarioLine(&scenario, line, "test", &error)) {
            ADD_FAILURE() << error;
            return false;
        }
    }
    const std::string name = !kind.empty() ? kind : IsCuUtility() ? "cu" : "su";
    emulator::BoardSetup setup;
    if (!emulator::BuildBoardSetup(scenario, *emulator::FindPersonality(name), &setup, &error) ||
        !board.Start(setup, DeviceDir(), &error)) {
        ADD_FAILURE() << error;
        return false;
    }
    return true;
}

bool WaitForLog(const emulator::Board& board, size_t count, unsigned timeoutMs)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (board.LogEntries().size() < count) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

std::vector<emulator::LogEntry> EntriesOf(const emulator::Board& board, emulator::LogKind kind)
{
    std::vector<emulator::LogEntry> found;
    for (const emulator::LogEntry& entry : board.LogEntries())
        if (entry.kind == kind) found.push_back(entry);
    return found;
}

std::vector<uint8_t> Wire(uint8_t da, uint8_t dc, const std::string& data)
{
    std::vector<uint8_t> wire;
    wire.push_back(da);
    wire.push_back(dc);
    wire.push_back(static_cast<uint8_t>(data.size()));
    for (char c : data) wire.push_back(static_cast<uint8_t>(c));
    unsigned sum = 0;
    for (uint8_t byte : wire) sum += byte;
    wire.push_back(static_cast<uint8_t>(sum & 0xFF));
    return wire;
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
