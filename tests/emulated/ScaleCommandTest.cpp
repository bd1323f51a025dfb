// The scale requests and the analysis over the real link and board socket,
// with the emulated SU; the analysis runs on a thread of its own while the
// test types keys as a technician would.
#include "commands/Command_ScaleTest.h"
#include "commands/ScaleStream.h"
#include "commands/ScaleValues.h"
#include "emulated/BoardClient.h"
#include "base/ProgramOptions.h"
#include "base/Variant.h"
#include "link/securitymodule.h"
#include "link/securitymodule_commands.h"
#include "support/CaptureFiles.h"
#include "support/ScriptedConsole.h"
#include "support/TestEnvironment.h"
#include "trace/TraceTestHooks.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

typedef std::chrono::steady_clock Clock;

class ScaleCommand : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The scale exists on the SU only.
        if (IsCuUtility()) GTEST_SKIP() << "su_utility only";
        TraceSetErrorHoldForTests(0);
        ResetProgramOptions();
        capture::CreateFolder();
        scripted::InstallConsole();
        scripted::HoldEndOfInput(true);
    }

    void TearDown() override
    {
        scripted::HoldEndOfInput(false);
        if (command.joinable()) command.join();
        CloseSecurityModule();
        scripted::UninstallConsole();
    }

    void StartBoard(const std::vector<std::string>& lines)
    {
        ASSERT_TRUE(testboard::Start(board, "su", lines));
        ASSERT_EQ(InitializeSecurityModule(), 0);
        ASSERT_EQ(OpenSecurityModulePort6(), 0);
        // What the module held before the request.
        ParseScaleConfig("1,5");
    }

    void TypeWhen(const std::string& text, const std::string& keys)
    {
        ASSERT_TRUE(scripted::WaitForOutput(text, 10000))
            << "\"" << text << "\" did not appear; output:\n"
            << scripted::Output();
        scripted::Type(keys);
    }

    testboard::TestBoard board;
    std::thread command;
};

TEST_F(ScaleCommand, ConfigurationIsTheReplyTextUpToItsFirstZeroByte)
{
    // The 99th packet may still be the reply.
    StartBoard({"scale.config=21.5,12\\x0099", "fault.SG=unrelated:98"});
    RequestScaleConfig();
    EXPECT_EQ(ScaleEuValue, 21.5);
    EXPECT_EQ(ScaleStableLimit, 12);
    EXPECT_NE(capture::Read(1).find(":   SU Scale Config :21.5,12\n"), std::string::npos);
    EXPECT_EQ(scripted::Output().find("ERROR"), std::string::npos);
}

TEST_F(ScaleCommand, ConfigurationReplyAsTheHundredthPacketFailsAndKeepsTheValues)
{
    StartBoard({"scale.config=21.5,12", "fault.SG=unrelated:99"});
    RequestScaleConfig();
    EXPECT_NE(scripted::Output().find("ERROR 12: Request EU Failed.\n"), std::string::npos);
    EXPECT_EQ(ScaleEuValue, 1);
    EXPECT_EQ(ScaleStableLimit, 5);
}

TEST_F(ScaleCommand, ConfigurationRequestWithoutReplyGivesUpAfterItsWait)
{
    StartBoard({"fault.SG=no-reply"});
    const Clock::time_point start = Clock::now();
    RequestScaleConfig();
    // Ten 100 ms polls.
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(950));
    EXPECT_NE(scripted::Output().find("ERROR 10: Request EU Failed.\n"), std::string::npos);
    EXPECT_EQ(ScaleEuValue, 1);
    EXPECT_EQ(ScaleStableLimit, 5);
}

TEST_F(ScaleCommand, AnalysisWithoutIntervalAsksNothingLogsNothingAndShowsTheResults)
{
    // Stable limit 80: 104 is the top of range 3, range 4 (105 - 100) is empty.
    StartBoard({"scale.config=21.5,80", "scale.rate=0", "scale.count=4", "scale.reading=0,4250,0,0,0",
                "scale.reading=0,4300,0,0,104", "scale.reading=0,4300,0,0,105",
                "scale.reading=1,4310,0,0,80"});
    CloseSecurityModulePort6();
    command = std::thread([] { AnalyzeScaleData(); });
    TypeWhen("(enter 0 or blank for none) :", "\n");
    TypeWhen("Press any key to start", " ");
    TypeWhen("        2 :        2 :       0 :       0 :       0 :      1 :       0 :       1\r", "X");
    TypeWhen("Press any key to continue", " ");
    command.join();
    const std::string output = scripted::Output();
    EXPECT_NE(
        output.find("**** Analyze Scale values ****\n\n\n\nEnter Time Interval in minutes (enter 0 "
                    "or blank for none) :Press the \"X\" key to exit.\n\nPress any key to start"
                    "\n\nNoise Range Counts,  Started "),
        std::string::npos)
        << output;
    EXPECT_NE(output.find("Unstable:  0 - 40 : 41 - 80 :81 - 104 :105 - 100 :Over 100\n"),
              std::string::npos);
    EXPECT_NE(output.find("Total Readings         3\n"
                          "Total Stable           2  -   66.667%\n"
                          "Total Unstable         1  -   33.333%\n"
                          " 0 - 40 Range          0  -    0.000%\n"
                          "41 - 80 Range          1  -   33.333%\n"
                          "81 - 92 Range          0  -    0.000%\n"
                          "93 - 104 Range          1  -   33.333%\n"
                          "105 - 100 Range         0  -    0.000%\n"
                          "Over 100 Range         1  -   33.333%\n"
                          "Max Noise Value      105\n"
                          "Min Noise Value       80\n"
                          "Starting Weight     4250\n"
                          "Ending Weight       4310\n\n\n\nPress any key to continue"),
              std::string::npos)
        << output;
    EXPECT_EQ(output.find("Zero values"), std::string::npos);
    EXPECT_FALSE(testenv::FileExists(capture::FolderPath() + "/AnalyzeData.txt"));
}

}  // namespace
