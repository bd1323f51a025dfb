// The scale test's display step in Continuous mode, the dump file's
// failures, and what the capture file says about an unusable EU value
// (Normal mode and a good capture are tested end to end).
#include "commands/ScaleDisplay.h"
#include "commands/ScaleValues.h"
#include "config/PgmCnfgTestHooks.h"
#include "support/CaptureFiles.h"
#include "support/ScriptedConsole.h"
#include "support/TestEnvironment.h"
#include "trace/CaptureFile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

namespace {

const char STABLE[] = "  2. 0  -    2. 0  -    2. 0  -    0  -  STABLE\n";
const char UNSTABLE[] = "  2. 0  -    2. 0  -    2. 0  -    0  -  UNSTABLE *******\n";

ModulePacket Reading(uint8_t flags, uint16_t average = 4300)
{
    ModulePacket packet;
    std::memset(&packet, 0, sizeof packet);
    packet.DL = 11;
    const uint8_t bytes[] = {'s',
                             '7',
                             flags,
                             static_cast<uint8_t>(average >> 8),
                             static_cast<uint8_t>(average),
                             0x10,
                             0xCC,
                             0x10,
                             0xCC,
                             0,
                             0};
    std::memcpy(packet.data, bytes, sizeof bytes);
    return packet;
}

void Show(uint8_t flags, uint16_t average = 4300)
{
    const ModulePacket reading = Reading(flags, average);
    ShowScaleReading(&reading);
}

class ScaleDisplay : public ::testing::Test {
protected:
    void SetUp() override
    {
        ProgramConfigUseDefaultsForTests();
        capture::CreateFolder();
        ParseScaleConfig("21.5,12");
        SetScaleDisplayMode(SCALE_DISPLAY_NORMAL);
    }
    void TearDown() override { StopScaleCapture(); }
    scripted::ConsoleScope console;
};

TEST_F(ScaleDisplay, ContinuousModeShowsEveryReadingAndRestartsTheCount)
{
    Show(0);
    Show(0);
    SetScaleDisplayMode(SCALE_DISPLAY_CONTINUOUS);
    Show(0);
    Show(0);
    SetScaleDisplayMode(SCALE_DISPLAY_NORMAL);
    Show(0);
    EXPECT_EQ(scripted::Output(),
              std::string(STABLE) + "1 - Stables\r" + STABLE + STABLE + "1 - Stables\r");

    // An unstable reading seen in Continuous mode makes Normal mode show
    // the next stable one.
    scripted::ClearOutput();
    SetScaleDisplayMode(SCALE_DISPLAY_CONTINUOUS);
    Show(1);
    SetScaleDisplayMode(SCALE_DISPLAY_NORMAL);
    Show(0);
    Show(0);
    EXPECT_EQ(scripted::Output(), std::string(UNSTABLE) + STABLE + "1 - Stables\r");
}

TEST_F(ScaleDisplay, EndWithoutCaptureOnlySaysTheFileIsClosed)
{
    EndScaleCapture();
    EXPECT_EQ(scripted::Output(), "Capture file closed\n");
    EXPECT_FALSE(testenv::FileExists(capture::FolderPath() + "/ScaleDump.txt"));
}

TEST_F(ScaleDisplay, ADumpFileThatCannotBeOpenedLeavesCaptureOff)
{
    std::filesystem::create_directories(capture::FolderPath() + "/ScaleDump.txt");
    StartScaleCapture();
    Show(0);
    EXPECT_EQ(
        scripted::Output(),
        std::string("Opening ScaleDump.txt\nERROR 01: Can not open ScaleDump.txt file\n") + STABLE);
    // A second F tries again.
    scripted::ClearOutput();
    StartScaleCapture();
    EXPECT_NE(scripted::Output().find("ERROR 01"), std::string::npos);
}

TEST_F(ScaleDisplay, UnusableEuValueIsExplainedOnceForEachConfiguration)
{
    if (CaptureState() != CAPTURE_NOT_OPENED) GTEST_SKIP() << capture::freshProcessOnly;
    for (const char* config : {"0,12", "1e-300,12"}) {
        ParseScaleConfig(config);
        Show(0);
        Show(1, 65535);
    }
    int whole = 0;
    float perHundredthPound = 0;
    ScaleEuLine(&whole, &perHundredthPound);
    int said = 0;
    for (const std::string& line : capture::TraceLines(capture::Read(1)))
        if (line.find("gives no usable weight; scale values are shown as if it were 1") !=
            std::string::npos)
            ++said;
    EXPECT_EQ(said, 2);
    EXPECT_NE(scripted::Output().find(" 43. 0  -"), std::string::npos);
}

}  // namespace
