// What board-driver.sys and board-driver-helper.exe pass each other through
// the driver's control device (\\.\BoardDriverControl): the helper attaches,
// then takes the programs' calls on the board devices one request at a time
// and answers each with the board's result. Shared by the kernel driver and
// the helper, so plain records of fixed-size fields only.
#ifndef DRIVER_BOARDDRIVERPROTOCOL_H
#define DRIVER_BOARDDRIVERPROTOCOL_H

#include <stdint.h>

namespace boarddriver {

// Raised whenever a record below changes: a helper and a driver of different
// builds refuse each other.
const uint32_t PROTOCOL_VERSION = 1;

// Device type 0x22 (unknown), buffered, any access: function codes of our own.
constexpr uint32_t ControlCode(uint32_t function) { return (0x22u << 16) | (function << 2); }
// In: a uint32_t, PROTOCOL_VERSION. Completes once this helper serves the
// board devices (after the one before it, if any, has let go).
const uint32_t IOCTL_BOARD_ATTACH = ControlCode(0x900);
// Out: the next BoardRequest and its bytes; waits for one.
const uint32_t IOCTL_BOARD_NEXT_REQUEST = ControlCode(0x901);
// In: a BoardAnswer and its bytes.
const uint32_t IOCTL_BOARD_ANSWER = ControlCode(0x902);
// Sent by anyone: the attached helper lets go (its waiting IOCTL_BOARD_NEXT_REQUEST
// fails with ERROR_OPERATION_ABORTED) and the board device names are gone
// when this completes.
const uint32_t IOCTL_BOARD_DETACH = ControlCode(0x903);

// The device names served, by index: \\.\SecModuleDevice0 and \\.\ConvUnitDevice0.
const unsigned DEVICE_COUNT = 2;
inline const char* DeviceName(unsigned device)
{
    return device == 0 ? "SecModuleDevice0" : "ConvUnitDevice0";
}

// The most bytes one write or device control carries (a larger one fails
// with ERROR_INVALID_PARAMETER without reaching the board).
const uint32_t MAX_DATA = 16384;

enum RequestKind : uint32_t {
    REQUEST_OPEN = 1,     // device, tag
    REQUEST_WRITE = 2,    // the bytes of one WriteFile
    REQUEST_CONTROL = 3,  // controlCode and the output buffer of one DeviceIoControl
    REQUEST_READ = 4,     // size: the caller's buffer
    REQUEST_CLOSE = 5,    // the program's last handle is gone; no answer
};

struct BoardRequest {
    uint32_t kind;
    uint32_t id;           // what the answer names
    uint64_t open;         // the open the call is on (one per CreateFileA)
    uint32_t device;       // REQUEST_OPEN: the index of the device name
    uint32_t tag;          // REQUEST_OPEN: 'R' (for reading) or 'W' (for writing)
    uint32_t controlCode;  // REQUEST_CONTROL
    uint32_t size;         // REQUEST_READ: buffer size; else the bytes that follow
};

struct BoardAnswer {
    uint32_t id;
    uint32_t error;  // 0, or the system error code the call fails with
    uint32_t size;   // the call's count: bytes written, or the whole read
    uint32_t bytes;  // REQUEST_READ: the bytes that follow (at most the buffer)
};

}  // namespace boarddriver

#endif
