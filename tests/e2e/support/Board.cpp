#include "Board.h"

#include "LaneFolder.h"
#include "Variant.h"
#include "emulator/Board.h"
#include "emulator/Personality.h"
#include "emulator/Scenario.h"
#include "emulator/WirePacket.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <thread>

namespace e2e {

struct Board::Emulated {
    emulator::Scenario scenario;
    emulator::Board board;
    bool running = false;
};

namespace {

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

Board::Board(const LaneFolder& lane, const Variant& variant)
    : lane_(lane), variant_(variant), emulated_(new Emulated)
{
}

Board::~Board() { Stop(); }

void Board::Set(const std::string& line)
{
    std::string error;
    EXPECT_TRUE(emulator::AddScenarioLine(&emulated_->scenario, line, "test", &error)) << error;
}

void Board::Start()
{
    if (emulated_->running) return;
    const emulator::Personality* personality = emulator::FindPersonality(variant_.name);
    ASSERT_NE(personality, nullptr) << variant_.name;
    emulator::BoardSetup setup;
    std::string error;
    ASSERT_TRUE(emulator::BuildBoardSetup(emulated_->scenario, *personality, &setup, &error)) << error;
    ASSERT_TRUE(emulated_->board.Start(setup, lane_.DeviceDir(), &error)) << error;
    emulated_->running = true;
}

void Board::Stop()
{
    if (!emulated_->running) return;
    emulated_->board.Stop();
    emulated_->running = false;
}

void Board::Settle()
{
    if (!emulated_->running) return;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    for (;;) {
        int opened = 0;
        int hungUp = 0;
        for (const emulator::LogEntry& entry : emulated_->board.LogEntries()) {
            if (entry.kind == emulator::LogKind::Open && entry.note.find("opened") != std::string::npos)
                ++opened;
            if (entry.kind == emulator::LogKind::HungUp) ++hungUp;
        }
        if (hungUp >= opened) return;
        if (std::chrono::steady_clock::now() > deadline) {
            ADD_FAILURE() << "the utility left " << opened - hungUp << " connections open";
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

std::vector<std::string> Board::Received() const
{
    std::vector<std::string> packets;
    if (!emulated_) return packets;
    for (const emulator::LogEntry& entry : emulated_->board.LogEntries())
        if (entry.kind == emulator::LogKind::ToBoard) packets.push_back(PacketText(entry.wire));
    return packets;
}

std::vector<uint8_t> Board::UploadedImage() const
{
    if (!emulated_) return {};
    return emulated_->board.State().uploadImage;
}

std::string Board::LogText() const
{
    std::string text;
    for (const emulator::LogEntry& entry : emulated_->board.LogEntries())
        text += emulator::FormatLogEntry(entry) + "\n";
    return text;
}

}  // namespace e2e
