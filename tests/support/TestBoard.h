// The board of the tests: the emulator's board run in-process on its own
// thread, holding the device socket in a device folder, or its logic alone.
// Unit tests of the socket and of the board, the end-to-end runs and the
// fault soak all use it: set it up with scenario lines, start it, then read
// what it received from its packet log.
#ifndef TESTS_SUPPORT_TESTBOARD_H
#define TESTS_SUPPORT_TESTBOARD_H

#include "emulator/Board.h"
#include "emulator/BoardLogic.h"
#include "support/ReceivedPackets.h"
#include "support/ScenarioLines.h"
#include "support/Wire.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace testboard {

using testwire::Wire;

class TestBoard {
public:
    TestBoard() = default;
    ~TestBoard() { Stop(); }
    TestBoard(const TestBoard&) = delete;
    TestBoard& operator=(const TestBoard&) = delete;

    // One scenario line ("version=043912152010", "fault.Z2=no-reply"),
    // before Start; a bad line fails the test.
    bool Set(const std::string& line);
    // Serves as a board of the kind ("su", "cu") in the device folder, with
    // the lines set since the last start; fails the test when it cannot.
    // A running board is stopped first: it starts again from the factory.
    bool Start(const std::string& kind, const std::string& deviceDir);
    void Stop();
    bool Running() const { return running_; }
    // The board without its socket and thread, for tests of its own
    // answers: requests go straight to its logic through Ask.
    bool StartLogic(const std::string& kind);
    // The data of each packet the board answers a port-6 request with.
    std::vector<std::string> Ask(const std::string& request);

    // Waits until the utility has hung up every connection it opened (or
    // the board closed it), so that the log and the state are complete.
    bool Settle(unsigned timeoutMs = 5000) const;
    // Waits until the log holds at least count entries.
    bool WaitForLog(size_t count, unsigned timeoutMs = 2000) const;

    std::vector<emulator::LogEntry> LogEntries() const { return board_.LogEntries(); }
    std::vector<emulator::LogEntry> EntriesOf(emulator::LogKind kind) const;
    // The emulator's whole log, one line per event, for failure messages.
    std::string LogText() const;
    // The packets received, in order, one text each: "DA/DC" and the data,
    // printable bytes as they are and others as <hh>: "6/1 <01><06><02><01>",
    // "6/2", "6/6 Z2", "6/6 T1<00>".
    std::vector<std::string> Received() const;
    emulator::BoardState State() const;
    // One of the settings the board keeps; empty when it has none.
    std::string Setting(const std::string& name) const;
    // The firmware image the board kept from the last upload.
    std::vector<uint8_t> UploadedImage() const { return board_.State().uploadImage; }
    const std::string& SocketPath() const { return board_.SocketPath(); }

private:
    ScenarioLines lines_;
    emulator::Board board_;
    bool running_ = false;
    emulator::PacketLog logicLog_;
    std::unique_ptr<emulator::BoardLogic> logic_;
};

}  // namespace testboard

#endif
