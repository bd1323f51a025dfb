// Runs a board in-process for a test, in the test's own device folder, and
// speaks the board socket directly where a test wants the raw bytes.
#ifndef TESTS_SUPPORT_EMULATORBOARD_H
#define TESTS_SUPPORT_EMULATORBOARD_H

#include "emulator/Board.h"

#include <cstdint>
#include <string>
#include <vector>

namespace testboard {

// The device folder every test process uses.
std::string DeviceDir();

// The board of the kind ("su", "cu", or "" for the running deliverable's)
// with the scenario lines; fails the test when it cannot start.
bool Start(emulator::Board& board, const std::string& kind, const std::vector<std::string>& lines);

// Waits until the log holds at least count entries.
bool WaitForLog(const emulator::Board& board, size_t count, unsigned timeoutMs = 2000);
// The log entries of one kind.
std::vector<emulator::LogEntry> EntriesOf(const emulator::Board& board, emulator::LogKind kind);

// A wire packet with its checksum.
std::vector<uint8_t> Wire(uint8_t da, uint8_t dc, const std::string& data);

// A raw connection to the board socket.
class Client {
public:
    Client() = default;
    ~Client();
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    bool Connect(const std::string& path);
    // Connects and sends "R" or "W"; the answer message.
    std::vector<uint8_t> Open(const std::string& path, char access);
    bool Send(const std::vector<uint8_t>& message);
    bool SendTagged(char tag, const std::vector<uint8_t>& bytes);
    // One message; false on timeout. A closed connection gives an empty
    // message and sets closed.
    bool Receive(std::vector<uint8_t>* message, unsigned timeoutMs = 2000);
    bool closed = false;

private:
    int fd_ = -1;
};

}  // namespace testboard

#endif
