#include "support/TestBoard.h"

#include "emulator/Personality.h"
#include "emulator/WirePacket.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
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

std::string PacketText(const std::vector<uint8_t>& wire)
{
    const emulator::DecodedPacket decoded = emulator::DecodeWirePacket(wire);
    std::string text = std::to_string(decoded.packet.da) + "/" + std::to_string(decoded.packet.dc);
    if (!decoded.packet.data.empty()) text += " ";
    for (uint8_t byte : decoded.packet.data) {
        if (byte > 0x20 && byte < 0x7F && byte != '<') {
            text.push_back(static_cast<char>(byte));
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "<%02X>", byte);
            text += hex;
        }
    }
    if (!decoded.complete || !decoded.checksumOk) text += " (bad checksum)";
    return text;
}

}  // namespace

bool TestBoard::Set(const std::string& line)
{
    std::string error;
    if (emulator::AddScenarioLine(&scenario_, line, "test", &error)) return true;
    ADD_FAILURE() << error;
    return false;
}

bool TestBoard::Start(const std::string& kind, const std::string& deviceDir)
{
    Stop();
    const emulator::Personality* personality = emulator::FindPersonality(kind);
    emulator::BoardSetup setup;
    std::string error = "no board of the kind " + kind;
    const bool started = personality != nullptr &&
                         emulator::BuildBoardSetup(scenario_, *personality, &setup, &error) &&
                         board_.Start(setup, deviceDir, &error);
    scenario_ = emulator::Scenario();
    if (!started) ADD_FAILURE() << error;
    running_ = started;
    return started;
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
                if (entry.kind == emulator::LogKind::HungUp || entry.kind == emulator::LogKind::Closed)
                    ++ended;
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

std::vector<std::string> TestBoard::Received() const
{
    std::vector<std::string> packets;
    for (const emulator::LogEntry& entry : EntriesOf(emulator::LogKind::ToBoard))
        packets.push_back(PacketText(entry.wire));
    return packets;
}

}  // namespace testboard
