#include "config/PgmCnfgTestHooks.h"
#include "platform/Platform.h"
#include "support/CaptureFiles.h"
#include "support/ScriptedConsole.h"
#include "support/TestEnvironment.h"
#include "trace/CaptureFile.h"
#include "trace/Trace.h"
#include "trace/TraceTestHooks.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

namespace {

void WriteMarkers()
{
    for (int number = 1; number <= 5; ++number)
        testenv::WriteFile(capture::FilePath(number), "old file " + std::to_string(number) + "\n");
}

std::string Today()
{
    std::time_t now = std::time(nullptr);
    std::tm local;
    localtime_r(&now, &local);
    char text[40];
    std::snprintf(text, sizeof text, "%02d/%02d/%02d", local.tm_mon + 1, local.tm_mday,
                  local.tm_year % 100);
    return text;
}

// Checks the date, time and millisecond fields of a header or footer.
void ExpectStamp(const std::smatch& match, const std::string& dayBefore, uint32_t ticksBefore)
{
    const std::string date = match[1];
    EXPECT_TRUE(date == dayBefore || date == Today()) << date;
    const int hours = std::stoi(match[2].str().substr(0, 2));
    const int minutes = std::stoi(match[2].str().substr(3, 2));
    EXPECT_LT(hours, 24);
    EXPECT_LT(minutes, 60);
    const uint32_t ticks = static_cast<uint32_t>(std::stoul(match[3]));
    EXPECT_LE(ticks - ticksBefore, Plat_TickCountMs() - ticksBefore) << ticks;
}

const std::regex header(
    "^\n --- File Opened : Date / Time : (\\d\\d/\\d\\d/\\d\\d) : (\\d\\d:\\d\\d:\\d\\d) : "
    "(\\d+) ---\n\n");
const std::regex footer(
    "\n\\*\\*\\* Continued in next capture file \\*\\*\\*\n\n Current Date / Time : "
    "(\\d\\d/\\d\\d/\\d\\d) : (\\d\\d:\\d\\d:\\d\\d) : (\\d+)\n\n$");

class CaptureFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ProgramConfigUseDefaultsForTests();
        if (CaptureState() != CAPTURE_NOT_OPENED) GTEST_SKIP() << capture::freshProcessOnly;
        TraceSetErrorHoldForTests(0);
    }
    scripted::ConsoleScope console;
};

TEST_F(CaptureFileTest, FirstLineStartsAFreshFileAndShiftsTheOlderOnes)
{
    capture::CreateFolder();
    WriteMarkers();
    EXPECT_EQ(CaptureState(), CAPTURE_NOT_OPENED);
    const std::string day = Today();
    const uint32_t ticks = Plat_TickCountMs();
    const unsigned line = __LINE__ + 1;
    TRACE(TL_INFO, MODULE_COMMANDS, "first line");

    EXPECT_EQ(CaptureState(), CAPTURE_OPEN);
    EXPECT_EQ(CaptureLineCount(), 1);
    const std::string current = capture::Read(1);
    std::smatch match;
    ASSERT_TRUE(std::regex_search(current, match, header)) << current;
    ExpectStamp(match, day, ticks);
    char expected[64];
    std::snprintf(expected, sizeof expected, "CaptureFileT:%5u:   first line\n", line);
    EXPECT_EQ(current.substr(match.length(0)), expected);
    EXPECT_EQ(testenv::ReadFile(capture::FilePath(2)), "old file 1\n");
    EXPECT_EQ(testenv::ReadFile(capture::FilePath(3)), "old file 2\n");
    EXPECT_EQ(testenv::ReadFile(capture::FilePath(4)), "old file 3\n");
    EXPECT_EQ(testenv::ReadFile(capture::FilePath(5)), "old file 4\n");
}

// A file holds 50001 trace lines; the 50002nd closes it with the footer,
// shifts the files again and opens a new one.
TEST_F(CaptureFileTest, LineFiftyThousandAndTwoStartsTheNextFile)
{
    capture::CreateFolder();
    WriteMarkers();
    const std::string day = Today();
    const uint32_t ticks = Plat_TickCountMs();
    for (unsigned line = 1; line <= 50001; ++line)
        TraceWrite(TL_INFO, MODULE_LINK, "Rotate.cpp", line, "line %u", line);
    EXPECT_EQ(CaptureLineCount(), 50001);
    TraceWrite(TL_INFO, MODULE_LINK, "Rotate.cpp", 50002, "line %u", 50002u);
    EXPECT_EQ(CaptureLineCount(), 1);
    EXPECT_EQ(CaptureState(), CAPTURE_OPEN);

    const std::string current = capture::Read(1);
    std::smatch match;
    ASSERT_TRUE(std::regex_search(current, match, header)) << current.substr(0, 200);
    ExpectStamp(match, day, ticks);
    EXPECT_EQ(current.substr(match.length(0)), "Rotate.cpp  :50002:   line 50002\n");

    const std::string full = testenv::ReadFile(capture::FilePath(2));
    ASSERT_TRUE(std::regex_search(full, match, header)) << full.substr(0, 200);
    const size_t bodyStart = match.length(0);
    ASSERT_TRUE(std::regex_search(full, match, footer)) << full.substr(full.size() - 200);
    ExpectStamp(match, day, ticks);
    const size_t bodyEnd = full.size() - match.length(0);
    const std::vector<std::string> lines = capture::Lines(full.substr(bodyStart, bodyEnd - bodyStart));
    ASSERT_EQ(lines.size(), 50001u);
    for (unsigned number = 1; number <= 50001; ++number) {
        char expected[64];
        std::snprintf(expected, sizeof expected, "Rotate.cpp  :%5u:   line %u", number, number);
        ASSERT_EQ(lines[number - 1], expected);
    }

    EXPECT_EQ(testenv::ReadFile(capture::FilePath(3)), "old file 1\n");
    EXPECT_EQ(testenv::ReadFile(capture::FilePath(4)), "old file 2\n");
    EXPECT_EQ(testenv::ReadFile(capture::FilePath(5)), "old file 3\n");
}

TEST_F(CaptureFileTest, MissingFolderLeavesTheConsoleWorking)
{
    TRACE(TL_INFO | TF_CONSOLE, MODULE_COMMANDS, "shown without a file");
    EXPECT_EQ(CaptureState(), CAPTURE_FAILED);
    EXPECT_FALSE(testenv::FileExists(capture::FolderPath()));

    // Capture stays off for the rest of the run, even once the folder exists.
    capture::CreateFolder();
    TRACE(TL_ERROR | TF_CONSOLE, MODULE_COMMANDS, "still shown");
    TraceFlush();
    EXPECT_EQ(CaptureState(), CAPTURE_FAILED);
    EXPECT_FALSE(testenv::FileExists(capture::FilePath(1)));
    EXPECT_EQ(scripted::Output(), "shown without a file\nstill shown\n");
}

TEST_F(CaptureFileTest, PlainFileInPlaceOfTheFolderLeavesTheConsoleWorking)
{
    testenv::WriteFile(capture::FolderPath(), "not a folder");
    TRACE(TL_INFO | TF_CONSOLE, MODULE_COMMANDS, "shown without a file");
    TRACE(TL_WARNING | TF_INLINE, MODULE_COMMANDS, "and again");
    EXPECT_EQ(CaptureState(), CAPTURE_FAILED);
    EXPECT_EQ(testenv::ReadFile(capture::FolderPath()), "not a folder");
    EXPECT_EQ(scripted::Output(), "shown without a file\nand again");
}

TEST_F(CaptureFileTest, ClosedFileTakesNoMoreLines)
{
    capture::CreateFolder();
    TRACE(TL_INFO, MODULE_COMMANDS, "before the end");
    CaptureClose();
    EXPECT_EQ(CaptureState(), CAPTURE_CLOSED);
    TRACE(TL_INFO | TF_CONSOLE, MODULE_COMMANDS, "after the end");
    CaptureClose();

    const std::string text = testenv::ReadFile(capture::FilePath(1));
    const std::string ending = ":   before the end\n\n*** Program closing ***\n\n";
    ASSERT_GE(text.size(), ending.size());
    EXPECT_EQ(text.substr(text.size() - ending.size()), ending);
    EXPECT_EQ(scripted::Output(), "after the end\n");
}

// The process ends in a child; the parent reads what it left behind.
class CaptureLifetime : public ::testing::Test {
protected:
    void SetUp() override
    {
        ProgramConfigUseDefaultsForTests();
        capture::CreateFolder();
        TraceSetErrorHoldForTests(0);
    }
};

TEST_F(CaptureLifetime, NormalEndWritesTheClosingLine)
{
    EXPECT_EXIT(
        {
            TRACE(TL_INFO, MODULE_COMMANDS, "last words");
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
    const std::string text = testenv::ReadFile(capture::FilePath(1));
    const std::string ending = ":   last words\n\n*** Program closing ***\n\n";
    ASSERT_GE(text.size(), ending.size());
    EXPECT_EQ(text.substr(text.size() - ending.size()), ending);
}

TEST_F(CaptureLifetime, ImmediateExitKeepsTheErrorLineWithoutFooter)
{
    EXPECT_EXIT(
        {
            TRACE(TL_INFO, MODULE_COMMANDS, "buffered");
            TRACE(TL_ERROR | TF_ALERT, MODULE_CONFIG, "invalid setting");
            Plat_ExitNow(1);
        },
        ::testing::ExitedWithCode(1), "");
    const std::string text = testenv::ReadFile(capture::FilePath(1));
    EXPECT_NE(text.find(":   buffered\n"), std::string::npos);
    const std::string ending = ":<E>invalid setting\n";
    ASSERT_GE(text.size(), ending.size());
    EXPECT_EQ(text.substr(text.size() - ending.size()), ending);
}

std::atomic<unsigned> linesFromThread{0};

unsigned TraceUntilTheEnd(void*)
{
    for (;;) {
        TRACE(TL_INFO, MODULE_LINK, "reader line %u", linesFromThread.load());
        linesFromThread.fetch_add(1);
    }
    return 0;
}

// The link's reader thread keeps tracing while the main thread ends the
// process: the end must not crash, and the lines after the closing line are
// dropped.
TEST_F(CaptureLifetime, ThreadTracingWhileTheProcessEndsIsDroppedSafely)
{
    EXPECT_EXIT(
        {
            Plat_BeginThread(TraceUntilTheEnd, nullptr);
            while (linesFromThread.load() < 2000) Plat_Sleep(1);
            TRACE(TL_INFO, MODULE_COMMANDS, "main thread ends");
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
    const std::string text = testenv::ReadFile(capture::FilePath(1));
    const std::string closing = "\n*** Program closing ***\n\n";
    ASSERT_GE(text.size(), closing.size());
    EXPECT_EQ(text.substr(text.size() - closing.size()), closing);
    EXPECT_EQ(text.find(closing), text.size() - closing.size());

    const std::string body = text.substr(0, text.size() - closing.size());
    size_t readerLines = 0;
    bool sawMainEnd = false;
    for (const std::string& line : capture::Lines(body)) {
        if (line.empty() || line.rfind(" --- File Opened", 0) == 0) continue;
        ASSERT_TRUE(capture::IsTraceLine(line)) << line;
        sawMainEnd = sawMainEnd || capture::Message(line) == "main thread ends";
        if (capture::Message(line).rfind("reader line ", 0) == 0) ++readerLines;
    }
    EXPECT_TRUE(sawMainEnd);
    EXPECT_GE(readerLines, 2000u);
}

}  // namespace
