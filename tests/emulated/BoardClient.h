// The test's board in its own device folder, and a raw connection to the
// board socket for tests that speak the contract's messages themselves.
#ifndef TESTS_EMULATED_BOARDCLIENT_H
#define TESTS_EMULATED_BOARDCLIENT_H

#include "support/TestBoard.h"

#include <cstdint>
#include <string>
#include <vector>

namespace testboard {

// The device folder every test process uses.
std::string DeviceDir();

// Starts the board of the kind ("su", "cu", or "" for the running
// deliverable's) in DeviceDir() with the scenario lines.
bool Start(TestBoard& board, const std::string& kind, const std::vector<std::string>& lines);

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
