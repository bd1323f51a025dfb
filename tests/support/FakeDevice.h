// A board device for tests: every open, read, write and device control is
// recorded, and each can be made to fail in ways a real socket cannot
// (short writes, reads of any count, failures with any code). A read with
// nothing queued fails at once rather than blocking.
#ifndef TESTS_SUPPORT_FAKEDEVICE_H
#define TESTS_SUPPORT_FAKEDEVICE_H

#include "platform/Platform.h"

#include <cstdint>
#include <string>
#include <vector>

namespace fakedevice {

// Error code of a read with nothing queued.
const unsigned long NOTHING_QUEUED = 0x5A5A;

struct Call {
    char kind;                   // 'O' open, 'R' read, 'W' write, 'C' control
    PlatDevice device;           // the handle used (open: the handle returned)
    int access;                  // open only
    std::string name;            // open only: the device name
    unsigned long code;          // control only: the control code
    std::vector<uint8_t> bytes;  // write and control: what was handed over
};

// Installs the backend with no faults and no calls; handles are 101, 102...
// in open order.
void Install();
void Uninstall();

// The nth open from now on (1 = the next) fails with the code.
void FailOpen(int nth, unsigned long code);

// Queues one read result: the bytes delivered, and the count reported
// (the byte count when omitted).
void QueueRead(const std::vector<uint8_t>& bytes);
void QueueReadWithCount(const std::vector<uint8_t>& bytes, unsigned count);
void QueueReadFailure(unsigned long code);

// The next write fails with the code, or reports this many bytes written.
void FailNextWrite(unsigned long code);
void ShortNextWrite(unsigned written);
void FailNextControl(unsigned long code);

std::vector<Call> Calls();
int CountCalls(char kind);

struct DeviceScope {
    DeviceScope() { Install(); }
    ~DeviceScope() { Uninstall(); }
    DeviceScope(const DeviceScope&) = delete;
    DeviceScope& operator=(const DeviceScope&) = delete;
};

}  // namespace fakedevice

#endif
