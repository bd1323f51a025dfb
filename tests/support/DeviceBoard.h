// The emulator's board logic behind the in-memory board device: every stream
// write and device control request the utility makes goes to the logic, and
// its replies are queued as the device's reads. Built on every platform, so
// command tests run against the emulated board under Wine too. Set it up with
// scenario lines, install it, then read what it received from its log.
#ifndef TESTS_SUPPORT_DEVICEBOARD_H
#define TESTS_SUPPORT_DEVICEBOARD_H

#include "emulator/BoardLogic.h"
#include "support/FakeBoardDevice.h"
#include "support/ScenarioLines.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace testboard {

// Whether the utility sent a port-6 request whose data begins with this text.
bool IsModuleRequest(const fakeboard::Sent& sent, const std::string& request);

class DeviceBoard {
public:
    // One scenario line, before Install; a bad line fails the test.
    bool Set(const std::string& line) { return lines_.Set(line); }
    // Installs the in-memory board device answering as a board of the kind
    // ("su", "cu") with the lines set so far; the link is started by the
    // test. Fails the test when the setup cannot be built.
    bool Install(const std::string& kind);
    // The write of every later port-6 request whose data begins with this
    // text fails: the board never sees it.
    void FailWritesOf(const std::string& request);
    // The device's responder that answers through the board, for a test
    // that puts its own in front of it.
    std::function<void(const fakeboard::Sent&)> Answering() const;

    // Forgets what the board received so far.
    void ClearReceived() { log_->Clear(); }

    // The packets the board received, in order (see ReceivedPackets).
    std::vector<std::string> Received() const;
    // The same, from the first packet after the port-6 open on.
    std::vector<std::string> ReceivedAfterOpen() const;

private:
    ScenarioLines lines_;
    // Shared with the device's responder, which may outlive the test.
    std::shared_ptr<emulator::PacketLog> log_ = std::make_shared<emulator::PacketLog>();
    std::shared_ptr<emulator::BoardLogic> logic_;
};

}  // namespace testboard

#endif
