// An in-memory board behind the device operations table: every driver read
// blocks until the test queues a wire packet (or closes the board); every
// open, stream write and device control request is recorded and can be made to
// fail with a given code. Its state lives on the heap and is never freed, so a
// reader thread blocked in it when the process ends touches nothing that has
// been torn down.
#ifndef TESTS_SUPPORT_FAKEBOARDDEVICE_H
#define TESTS_SUPPORT_FAKEBOARDDEVICE_H

#include "platform/Platform.h"
#include "support/Wire.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace fakeboard {

using testwire::Bytes;
using testwire::Wire;

// One thing the utility sent: a stream write, or a device control request,
// on the handle of the open with this 1-based number.
struct Sent {
    bool control;
    unsigned long controlCode;
    Bytes bytes;
    PlatDevice device;
};

struct Opened {
    std::string name;
    int access;
};

// Installs the board as the device (fresh state); Uninstall restores the
// native device.
void Install();
void Uninstall();

// Queues the result of one driver read: exactly these bytes (empty: a read
// of 0 bytes). A read delivers at most 64 bytes but reports the full count.
void QueueRead(const Bytes& bytes);
// Queues a port-6 data packet with the given text.
void QueueReply(const std::string& data);
// From now on a read finds only what is queued: with nothing queued it fails
// at once, blocked or not (the board went away).
void CloseBoard();

// The open with this 1-based number (and every later one) fails with code.
void FailOpensFrom(int openNumber, unsigned long code);
// Every later stream write and control request fails with code (and is not
// recorded); or only the next one; or the next stream write reports only this
// many bytes written.
void FailWrites(unsigned long code);
void FailNextWrite(unsigned long code);
void ShortNextWrite(unsigned written);
// Every later write or request that matches fails with code (and is not
// recorded). It runs on the writer's thread under the board's lock, so it
// must not call back into the board.
void FailWritesOf(std::function<bool(const Sent&)> matches, unsigned long code);

// Called on the writer's thread after each recorded write, so a test can
// answer a request like a board.
void SetResponder(std::function<void(const Sent&)> responder);

std::vector<Sent> SentPackets();
void ClearSent();
// Waits until at least count packets were sent.
bool WaitForSent(size_t count, unsigned timeoutMs);
// Waits until every queued read was taken and the reader is back, blocked in
// the next read: everything read before has been handled.
bool WaitForIdleReader(unsigned timeoutMs);

// Every open so far, failed ones too; and how many driver reads began.
std::vector<Opened> Opens();
int ReadCount();

}  // namespace fakeboard

#endif
