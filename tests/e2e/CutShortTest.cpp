// A run ended from outside, as a deployment tool ends an upload that takes
// too long: the capture file is then the only record of the run. Killed
// (SIGKILL; TerminateProcess under Wine) at a random moment of the data
// phase, it holds every line written more than 100 ms before the kill; ended
// by a signal or a console event, it holds every line.
//
// When each line was written is read off the board's packet log: the
// program writes "Bytes Left" for a block before it sends the next block, so
// the next block's arrival at the board bounds the line's writing.
#include "UtilityRun.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <random>
#include <sstream>
#include <thread>

namespace e2e {
namespace {

using Clock = std::chrono::steady_clock;

// Every block's answer comes 150 ms late (taken at the next polling step):
// the data phase lasts at least 9.6 s however fast the machine runs, so that
// the end falls inside it, and the lines come slowly enough that the
// stream's buffer alone would hold them back for seconds.
const int BLOCK_BYTES = 32;
const int IMAGE_BYTES = 64 * BLOCK_BYTES;
const char BLOCK_DELAY[] = "fault.F2=delay:150";
// The end comes this long after the first block, at a random moment.
const int EARLIEST_END_MS = 600;
const int LATEST_END_MS = 2600;
const long long KEPT_AFTER_MS = 100;
const char DATA_BLOCK[] = "6/6 F2";
// What terminate-on-cue gives TerminateProcess, and the file that cues it.
const int TERMINATED_STATUS = 1;
const char TERMINATE_CUE[] = "terminate.now";
// Wine's own handler of the Ctrl-C event ends a process with exit code 0
// (Windows gives STATUS_CONTROL_C_EXIT).
const int WINE_CTRL_C_STATUS = 0;

std::string Hex(unsigned value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%X", value);
    return text;
}

// The "Bytes Left" counts in the capture file, in order.
std::vector<int> BytesLeftLines(const std::string& capture)
{
    std::vector<int> counts;
    std::istringstream lines(capture);
    std::string line;
    const std::string mark = "   Bytes Left ";
    while (std::getline(lines, line)) {
        const size_t at = line.find(mark);
        if (at != std::string::npos) counts.push_back(std::atoi(line.c_str() + at + mark.size()));
    }
    return counts;
}

// An SU upload, ended at a random moment of its data phase. Its one line a
// block fills the stream's buffer only every few seconds.
class CutShort : public ::testing::Test {
protected:
    CutShort() : run(SU) {}

    void StartUpload()
    {
        run.Module().Set("version=033612152010");
        run.Module().Set(BLOCK_DELAY);
        std::string image;
        unsigned sum = 0;
        for (int i = 0; i < IMAGE_BYTES; ++i) {
            image.push_back(static_cast<char>('A' + i % 26));
            sum += static_cast<unsigned char>(image.back());
        }
        const std::string name = "SU_Main_CRC_" + Hex(sum) + ".bin";
        WriteTextFile(run.Lane().BinDir() + "/" + name, image);
        run.Start({"-SecurityModuleUpload", "-InputFile", name});
    }

    // Waits for the first data block, then for a random moment: returns it.
    Clock::time_point WaitForTheMomentToEnd()
    {
        const Clock::time_point giveUp = Clock::now() + std::chrono::seconds(60);
        while (Arrivals(run, DATA_BLOCK).empty() && Clock::now() < giveUp)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        std::random_device seed;
        std::mt19937 random(seed());
        const int delayMs = std::uniform_int_distribution<int>(EARLIEST_END_MS, LATEST_END_MS)(random);
        RecordProperty("EndedAfterFirstBlockMs", delayMs);
        std::printf("ended %d ms after the first data block\n", delayMs);
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
        return Clock::now();
    }

    // Every "Bytes Left" line of the blocks the board had received the next
    // block of before the time limit is in the capture file, in order; and
    // the end fell in the data phase.
    void ExpectLinesUpTo(Clock::time_point limit)
    {
        const std::vector<Clock::time_point> arrivals = Arrivals(run, DATA_BLOCK);
        ASSERT_FALSE(arrivals.empty());
        EXPECT_LT(arrivals.size(), static_cast<size_t>(IMAGE_BYTES / BLOCK_BYTES))
            << "the upload was over before it was ended";
        size_t due = 0;
        while (due + 1 < arrivals.size() && arrivals[due + 1] < limit) ++due;
        const std::string capture = run.Capture();
        const std::vector<int> kept = BytesLeftLines(capture);
        ASSERT_GE(kept.size(), due) << "of the " << arrivals.size()
                                    << " blocks received; the capture ends:\n"
                                    << capture.substr(capture.size() > 2000 ? capture.size() - 2000 : 0);
        for (size_t i = 0; i < due; ++i)
            ASSERT_EQ(kept[i], IMAGE_BYTES - BLOCK_BYTES * static_cast<int>(i + 1)) << "line " << i;
        std::printf("%zu blocks received, %zu lines due, %zu kept\n", arrivals.size(), due, kept.size());
    }

    UtilityRun run;
};

TEST_F(CutShort, KilledRunKeepsEveryLineWrittenMoreThan100MsBefore)
{
    if (UnderWine()) {
        const std::string missing = WindowsToolMissing("tests/terminate-on-cue.exe");
        if (!missing.empty()) GTEST_SKIP() << missing;
        run.ThroughWindowsTool("tests/terminate-on-cue.exe", {TERMINATE_CUE});
    }
    StartUpload();
    const Clock::time_point ended = WaitForTheMomentToEnd();
    if (UnderWine())
        WriteTextFile(run.Lane().BinDir() + "/" + TERMINATE_CUE, "");
    else
        run.Signal(SIGKILL);
    EXPECT_EQ(run.WaitForExit(), UnderWine() ? TERMINATED_STATUS : 128 + SIGKILL);
    ExpectLinesUpTo(ended - std::chrono::milliseconds(KEPT_AFTER_MS));
}

// SIGTERM as a deployment tool sends it first, SIGINT (Ctrl-C) and SIGHUP
// (the terminal closed); under Wine, SIGINT is how a Ctrl-C console event
// reaches a program (Wine's own GenerateConsoleCtrlEvent sends it too).
class CutShortBySignal : public CutShort, public ::testing::WithParamInterface<int> {};

TEST_P(CutShortBySignal, EndedRunKeepsEveryLineAndItsExitStatus)
{
    const int signalNumber = GetParam();
    if (UnderWine() && signalNumber != SIGINT) GTEST_SKIP() << "no console event of Windows is sent so";
    StartUpload();
    WaitForTheMomentToEnd();
    run.Signal(signalNumber);
    EXPECT_EQ(run.WaitForExit(), UnderWine() ? WINE_CTRL_C_STATUS : 128 + signalNumber);
    ExpectLinesUpTo(Clock::time_point::max());
    EXPECT_THAT(run.Capture(), ::testing::EndsWith("\n"));
}

INSTANTIATE_TEST_SUITE_P(Signals, CutShortBySignal, ::testing::Values(SIGTERM, SIGINT, SIGHUP),
                         [](const auto& paramInfo) {
                             return std::string(paramInfo.param == SIGTERM  ? "Term"
                                                : paramInfo.param == SIGINT ? "Int"
                                                                            : "Hup");
                         });

}  // namespace
}  // namespace e2e
