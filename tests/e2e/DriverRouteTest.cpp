// The test driver route's own promises (the calls the utilities never make
// among them): board-driver-probe.exe makes the calls of a board device one
// by one under Wine against the in-process board.
#include "support/posix/ChildProcess.h"
#include "LaneFolder.h"
#include "WindowsUnderWine.h"
#include "support/TestBoard.h"
#include "support/Wire.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;

namespace e2e {
namespace {

std::string Hex(const testwire::Bytes& bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (uint8_t byte : bytes) {
        text.push_back(digits[byte >> 4]);
        text.push_back(digits[byte & 15]);
    }
    return text;
}

// The probe's lines, one per step.
std::vector<std::string> Probe(const std::vector<std::string>& steps)
{
    ChildProcess probe;
    ChildOptions options;
    options.program = WineLauncher();
    options.arguments = {WindowsProgram("driver/board-driver-probe.exe"), "SecModuleDevice0"};
    options.arguments.insert(options.arguments.end(), steps.begin(), steps.end());
    options.environment = WineEnvironment();
    options.windowsLineEnds = true;
    EXPECT_TRUE(probe.Start(options)) << probe.Error();
    probe.CloseInput();
    EXPECT_EQ(probe.Wait(60000), 0) << probe.Errors();
    std::vector<std::string> lines;
    std::string line;
    for (char c : probe.Output()) {
        if (c != '\n') {
            line.push_back(c);
        } else {
            lines.push_back(line);
            line.clear();
        }
    }
    return lines;
}

class DriverRoute : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!UnderWine()) GTEST_SKIP() << "the route serves the Windows programs under Wine";
        const std::string missing = WindowsToolMissing("driver/board-driver-probe.exe");
        if (!missing.empty()) GTEST_SKIP() << missing;
        lane_.reset(new LaneFolder);
        WineRouteUp();
    }

    std::unique_ptr<LaneFolder> lane_;
    testboard::TestBoard board_;
};

TEST_F(DriverRoute, CarriesTheDeviceControlAndCutsAReadToTheCallersBuffer)
{
    board_.Set("fault.Z2=oversize:70");
    ASSERT_TRUE(board_.Start("su", lane_->DeviceDir()));
    ServeBoardUnderWine(lane_->DeviceDir(), "SecModuleDevice0");
    const testwire::Bytes system = testwire::Wire(0, 160, "test");
    const testwire::Bytes z2 = testwire::Wire(6, 6, "Z2");
    const std::vector<std::string> lines =
        Probe({"open-w", "open-r", "control:" + Hex(system), "write:" + Hex(z2), "read:64"});
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[2], "control:" + Hex(system) + " ok");
    EXPECT_EQ(lines[3], "write:" + Hex(z2) + " ok 6");
    // 70 bytes for a buffer of 64: the first 64, and ERROR_MORE_DATA.
    EXPECT_THAT(lines[4], HasSubstr("read:64 error 234 64 "));
    EXPECT_TRUE(board_.Settle());
    const std::vector<emulator::LogEntry> in = board_.EntriesOf(emulator::LogKind::ToBoard);
    ASSERT_EQ(in.size(), 2u);
    EXPECT_EQ(in[0].tag, 'C');
    EXPECT_EQ(in[0].controlCode, 0x0022AB86u);
    EXPECT_EQ(in[0].wire, system);
    EXPECT_EQ(in[1].tag, 'D');
    EXPECT_EQ(in[1].wire, z2);
}

TEST_F(DriverRoute, HangUpAndRefusedOpenFailTheCallsWithFixedCodes)
{
    // The second open is refused with 5; the board hangs up the reading
    // connection instead of answering Z2. (Under Wine the driver is not told
    // the access an open asks for: the opens go write, read, write, read, as
    // the utilities make them.)
    board_.Set("open.2=refuse:5");
    board_.Set("fault.Z2=close");
    ASSERT_TRUE(board_.Start("su", lane_->DeviceDir()));
    ServeBoardUnderWine(lane_->DeviceDir(), "SecModuleDevice0");
    const std::string z2 = "write:" + Hex(testwire::Wire(6, 6, "Z2"));
    const std::vector<std::string> lines =
        Probe({"open-w", "open-r", "read:64", "open-w", "open-r", z2, "read:64", "read:64"});
    // Under Wine the refused open itself succeeds (Wine does not wait for a
    // driver's answer to an open): its calls fail with the board's code.
    EXPECT_THAT(lines,
                ElementsAre("open-w ok", "open-r ok", "read:64 error 5 0 ", "open-w ok", "open-r ok",
                            z2 + " ok 6", "read:64 error 109 0 ", "read:64 error 109 0 "));
    EXPECT_TRUE(board_.Settle());
}

// A pause a program makes between two calls reaches the board as it was
// made: the probe measures its own pauses, the board when the calls came.
// Five pauses: a busy machine may hold up one hand-over on the way (the
// driver, Wine's server, the helper, the relay, the board's own thread),
// a late or early call of the route shows in most of them. A call held up
// lengthens the pause before it and shortens the one after it by as much:
// a pause may come short only by what the call that began it came late.
TEST_F(DriverRoute, KeepsThePauseBetweenTwoCalls)
{
    ASSERT_TRUE(board_.Start("su", lane_->DeviceDir()));
    ServeBoardUnderWine(lane_->DeviceDir(), "SecModuleDevice0");
    const unsigned PAUSES = 5;
    std::vector<std::string> steps = {"open-w", "open-r", "open-w", "open-r"};
    for (unsigned i = 0; i <= PAUSES; ++i) {
        if (i > 0) steps.push_back("pause:200");
        steps.push_back("write:" + Hex(testwire::Wire(6, 6, "Z" + std::to_string(i))));
    }
    const std::vector<std::string> lines = Probe(steps);
    ASSERT_EQ(lines.size(), steps.size());
    EXPECT_TRUE(board_.Settle());
    const std::vector<emulator::LogEntry> in = board_.EntriesOf(emulator::LogKind::ToBoard);
    ASSERT_EQ(in.size(), PAUSES + 1);
    std::vector<double> lateMs;
    double heldUpMs = 0;  // how late the call that began this pause came
    for (unsigned i = 1; i <= PAUSES; ++i) {
        const std::string& pause = lines[4 + 2 * i - 1];
        ASSERT_THAT(pause, StartsWith("pause:200 ok "));
        const double madeMs = std::stod(pause.substr(13));
        const double seenMs = std::chrono::duration<double, std::milli>(in[i].at - in[i - 1].at).count();
        std::printf("pause made %.1f ms, seen by the board %.1f ms\n", madeMs, seenMs);
        EXPECT_GE(seenMs, madeMs - 10 - heldUpMs);
        lateMs.push_back(seenMs - madeMs);
        heldUpMs = std::max(0.0, heldUpMs + seenMs - madeMs);
    }
    std::sort(lateMs.begin(), lateMs.end());
    EXPECT_LE(lateMs[PAUSES / 2], 10);
}

}  // namespace
}  // namespace e2e
