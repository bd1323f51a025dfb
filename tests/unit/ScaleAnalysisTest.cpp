// The scale analysis without a module: noise ranges from the stable limit,
// and a run fed reading by reading, with its results and its running lines.
#include "commands/ScaleAnalysisRun.h"
#include "commands/ScaleNoiseRanges.h"
#include "commands/ScaleValues.h"
#include "config/PgmCnfgTestHooks.h"
#include "support/ScriptedConsole.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

ModulePacket Reading(uint8_t flags, uint16_t noise, uint16_t average = 4300)
{
    ModulePacket packet;
    std::memset(&packet, 0, sizeof packet);
    packet.DL = 11;
    const uint8_t bytes[] = {
        's', '7', flags, static_cast<uint8_t>(average >> 8), static_cast<uint8_t>(average), 0,
        0,   0,   0,     static_cast<uint8_t>(noise >> 8),   static_cast<uint8_t>(noise)};
    std::memcpy(packet.data, bytes, sizeof bytes);
    return packet;
}

NoiseRangeBounds Bounds(unsigned limit)
{
    NoiseRangeBounds bounds;
    ComputeNoiseRangeBounds(limit, &bounds);
    return bounds;
}

// Ranges of each noise value, in order.
std::vector<int> RangesOf(unsigned limit, const std::vector<unsigned>& noises)
{
    const NoiseRangeBounds bounds = Bounds(limit);
    std::vector<int> ranges;
    for (unsigned noise : noises) ranges.push_back(NoiseRangeOf(&bounds, noise));
    return ranges;
}

// The text after the line where prefix first appears.
std::string After(const std::string& text, const std::string& prefix)
{
    const size_t at = text.find(prefix);
    if (at == std::string::npos) return "(no \"" + prefix + "\")";
    return text.substr(text.find('\n', at) + 1);
}

TEST(ScaleNoiseRanges, ABoundBelongsToTheLowerRange)
{
    EXPECT_EQ(RangesOf(11, {0, 5, 6, 11, 12, 23, 24, 35, 36, 100, 101, 65535}),
              (std::vector<int>{0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5}));
    // L + 24 beyond 100: range 4 stays empty.
    EXPECT_EQ(RangesOf(80, {40, 41, 80, 92, 93, 104, 105}), (std::vector<int>{0, 1, 1, 2, 3, 3, 5}));
    EXPECT_EQ(RangesOf(0, {0, 1, 12, 24, 25, 100}), (std::vector<int>{0, 2, 2, 3, 4, 4}));
    // A negative limit read as unsigned puts everything in range 0.
    EXPECT_EQ(RangesOf(static_cast<unsigned>(-1), {0, 65535}), (std::vector<int>{0, 0}));
}

class ScaleAnalysis : public ::testing::Test {
protected:
    void SetUp() override
    {
        ProgramConfigUseDefaultsForTests();
        ParseScaleConfig("21.5,11");
        logPath = testenv::ScratchDir() + "/AnalyzeData.txt";
        std::remove(logPath.c_str());
    }

    // A run over the readings after the first; the log file's text.
    std::string Run(const std::vector<ModulePacket>& readings, int interval, bool zero, bool logging)
    {
        FILE* log = logging ? std::fopen(logPath.c_str(), "w") : nullptr;
        ScaleAnalysisRun run;
        const ModulePacket first = Reading(1, 9999, 4250);
        BeginScaleAnalysis(&run, &first, interval, zero, log);
        for (const ModulePacket& reading : readings) CountScaleAnalysisReading(&run, &reading);
        EndScaleAnalysis(&run);
        return testenv::ReadTextFile(logPath);
    }

    std::string logPath;
    scripted::ConsoleScope console;
};

TEST_F(ScaleAnalysis, ResultsGiveCountsPercentagesExtremesAndWeights)
{
    Run({Reading(0, 5), Reading(1, 12), Reading(0, 36), Reading(0, 200, 4410)}, 0, false, false);
    const std::string output = scripted::Output();
    EXPECT_NE(
        output.find(":Over 100\n"
                    "        0 :        0 :       0 :       0 :       0 :      0 :       0 :       0\r"
                    "        1 :        1 :       0 :       1 :       0 :      0 :       0 :       0\r"),
        std::string::npos)
        << output;
    EXPECT_NE(output.find("\n\n\nResults, Time Stop "), std::string::npos);
    EXPECT_EQ(After(output, "Results, Time Stop "),
              "\n"
              "EU Value            15  - .01 LBS = 4651.16 EUs\n"
              "Stable Limit        11\n"
              "Total Readings         4\n"
              "Total Stable           3  -   75.000%\n"
              "Total Unstable         1  -   25.000%\n"
              " 0 -  5 Range          1  -   25.000%\n"
              " 6 - 11 Range          0  -    0.000%\n"
              "12 - 23 Range          1  -   25.000%\n"
              "24 - 35 Range          0  -    0.000%\n"
              "36 - 100 Range         1  -   25.000%\n"
              "Over 100 Range         1  -   25.000%\n"
              "Max Noise Value      200\n"
              "Min Noise Value        5\n"
              "Starting Weight     4250\n"
              "Ending Weight       4410\n");
    EXPECT_FALSE(testenv::FileExists(logPath));
}

TEST_F(ScaleAnalysis, RunWithoutCountedReadingsEndsAtItsStartingWeight)
{
    ParseScaleConfig("0,80");
    Run({}, 0, false, false);
    EXPECT_EQ(After(scripted::Output(), "Results, Time Stop "),
              "\n"
              "EU Value             1  - .01 LBS = 100000.00 EUs\n"
              "Stable Limit        80\n"
              "Total Readings         0\n"
              "Total Stable           0  -    0.000%\n"
              "Total Unstable         0  -    0.000%\n"
              " 0 - 40 Range          0  -    0.000%\n"
              "41 - 80 Range          0  -    0.000%\n"
              "81 - 92 Range          0  -    0.000%\n"
              "93 - 104 Range          0  -    0.000%\n"
              "105 - 100 Range         0  -    0.000%\n"
              "Over 100 Range         0  -    0.000%\n"
              "Max Noise Value        0\n"
              "Min Noise Value   999999\n"
              "Starting Weight     4250\n"
              "Ending Weight       4250\n");
}

// 10201 readings: one stable in ten, noise cycling through the ranges.
std::vector<ModulePacket> LongStream()
{
    std::vector<ModulePacket> readings;
    const uint16_t noises[] = {1, 7, 20, 30, 50, 150};
    for (unsigned i = 0; i < 10201; ++i) readings.push_back(Reading(i % 10 == 0 ? 0 : 1, noises[i % 6]));
    return readings;
}

TEST_F(ScaleAnalysis, WithoutZeroingOrLoggingIntervalsOnlyMarkTheScreen)
{
    Run(LongStream(), 1, false, false);
    EXPECT_FALSE(testenv::FileExists(logPath));
    EXPECT_NE(scripted::Output().find(
                  "\r    10200 :     1020 :    9180 :    1700 :    1700 :   3400 :    1700 :"
                  "    1700\r\n"),
              std::string::npos);
}

}  // namespace
