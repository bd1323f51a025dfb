#include "support/TestBoard.h"

#include "emulator/WirePacket.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

namespace testboard {

namespace {

bool WaitUntil(const std::function<bool()>& done, unsigned timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

}  // namespace

bool TestBoard::Set(const std::string& line) { return lines_.Set(line); }

bool TestBoard::Start(const std::string& kind, const std::string& deviceDir)
{
    Stop();
    emulator::BoardSetup setup;
    if (!lines_.Build(kind, &setup)) return false;
    std::string error;
    running_ = board_.Start(setup, deviceDir, &error);
    if (!running_) ADD_FAILURE() << error;
    return running_;
}

bool TestBoard::StartLogic(const std::string& kind)
{
    emulator::BoardSetup setup;
    if (!lines_.Build(kind, &setup)) return false;
    logic_.reset(new emulator::BoardLogic(setup, logicLog_));
    return true;
}

std::vector<std::string> TestBoard::Ask(const std::string& request)
{
    std::vector<std::string> answers;
    if (!logic_) {
        ADD_FAILURE() << "the board's logic was not started";
        return answers;
    }
    emulator::WirePacket packet;
    packet.da = 6;
    packet.dc = 6;
    packet.data.assign(request.begin(), request.end());
    for (const emulator::Outbound& out : logic_->StreamWrite(emulator::EncodeWirePacket(packet))) {
        const emulator::DecodedPacket decoded = emulator::DecodeWirePacket(out.bytes);
        answers.emplace_back(decoded.packet.data.begin(), decoded.packet.data.end());
    }
    return answers;
}

emulator::BoardState TestBoard::State() const { return logic_ ? logic_->State() : board_.State(); }

std::string TestBoard::Setting(const std::string& name) const
{
    const emulator::BoardState state = State();
    const auto found = state.settings.find(name);
    return found == state.settings.end() ? std::string() : found->second;
}

void TestBoard::Stop()
{
    if (running_) board_.Stop();
    running_ = false;
}

bool TestBoard::Settle(unsigned timeoutMs) const
{
    return WaitUntil(
        [this] {
            int opened = 0;
            int ended = 0;
            for (const emulator::LogEntry& entry : board_.LogEntries()) {
                if (entry.kind == emulator::LogKind::Open &&
                    entry.note.find("opened") != std::string::npos)
                    ++opened;
                // A connection whose open failed hangs up as '?': it was never opened.
                const bool hungUp = entry.kind == emulator::LogKind::HungUp && entry.tag != '?';
                if (hungUp || entry.kind == emulator::LogKind::Closed) ++ended;
            }
            return ended >= opened;
        },
        timeoutMs);
}

bool TestBoard::WaitForLog(size_t count, unsigned timeoutMs) const
{
    return WaitUntil([this, count] { return board_.LogEntries().size() >= count; }, timeoutMs);
}

std::vector<emulator::LogEntry> TestBoard::EntriesOf(emulator::LogKind kind) const
{
    std::vector<emulator::LogEntry> found;
    for (const emulator::LogEntry& entry : board_.LogEntries())
        if (entry.kind == kind) found.push_back(entry);
    return found;
}

std::string TestBoard::LogText() const
{
    std::string text;
    for (const emulator::LogEntry& entry : board_.LogEntries())
        text += emulator::FormatLogEntry(entry) + "\n";
    return text;
}

std::vector<std::string> TestBoard::Received() const { return ReceivedPackets(board_.LogEntries()); }

}  // namespace testboard
