// The Scale Test menu of su_utility, end to end: the live display and dump
// file, the noise analysis with its log file, and the firmware gate, against
// the emulated SU streaming scripted readings.
#include "UtilityRun.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::Not;

namespace e2e {
namespace {

const char SCALE_FIRMWARE[] = "version=043912152010";
const char STABLE_2LB[] = "  2. 0  -    2. 0  -    2. 0  -    0  -  STABLE\n";
const char UNSTABLE_2LB[] = "  2. 0  -    2. 0  -    2. 0  -    0  -  UNSTABLE *******\n";

// Start-up, then the packets of the scale commands, then leaving with X.
std::vector<std::string> Packets(const std::vector<std::string>& middle)
{
    std::vector<std::string> packets = StartUpPackets();
    packets.insert(packets.end(), middle.begin(), middle.end());
    for (const std::string& packet : LeavingPackets(SU)) packets.push_back(packet);
    return packets;
}

const std::vector<std::string> PORT6_OPEN = {"6/1 <01><06><02><01>", "6/2"};

std::vector<std::string> Join(std::vector<std::vector<std::string>> parts)
{
    std::vector<std::string> all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

// From the main menu into the Scale Test menu and one of its items.
void OpenScaleItem(UtilityRun& run, const char* item)
{
    run.TypeWhen("Enter Command:", "T");
    run.TypeWhen("**** Test Menu ****", "4");
    run.TypeWhen("\nEnter Command :", item);
}

// From the Scale Test menu back to the main menu, and out.
void LeaveScaleMenu(UtilityRun& run)
{
    run.TypeWhen("\nEnter Command :", "X");
    run.TypeWhen("Press any key to continue", " ");
    run.TypeWhen("**** SU Utility Main Menu ****", "X");
}

TEST(ScaleTestE2E, NormalDisplayAndCaptureThroughTheMenus)
{
    UtilityRun run(SU);
    run.Module().Set(SCALE_FIRMWARE);
    for (const char* line : {"scale.config=21.5,12", "scale.rate=0", "scale.count=6",
                             "scale.reading=3,4300,4300,4300,0", "scale.reading=0,4300,4300,4300,0",
                             "scale.reading=0,4300,4300,4300,0", "scale.reading=0,4300,4300,4300,0",
                             "scale.reading=1,4300,4300,4300,0", "scale.reading=0,4300,4300,4300,0"})
        run.Module().Set(line);
    run.Start();
    OpenScaleItem(run, "1");
    // Any key starts; F right after it opens the dump before the first reading.
    run.TypeWhen("\nPress any key to start", "sF");
    const std::string shown = std::string("\n\nAvg Weight   Filter 1   ADC   Noise\n\n") +
                              "Opening ScaleDump.txt\nNEG " + UNSTABLE_2LB + STABLE_2LB +
                              "1 - Stables\r2 - Stables\r" + UNSTABLE_2LB + STABLE_2LB;
    run.TypeWhen(shown, "FE");
    run.TypeWhen("Capture file closed\n", "X");
    LeaveScaleMenu(run);
    EXPECT_EQ(run.Finish(), 0);

    EXPECT_THAT(run.Output(),
                HasSubstr("Scale Test/Dump values\n\n\nActive Keys:\n"
                          "N - Normal Display, show only new Stable and Unstable readings.\n"));
    EXPECT_THAT(run.Output(), HasSubstr("X - Exit Test\n\nPress any key to start"));
    EXPECT_EQ(CountOf(run.Output(), "Opening ScaleDump.txt"), 1);
    EXPECT_EQ(run.Lane().ReadOnDriveC("FirmwareUpdate/ScaleDump.txt"),
              "01,4300,4300,16,\n00,4300,4300,16,\n00,4300,4300,16,\n"
              "00,4300,4300,16,\n01,4300,4300,16,\n00,4300,4300,16,\n");
    EXPECT_THAT(run.Capture(), HasSubstr("SU Scale Config :21.5,12"));
    EXPECT_THAT(run.Received(),
                ElementsAreArray(Packets(
                    Join({PORT6_OPEN, {"6/6 SG", "6/6 S5", "6/6 S7", "6/6 S5", "6/6 S8", "6/3"}}))));
}

TEST(ScaleTestE2E, XOrEscapeAtTheStartSendsNoStreamCommand)
{
    UtilityRun run(SU);
    run.Module().Set(SCALE_FIRMWARE);
    run.Start();
    OpenScaleItem(run, "1");
    run.TypeWhen("\nPress any key to start", "\x1b");
    run.TypeWhen("\nEnter Command :", "1");
    run.TypeWhen("\nPress any key to start", "x");
    LeaveScaleMenu(run);
    EXPECT_EQ(run.Finish(), 0);
    EXPECT_THAT(run.Output(), Not(HasSubstr("Avg Weight   Filter 1")));
    EXPECT_THAT(run.Received(),
                ElementsAreArray(Packets(Join({PORT6_OPEN, {"6/6 SG"}, PORT6_OPEN, {"6/6 SG"}}))));
}

TEST(ScaleTestE2E, ScaleTestingBelowFirmware439OnlyPauses)
{
    UtilityRun below(SU);
    below.Module().Set("version=043812152010");
    EXPECT_EQ(below.Run({}, "T41 xx"), 0);
    EXPECT_THAT(below.Output(), Not(HasSubstr("Scale Test/Dump values")));
    EXPECT_THAT(below.Output(), HasSubstr("Enter Command:4\n\n\nPress any key to continue"));
    EXPECT_THAT(below.Received(), ElementsAreArray(Packets({})));

    UtilityRun at(SU);
    at.Module().Set(SCALE_FIRMWARE);
    EXPECT_EQ(at.Run({}, "T41xx xX"), 0);
    EXPECT_THAT(at.Output(), HasSubstr("Scale Test/Dump values"));
    EXPECT_THAT(at.Received(), ElementsAreArray(Packets(Join({PORT6_OPEN, {"6/6 SG"}}))));
}

// The first reading, then 10201 counted: one stable in ten, the noise
// cycling through the six ranges of stable limit 11, each range's value at
// its upper bound (5, 11, 23, 35, 100) so that a bound counted in the range
// above would upset the even counts.
std::string WriteLongStream(const LaneFolder& lane)
{
    const std::string path = lane.Root() + "/long-stream.csv";
    std::string text = "# flags,average,filter-1,adc,noise\n0,4250,0,0,0\n";
    const unsigned noises[] = {5, 11, 23, 35, 100, 101};
    for (unsigned i = 0; i < 10201; ++i)
        text += (i % 10 == 0 ? "0" : "1") + std::string(",4300,0,0,") + std::to_string(noises[i % 6]) +
                "\n";
    WriteTextFile(path, text);
    return path;
}

TEST(ScaleAnalysisE2E, IntervalsWithZeroingLogTheirOwnCountsAndTheHeadersDiffer)
{
    UtilityRun run(SU);
    run.Module().Set(SCALE_FIRMWARE);
    run.Module().Set("scale.config=21.5,11");
    // Paced, unlike the short streams: unpaced, 10202 readings can outrun the
    // utility's bounded receive queue and lose readings. 2000 a second is 24
    // times a real scale's pace and still five seconds in all.
    run.Module().Set("scale.rate=2000");
    run.Module().Set("scale.count=10202");
    run.Module().Set("scale.readings=" + WriteLongStream(run.Lane()));
    run.Start();
    OpenScaleItem(run, "2");
    run.TypeWhen("(enter 0 or blank for none) :", "1\n");
    run.TypeWhen("Zero values for each interval :", "y");
    run.TypeWhen("Do you want to log this data :", "y");
    const auto start = std::chrono::steady_clock::now();
    run.TypeWhen("Press any key to start", " ");
    run.TypeWhen("\r    10200 :      510 :    4590 :     850 :     850 :   1700 :     850 :     850\r\n",
                 "X", 120000);
    const long long ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
            .count();
    std::printf("10202 readings streamed and counted in %lld ms\n", ms);
    run.TypeWhen("Press any key to continue", " ");
    LeaveScaleMenu(run);
    EXPECT_EQ(run.Finish(), 0);

    // The output holds 10202 running lines: a failure names the missing part only.
    const std::string output = run.Output();
    for (const char* part :
         {"**** Analyze Scale values ****\n\n\n\n",
          "Zero values for each interval :Y\nDo you want to log this data :Y\n\n"
          "Press the \"X\" key to exit.\n\nPress any key to start\n\nNoise Range Counts,  Started ",
          "   Total  :   Stable : Unstable:  0 - 5 : 6 - 11 :12 - 35 :36 - 100 :Over 100\n"
          "        0 :        0 :",
          "\r     5100 :      510 :    4590 :     850 :     850 :   1700 :     850 :     850\r\n"
          "     5101 :        1 :       0 :       1 :       0 :      0 :       0 :       0\r",
          "Ending Weight       4300\n\n\n\nPress any key to continue"})
        EXPECT_NE(output.find(part), std::string::npos) << "missing on the screen: " << part;

    const std::string log = run.Lane().ReadOnDriveC("FirmwareUpdate/AnalyzeData.txt");
    EXPECT_THAT(log,
                HasSubstr("   Total  :   Stable : Unstable:  0 - 5 : 6 - 11 : 12 - 23 :24 - 35 :36 - "
                          "100 :Over 100\n"
                          "     5100 :      510 :    4590 :     850 :     850 :     850 :    850 :"
                          "     850 :     850\n"
                          "    10200 :      510 :    4590 :     850 :     850 :     850 :    850 :"
                          "     850 :     850\n"
                          "    10201 :        1 :       0 :       1 :       0 :       0 :      0 :"
                          "       0 :       0\n\n\n\nResults, Time Stop "));
    EXPECT_THAT(log, HasSubstr("Stable Limit        11\nTotal Readings     10201\n"
                               "Total Stable        1021  -   10.009%\n"
                               "Total Unstable      9180  -   89.991%\n"
                               " 0 -  5 Range       1701  -   16.675%\n"));
    EXPECT_THAT(log, HasSubstr("Max Noise Value      101\nMin Noise Value        5\n"
                               "Starting Weight     4250\nEnding Weight       4300\n\n"));
    EXPECT_THAT(run.Received(),
                ElementsAreArray(Packets(
                    Join({PORT6_OPEN, {"6/6 SG", "6/6 S5", "6/6 S7", "6/6 S5", "6/6 S8", "6/3"}}))));
}

TEST(ScaleAnalysisE2E, WithoutIntervalNothingIsAskedOrLoggedAndXBeforeAReadingShowsNoResults)
{
    UtilityRun run(SU);
    run.Module().Set(SCALE_FIRMWARE);
    run.Module().Set("scale.count=0");
    run.Start();
    OpenScaleItem(run, "2");
    run.TypeWhen("(enter 0 or blank for none) :", "\n");
    run.TypeWhen("Press any key to start", " ");
    // The stream is asked for; nothing comes.
    for (int i = 0; i < 500 && CountOf(LowerCase(run.Module().LogText()), "s7") == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    run.Type("X");
    LeaveScaleMenu(run);
    EXPECT_EQ(run.Finish(), 0);
    const std::string output = run.Output();
    EXPECT_THAT(output, Not(HasSubstr("Zero values")));
    EXPECT_THAT(output, Not(HasSubstr("Noise Range Counts")));
    EXPECT_THAT(output, Not(HasSubstr("Results")));
    EXPECT_FALSE(PathExists(run.Lane().OnDriveC("FirmwareUpdate/AnalyzeData.txt")));
    EXPECT_THAT(run.Received(), ElementsAreArray(Packets(Join(
                                    {PORT6_OPEN, {"6/6 SG", "6/6 S5", "6/6 S7", "6/6 S5", "6/6 S8"}}))));
}

}  // namespace
}  // namespace e2e
