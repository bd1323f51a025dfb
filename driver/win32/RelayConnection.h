// One open of a board device, carried to the board by board-relay over TCP:
// its own thread serves the open's requests in the order the program made
// them (a synchronous handle's calls come one after another anyway) and
// answers each through the driver.
#ifndef DRIVER_WIN32_RELAYCONNECTION_H
#define DRIVER_WIN32_RELAYCONNECTION_H

#include "driver/win32/DriverControl.h"

#include <winsock2.h>

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

namespace helper {

// The code a call fails with once the board has hung up (ERROR_BROKEN_PIPE).
const uint32_t ERROR_HUNG_UP = 109;

class RelayConnection {
public:
    // Starts serving an open request (REQUEST_OPEN) on its own thread;
    // opened() runs there once the board has answered the open.
    static std::shared_ptr<RelayConnection> Start(DriverControl& driver, unsigned short relayPort,
                                                  const Request& open, std::function<void()> opened);
    RelayConnection(DriverControl& driver, unsigned short relayPort, std::function<void()> opened)
        : driver_(driver), relayPort_(relayPort), opened_(std::move(opened))
    {
    }
    RelayConnection(const RelayConnection&) = delete;
    RelayConnection& operator=(const RelayConnection&) = delete;

    // Queues a later request of the open.
    void Add(Request request);
    // The program's last handle is gone: a read waiting for the board ends,
    // the board sees the hang-up, the thread ends.
    void Close();

private:
    void Serve();
    Request Take();
    void Open(const Request& request);
    void Write(const Request& request, char tag);
    void Read(const Request& request);
    void Reply(const Request& request, uint32_t error, uint32_t size = 0,
               const unsigned char* bytes = nullptr, uint32_t count = 0);
    bool HungUp();

    DriverControl& driver_;
    const unsigned short relayPort_;
    const std::function<void()> opened_;
    SOCKET relay_ = INVALID_SOCKET;
    // The code every later call fails with: the board refused the open, or hung up.
    uint32_t failure_ = 0;

    std::mutex lock_;
    std::condition_variable added_;
    std::deque<Request> requests_;
    bool closing_ = false;
};

}  // namespace helper

#endif
