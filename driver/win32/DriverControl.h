// The helper's side of board-driver.sys's control device: load the driver
// when it is not loaded, attach, take requests, answer them, let go.
#ifndef DRIVER_WIN32_DRIVERCONTROL_H
#define DRIVER_WIN32_DRIVERCONTROL_H

#include "driver/BoardDriverProtocol.h"

// Winsock's header goes before windows.h.
#include <winsock2.h>
#include <windows.h>

#include <string>
#include <vector>

namespace helper {

// A request taken from the driver: its record and its bytes.
struct Request {
    boarddriver::BoardRequest header = {};
    std::vector<unsigned char> data;
};

class DriverControl {
public:
    DriverControl() = default;
    ~DriverControl();
    DriverControl(const DriverControl&) = delete;
    DriverControl& operator=(const DriverControl&) = delete;

    // Opens the control device, loading the driver (board-driver.sys beside
    // this program) first when it is not loaded. False with *error set.
    bool Open(std::string* error);
    // Opens the control device if the driver is loaded; false when it is not.
    bool OpenIfLoaded();
    // Waits until this helper serves the board devices.
    bool Attach(std::string* error);
    // Asks for the next request; NextEvent() is set once it is there, then
    // TakeNext() gives it (false once the helper has been let go).
    bool AskNext();
    HANDLE NextEvent() const { return nextPending_.hEvent; }
    bool TakeNext(Request* request);
    // Answers one request (thread-safe).
    void Answer(const boarddriver::BoardAnswer& answer, const unsigned char* bytes = nullptr);
    // Lets the attached helper go; returns once the device names are gone.
    bool Detach();

private:
    // One control call, waited for; the count it returned, or false with the
    // system error code in *code.
    bool Call(DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize, DWORD* count,
              DWORD* errorCode);

    HANDLE control_ = INVALID_HANDLE_VALUE;
    std::vector<unsigned char> takeBuffer_;
    OVERLAPPED nextPending_ = {};
    bool nextAsked_ = false;
};

}  // namespace helper

#endif
