// The test driver route's own promises (the calls the utilities never make
// among them): board-driver-probe.exe makes the calls of a board device one
// by one under Wine against the in-process board.
#include "ChildProcess.h"
#include "LaneFolder.h"
#include "WindowsUnderWine.h"
#include "support/TestBoard.h"
#include "support/Wire.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using ::testing::ElementsAre;
using ::testing::HasSubstr;

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

}  // namespace
}  // namespace e2e
