// The scale test and the scale analysis over the real link and board socket,
// with the emulated SU streaming scripted readings; each command runs on a
// thread of its own while the test types keys as a technician would.
#include "commands/Command_ScaleTest.h"
#include "commands/ScaleStream.h"
#include "commands/ScaleValues.h"
#include "emulated/EmulatorBoard.h"
#include "emulator/Board.h"
#include "frame/ProgramOptions.h"
#include "frame/Variant.h"
#include "link/securitymodule.h"
#include "link/securitymodule_commands.h"
#include "support/CaptureFiles.h"
#include "support/ScriptedConsole.h"
#include "support/TestEnvironment.h"
#include "trace/TraceTestHooks.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <thread>

namespace {

typedef std::chrono::steady_clock Clock;

const char STABLE_2LB[] = "  2. 0  -    2. 0  -    2. 0  -    0  -  STABLE\n";
const char UNSTABLE_2LB[] = "  2. 0  -    2. 0  -    2. 0  -    0  -  UNSTABLE *******\n";

int CountOf(const std::string& text, const std::string& part)
{
    int count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

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
    }

    void RunScaleTest()
    {
        command = std::thread([this] { result = ScaleTest(); });
    }
    void RunAnalysis()
    {
        command = std::thread([] { AnalyzeScaleData(); });
    }

    // Types keys once the text has appeared.
    void TypeWhen(const std::string& text, const std::string& keys, unsigned timeoutMs = 10000)
    {
        ASSERT_TRUE(scripted::WaitForOutput(text, timeoutMs))
            << "\"" << text << "\" did not appear; output:\n"
            << scripted::Output();
        scripted::Type(keys);
    }

    // Lets the command end as a technician who walked away would (every
    // later key is X) and waits for it.
    void Finish()
    {
        scripted::HoldEndOfInput(false);
        command.join();
        testboard::WaitForLog(board, 0);
    }

    // The scale requests the board received ("S5", "SG", ...), in order.
    std::vector<std::string> ScaleRequests() const
    {
        std::vector<std::string> requests;
        for (const emulator::LogEntry& entry : testboard::EntriesOf(board, emulator::LogKind::ToBoard))
            if (entry.wire.size() >= 5 && entry.wire[0] == 6 && entry.wire[1] == 6 && entry.wire[3] == 'S')
                requests.push_back(std::string(1, 'S') + static_cast<char>(entry.wire[4]));
        return requests;
    }

    size_t PortCloses() const
    {
        size_t closes = 0;
        for (const emulator::LogEntry& entry : testboard::EntriesOf(board, emulator::LogKind::ToBoard))
            if (entry.note.find("port-close") != std::string::npos) ++closes;
        return closes;
    }

    emulator::Board board;
    std::thread command;
    int result = -1;
};

TEST_F(ScaleCommand, ConfigurationRequestFillsTheEuValueAndStableLimit)
{
    StartBoard({"scale.config=21.5,12"});
    ASSERT_EQ(OpenSecurityModulePort6(), 0);
    RequestScaleConfig();
    EXPECT_EQ(ScaleEuValue, 21.5);
    EXPECT_EQ(ScaleStableLimit, 12);
    EXPECT_NE(capture::Read(1).find(":   SU Scale Config :21.5,12\n"), std::string::npos);
    EXPECT_EQ(scripted::Output().find("ERROR"), std::string::npos);
}

TEST_F(ScaleCommand, ConfigurationTextEndsAtItsFirstZeroByte)
{
    StartBoard({"scale.config=8.5,30\\x0099"});
    ASSERT_EQ(OpenSecurityModulePort6(), 0);
    RequestScaleConfig();
    EXPECT_EQ(ScaleEuValue, 8.5);
    EXPECT_EQ(ScaleStableLimit, 30);
}

TEST_F(ScaleCommand, ConfigurationReplyMayBeTheNinetyNinthPacket)
{
    StartBoard({"scale.config=21.5,12", "fault.SG=unrelated:98"});
    ASSERT_EQ(OpenSecurityModulePort6(), 0);
    RequestScaleConfig();
    EXPECT_EQ(ScaleStableLimit, 12);
    EXPECT_EQ(scripted::Output().find("ERROR"), std::string::npos);
}

TEST_F(ScaleCommand, ConfigurationReplyAsTheHundredthPacketFailsAndKeepsTheValues)
{
    StartBoard({"scale.config=21.5,12", "fault.SG=unrelated:99"});
    ASSERT_EQ(OpenSecurityModulePort6(), 0);
    ParseScaleConfig("1,5");
    RequestScaleConfig();
    EXPECT_NE(scripted::Output().find("ERROR 12: Request EU Failed.\n"), std::string::npos);
    EXPECT_EQ(ScaleEuValue, 1);
    EXPECT_EQ(ScaleStableLimit, 5);
}

TEST_F(ScaleCommand, ConfigurationRequestWithoutReplyGivesUpAfterItsWait)
{
    StartBoard({"fault.SG=no-reply"});
    ASSERT_EQ(OpenSecurityModulePort6(), 0);
    ParseScaleConfig("1,5");
    const Clock::time_point start = Clock::now();
    RequestScaleConfig();
    // Ten 100 ms polls.
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(950));
    EXPECT_NE(scripted::Output().find("ERROR 10: Request EU Failed.\n"), std::string::npos);
    EXPECT_EQ(ScaleEuValue, 1);
    EXPECT_EQ(ScaleStableLimit, 5);
}

TEST_F(ScaleCommand, ExitBeforeTheStartSendsNoStreamCommand)
{
    StartBoard({});
    for (const char* key : {"X", "\x1b"}) {
        scripted::ClearOutput();
        RunScaleTest();
        TypeWhen("\nPress any key to start", key);
        command.join();
        EXPECT_EQ(result, 0);
        EXPECT_EQ(scripted::Output().find("Avg Weight   Filter 1"), std::string::npos);
    }
    EXPECT_EQ(ScaleRequests(), (std::vector<std::string>{"SG", "SG"}));
}

TEST_F(ScaleCommand, NormalModeShowsOneStableLineThenCountsAndShowsTheNextUnstable)
{
    StartBoard({"scale.rate=0", "scale.count=6", "scale.reading=1,4300,4300,4300,0",
                "scale.reading=0,4300,4300,4300,0", "scale.reading=0,4300,4300,4300,0",
                "scale.reading=0,4300,4300,4300,0", "scale.reading=3,4300,4300,4300,0",
                "scale.reading=0,4300,4300,4300,0"});
    RunScaleTest();
    TypeWhen("Press any key to start", " ");
    TypeWhen(std::string("NEG ") + UNSTABLE_2LB + STABLE_2LB, "X");
    command.join();
    EXPECT_EQ(result, 0);
    const std::string output = scripted::Output();
    EXPECT_NE(output.find("\n\nAvg Weight   Filter 1   ADC   Noise\n\n" + std::string(UNSTABLE_2LB) +
                          STABLE_2LB + "1 - Stables\r2 - Stables\rNEG " + UNSTABLE_2LB + STABLE_2LB),
              std::string::npos)
        << output;
    EXPECT_EQ(ScaleRequests(), (std::vector<std::string>{"SG", "S5", "S7", "S5", "S8"}));
    EXPECT_EQ(PortCloses(), 1u);
}

TEST_F(ScaleCommand, CaptureOpensTheDumpFileOnceAndTakesEveryReading)
{
    StartBoard({"scale.rate=0", "scale.count=3", "scale.reading=1,4300,4301,4660,0",
                "scale.reading=0,4300,4302,4661,0", "scale.reading=0,4300,4303,4662,0"});
    RunScaleTest();
    // C first: every reading is shown, so the test can tell when all came.
    TypeWhen("Press any key to start", " CF");
    TypeWhen("STABLE\n  2. 0  -    2. 0  -  ", "FE");
    TypeWhen("Capture file closed", "X");
    command.join();
    const std::string output = scripted::Output();
    EXPECT_EQ(CountOf(output, "Opening ScaleDump.txt\n"), 1);
    EXPECT_EQ(CountOf(output, "  UNSTABLE *******\n"), 1);
    EXPECT_EQ(CountOf(output, "  STABLE\n"), 2);
    EXPECT_EQ(testenv::ReadFile(capture::FolderPath() + "/ScaleDump.txt"),
              "01,4300,4301,18,\n00,4300,4302,18,\n00,4300,4303,18,\n");
}

TEST_F(ScaleCommand, AnalysisWithoutIntervalAsksNothingAndWritesNoFile)
{
    StartBoard({"scale.config=21.5,11", "scale.rate=0", "scale.count=4",
                "scale.reading=0,4250,0,0,1", "scale.reading=0,4300,0,0,5",
                "scale.reading=1,4310,0,0,6", "scale.reading=0,4320,0,0,101"});
    RunAnalysis();
    TypeWhen("(enter 0 or blank for none) :", "\n");
    TypeWhen("Press any key to start", " ");
    TypeWhen("        2 :        1 :       1 :       1 :       1 :      0 :       0 :       0\r", "X");
    TypeWhen("Press any key to continue", " ");
    command.join();
    const std::string output = scripted::Output();
    EXPECT_EQ(output.find("Zero values"), std::string::npos);
    EXPECT_EQ(output.find("Do you want to log"), std::string::npos);
    EXPECT_NE(output.find("**** Analyze Scale values ****\n\n\n\nEnter Time Interval in minutes (enter 0 "
                          "or blank for none) :Press the \"X\" key to exit.\n\nPress any key to start"
                          "\n\nNoise Range Counts,  Started "),
              std::string::npos)
        << output;
    EXPECT_NE(output.find("Unstable:  0 - 5 : 6 - 11 :12 - 35 :36 - 100 :Over 100\n"), std::string::npos);
    EXPECT_NE(output.find("Total Readings         3\n"), std::string::npos) << output;
    EXPECT_NE(output.find("Over 100 Range         1  -   33.333%\n"), std::string::npos);
    EXPECT_NE(output.find("Starting Weight     4250\nEnding Weight       4320\n\n\n\nPress any key to continue"),
              std::string::npos);
    EXPECT_FALSE(testenv::FileExists(capture::FolderPath() + "/AnalyzeData.txt"));
    EXPECT_EQ(ScaleRequests(), (std::vector<std::string>{"SG", "S5", "S7", "S5", "S8"}));
    EXPECT_EQ(PortCloses(), 1u);
}

TEST_F(ScaleCommand, AnalysisStoppedBeforeTheFirstReadingShowsNoResults)
{
    StartBoard({"scale.count=0"});
    RunAnalysis();
    TypeWhen("(enter 0 or blank for none) :", "2\n");
    TypeWhen("Zero values for each interval :", "y");
    TypeWhen("Do you want to log this data :", "y");
    TypeWhen("Press any key to start", " ");
    // Past the start: the stream has been asked for.
    for (int i = 0; i < 200 && ScaleRequests().size() < 3; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    scripted::Type("\x1b");
    command.join();
    const std::string output = scripted::Output();
    EXPECT_NE(output.find("Zero values for each interval :Y\nDo you want to log this data :Y\n\n"),
              std::string::npos);
    EXPECT_EQ(output.find("Results"), std::string::npos);
    EXPECT_EQ(output.find("Noise Range Counts"), std::string::npos);
    EXPECT_EQ(ScaleRequests(), (std::vector<std::string>{"SG", "S5", "S7", "S5", "S8"}));
    // The log was opened for the run and stays empty.
    EXPECT_EQ(testenv::ReadFile(capture::FolderPath() + "/AnalyzeData.txt"), "");
}

TEST_F(ScaleCommand, AnalysisEndsAtOnceOnXForTheIntervalOrTheStart)
{
    StartBoard({});
    RunAnalysis();
    TypeWhen("(enter 0 or blank for none) :", "x\n");
    command.join();
    scripted::ClearOutput();
    RunAnalysis();
    TypeWhen("(enter 0 or blank for none) :", "\n");
    TypeWhen("Press any key to start", "x");
    command.join();
    EXPECT_EQ(ScaleRequests(), (std::vector<std::string>{"SG", "SG"}));
    EXPECT_EQ(scripted::Output().find("Results"), std::string::npos);
}

// The first reading, then 10201 counted: one stable in ten, the noise
// cycling through the six ranges of stable limit 11.
std::string LongStreamFile()
{
    const std::string path = testenv::WorkDir() + "/long-stream.csv";
    std::string text = "0,4250,0,0,0\n";
    const unsigned noises[] = {1, 7, 20, 30, 50, 150};
    for (unsigned i = 0; i < 10201; ++i)
        text += (i % 10 == 0 ? "0" : "1") + std::string(",4300,0,0,") + std::to_string(noises[i % 6]) + "\n";
    testenv::WriteFile(path, text);
    return path;
}

TEST_F(ScaleCommand, AnalysisIntervalsWithZeroingLogTheirOwnCounts)
{
    StartBoard({"scale.config=21.5,11", "scale.rate=0", "scale.count=10202",
                "scale.readings=" + LongStreamFile()});
    const Clock::time_point start = Clock::now();
    RunAnalysis();
    TypeWhen("(enter 0 or blank for none) :", "1\n");
    TypeWhen("Zero values for each interval :", "y");
    TypeWhen("Do you want to log this data :", "Y");
    TypeWhen("Press any key to start", " ");
    TypeWhen("\r    10200 :      510 :    4590 :     850 :     850 :   1700 :     850 :     850\r\n", "X",
             60000);
    TypeWhen("Press any key to continue", " ");
    command.join();
    const long long ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    RecordProperty("milliseconds", static_cast<int>(ms));
    std::printf("10202 readings analysed in %lld ms\n", ms);

    const std::string log = testenv::ReadFile(capture::FolderPath() + "/AnalyzeData.txt");
    const std::vector<std::string> lines = capture::Lines(log);
    ASSERT_GE(lines.size(), 12u) << log;
    EXPECT_EQ(lines[4], "   Total  :   Stable : Unstable:  0 - 5 : 6 - 11 : 12 - 23 :24 - 35 :36 - 100 "
                        ":Over 100");
    EXPECT_EQ(lines[5], "     5100 :      510 :    4590 :     850 :     850 :     850 :    850 :     850 :     850");
    EXPECT_EQ(lines[6], "    10200 :      510 :    4590 :     850 :     850 :     850 :    850 :     850 :     850");
    EXPECT_EQ(lines[7], "    10201 :        1 :       0 :       1 :       0 :       0 :      0 :       0 :       0");
    EXPECT_EQ(lines[8] + lines[9] + lines[10], "");
    EXPECT_EQ(lines[11].substr(0, 19), "Results, Time Stop ");
    EXPECT_NE(log.find("Total Readings     10201\nTotal Stable        1021  -   10.009%\n"), std::string::npos)
        << log;
    EXPECT_NE(log.find("Ending Weight       4300\n\n"), std::string::npos);
    const std::string output = scripted::Output();
    EXPECT_NE(output.find("Zero values for each interval :Y\nDo you want to log this data :Y\n\n"
                          "Press the \"X\" key to exit.\n\n"),
              std::string::npos);
    // The screen shows the results as the file has them.
    EXPECT_NE(output.find(log.substr(log.find("\n\n\nResults"), log.size() - 1 - log.find("\n\n\nResults"))),
              std::string::npos);
}

TEST_F(ScaleCommand, AnalysisWithStableLimit80PutsNoise104InRange3And105Over100)
{
    StartBoard({"scale.config=21.5,80", "scale.rate=0", "scale.count=4", "scale.reading=0,4300,0,0,0",
                "scale.reading=0,4300,0,0,104", "scale.reading=0,4300,0,0,105",
                "scale.reading=1,4300,0,0,80"});
    RunAnalysis();
    TypeWhen("(enter 0 or blank for none) :", "\n");
    TypeWhen("Press any key to start", " ");
    TypeWhen("        2 :        2 :       0 :       0 :       0 :      1 :       0 :       1\r", "X");
    TypeWhen("Press any key to continue", " ");
    command.join();
    const std::string output = scripted::Output();
    EXPECT_NE(output.find("Unstable:  0 - 40 : 41 - 80 :81 - 104 :105 - 100 :Over 100\n"), std::string::npos)
        << output;
    EXPECT_NE(output.find("41 - 80 Range          1  -   33.333%\n"
                          "81 - 92 Range          0  -    0.000%\n"
                          "93 - 104 Range          1  -   33.333%\n"
                          "105 - 100 Range         0  -    0.000%\n"
                          "Over 100 Range         1  -   33.333%\n"
                          "Max Noise Value      105\n"
                          "Min Noise Value       80\n"),
              std::string::npos)
        << output;
}

}  // namespace
