#include "config/PgmCnfgTestHooks.h"
#include "base/ProgramOptions.h"
#include "support/CaptureFiles.h"
#include "support/ScriptedConsole.h"
#include "support/TestEnvironment.h"
#include "support/TimingAllowance.h"
#include "trace/CaptureFile.h"
#include "trace/Trace.h"
#include "trace/TraceTestHooks.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

namespace {

class Trace : public ::testing::Test {
protected:
    void SetUp() override
    {
        ProgramConfigUseDefaultsForTests();
        if (CaptureState() != CAPTURE_NOT_OPENED) GTEST_SKIP() << capture::freshProcessOnly;
        capture::CreateFolder();
        TraceSetErrorHoldForTests(0);
    }
    scripted::ConsoleScope console;
};

TEST_F(Trace, LineHeadIsBaseNameLineNumberAndSeverityPrefix)
{
    TraceWrite(TL_INFO, MODULE_COMMANDS, "c:\\src\\trace\\Trace.cpp", 7, "info %d", 1);
    TraceWrite(TL_WARNING, MODULE_LINK, "/home/build/frame/StartUp.cpp", 12345, "warning");
    TraceWrite(TL_ERROR | TF_ALERT, MODULE_COMMANDS, "Command_SecurityModuleUpload.cpp", 99999, "error");
    TraceWrite(TL_INFO, MODULE_CONFIG, "dir\\sub/Last.cpp", 0, "mixed separators");
    TraceWrite(TL_INFO, MODULE_CONFIG, "a/b\\Back.cpp", 1, "mixed separators");
    TraceWrite(TL_INFO, MODULE_COMMANDS, "x\\Twelve_chars", 42, "%s", "");
    TraceWrite(TL_INFO, MODULE_COMMANDS, "trailing\\", 3, "no name");
    const unsigned macroLine = __LINE__ + 1;
    TRACE(TL_INFO, MODULE_COMMANDS, "from the macro");

    const std::vector<std::string> expected = {
        "Trace.cpp   :    7:   info 1",
        "StartUp.cpp :12345: W warning",
        "Command_Secu:99999:<E>error",
        "Last.cpp    :    0:   mixed separators",
        "Back.cpp    :    1:   mixed separators",
        "Twelve_chars:   42:   ",
        "            :    3:   no name",
        "TraceTest.cp:" + std::string(5 - std::to_string(macroLine).size(), ' ') +
            std::to_string(macroLine) + ":   from the macro",
    };
    EXPECT_EQ(capture::TraceLines(capture::Read(1)), expected);
}

TEST_F(Trace, AbsentOrEmptyFormatGivesEmptyMessage)
{
    // Through a pointer, so that the compiler's format check lets a null format through.
    void (*write)(int, int, const char*, unsigned, const char*, ...) = TraceWrite;
    write(TL_INFO | TF_CONSOLE, MODULE_COMMANDS, "Null.cpp", 1, nullptr);
    write(TL_INFO | TF_CONSOLE, MODULE_COMMANDS, "Empty.cpp", 2, "");
    EXPECT_EQ(scripted::Output(), "\n\n");
    const std::vector<std::string> expected = {"Null.cpp    :    1:   ", "Empty.cpp   :    2:   "};
    EXPECT_EQ(capture::TraceLines(capture::Read(1)), expected);
}

TEST_F(Trace, LongMessageIsCutTo132OnConsoleAndWholeFileLineTo132)
{
    const std::string longText(200, 'm');
    TraceWrite(TL_INFO | TF_CONSOLE, MODULE_COMMANDS, "Long.cpp", 7, "%s", longText.c_str());
    // A sixth digit of the line number leaves one character less for the message.
    TraceWrite(TL_INFO, MODULE_COMMANDS, "Long.cpp", 123456, "%s", longText.c_str());
    TraceWrite(TL_INFO, MODULE_COMMANDS, "Long.cpp", 4294967295u, "%s", longText.c_str());

    EXPECT_EQ(scripted::Output(), std::string(132, 'm') + "\n");
    const std::vector<std::string> lines = capture::Lines(capture::Read(1));
    std::vector<std::string> traced;
    for (const std::string& line : lines)
        if (line.rfind("Long.cpp", 0) == 0) traced.push_back(line);
    ASSERT_EQ(traced.size(), 3u);
    EXPECT_EQ(traced[0], "Long.cpp    :    7:   " + std::string(110, 'm'));
    EXPECT_EQ(traced[1], "Long.cpp    :123456:   " + std::string(109, 'm'));
    EXPECT_EQ(traced[2], "Long.cpp    :4294967295:   " + std::string(105, 'm'));
}

TEST_F(Trace, ConsoleEchoFollowsFlagsAndDefaultThresholds)
{
    TRACE(TL_INFO | TF_CONSOLE, MODULE_COMMANDS, "menu line");
    TRACE(TL_INFO | TF_INLINE, MODULE_COMMANDS, "prompt: ");
    TRACE(TL_INFO | TF_CONSOLE | TF_INLINE, MODULE_COMMANDS, "both flags ");
    TRACE(TL_INFO, MODULE_COMMANDS, "file only");
    TRACE(TL_ERROR | TF_CONSOLE | TF_ALERT, MODULE_COMMANDS, "ERROR 10: no packet");
    TRACE(TL_WARNING | TF_CONSOLE, MODULE_LINK, "warning shown");
    // Above the default thresholds of 2: neither shown nor kept.
    TRACE(TL_DETAIL | TF_CONSOLE, MODULE_COMMANDS, "detail");
    // The bit 0x2000 makes a severity above 3.
    TRACE(0x2000 | TL_INFO | TF_CONSOLE, MODULE_COMMANDS, "odd mask");
    TRACE(0x2000 | TL_INFO | TF_CONSOLE, MODULE_CONFIG, "odd mask of the configuration");
    TRACE(-1, MODULE_CONFIG, "negative mask");

    EXPECT_EQ(scripted::Output(), "menu line\nprompt: both flags ERROR 10: no packet\nwarning shown\n");
    std::vector<std::string> messages;
    for (const std::string& line : capture::TraceLines(capture::Read(1)))
        messages.push_back(line.substr(19));
    const std::vector<std::string> expected = {
        "   menu line",           "   prompt: ",     "   both flags ", "   file only",
        "<E>ERROR 10: no packet", " W warning shown"};
    EXPECT_EQ(messages, expected);
}

TEST_F(Trace, ConfigurationLinesAreWrittenButNeverShown)
{
    TRACE(TL_INFO | TF_CONSOLE, MODULE_CONFIG, "config console");
    TRACE(TL_WARNING | TF_INLINE, MODULE_CONFIG, "config inline");
    TRACE(TL_ERROR | TF_CONSOLE | TF_ALERT, MODULE_CONFIG, "config error");
    // The configuration's own lines skip the logging threshold.
    TRACE(TL_DETAIL | TF_CONSOLE, MODULE_CONFIG, "config detail");

    EXPECT_EQ(scripted::Output(), "");
    std::vector<std::string> messages;
    for (const std::string& line : capture::TraceLines(capture::Read(1)))
        messages.push_back(line.substr(19));
    const std::vector<std::string> expected = {"   config console", " W config inline",
                                               "<E>config error", "   config detail"};
    EXPECT_EQ(messages, expected);
}

TEST_F(Trace, ConsoleSwitchOffSilencesTheConsoleOnly)
{
    EXPECT_TRUE(g_ProgramOptions.m_ConsoleDisplay);
    g_ProgramOptions.m_ConsoleDisplay = false;
    TRACE(TL_INFO | TF_CONSOLE, MODULE_COMMANDS, "quiet line");
    TRACE(TL_INFO | TF_INLINE, MODULE_COMMANDS, "quiet inline");
    TRACE(TL_ERROR | TF_CONSOLE, MODULE_COMMANDS, "quiet error");
    g_ProgramOptions.m_ConsoleDisplay = true;
    TRACE(TL_INFO | TF_CONSOLE, MODULE_COMMANDS, "loud line");

    EXPECT_EQ(scripted::Output(), "loud line\n");
    std::vector<std::string> messages;
    for (const std::string& line : capture::TraceLines(capture::Read(1)))
        messages.push_back(capture::Message(line));
    const std::vector<std::string> expected = {"quiet line", "quiet inline", "quiet error", "loud line"};
    EXPECT_EQ(messages, expected);
}

// The error line must already be on disk while the caller is held, and the
// hold must be the full second.
TEST_F(Trace, ErrorLineIsFlushedAndHoldsTheCallerOneSecond)
{
    TraceSetErrorHoldForTests(1000);
    TRACE(TL_INFO, MODULE_COMMANDS, "buffered line");
    std::atomic<bool> sawLineDuringHold{false};
    std::atomic<bool> callReturned{false};
    std::thread watcher([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        const std::string onDisk = testenv::ReadFile(capture::FilePath(1));
        sawLineDuringHold = !callReturned.load() &&
                            onDisk.find("ERROR 13: step failed\n") != std::string::npos &&
                            onDisk.find("buffered line\n") != std::string::npos;
    });
    const auto start = std::chrono::steady_clock::now();
    TRACE(TL_ERROR | TF_CONSOLE | TF_ALERT, MODULE_COMMANDS, "ERROR 13: step failed");
    const auto took = std::chrono::steady_clock::now() - start;
    callReturned = true;
    watcher.join();

    EXPECT_GE(took, std::chrono::milliseconds(1000));
    EXPECT_LT(took, std::chrono::milliseconds(timing::UpperLimitMs(1500)));
    EXPECT_TRUE(sawLineDuringHold);
    EXPECT_EQ(scripted::Output(), "ERROR 13: step failed\n");

    // Other severities are not held.
    const auto infoStart = std::chrono::steady_clock::now();
    TRACE(TL_WARNING | TF_CONSOLE, MODULE_COMMANDS, "not held");
    EXPECT_LT(std::chrono::steady_clock::now() - infoStart, std::chrono::milliseconds(200));
}

TEST_F(Trace, FlushPutsBufferedLinesOnDisk)
{
    TRACE(TL_INFO, MODULE_COMMANDS, "line to flush");
    TraceFlush();
    EXPECT_NE(testenv::ReadFile(capture::FilePath(1)).find("line to flush\n"), std::string::npos);
}

// Both threads trace to console and file; every line must come out whole and
// each thread's lines in their order.
TEST_F(Trace, TwoThreadsNeverTearOrInterleaveLines)
{
    const int linesPerThread = 4000;
    auto tracer = [&](char name) {
        for (int i = 0; i < linesPerThread; ++i)
            TraceWrite(TL_INFO | TF_CONSOLE, MODULE_LINK, "Thread.cpp", 10, "%c %05d %.*s", name, i,
                       i % 90,
                       "0123456789012345678901234567890123456789012345678901234567890"
                       "123456789012345678901234567890");
    };
    std::thread first(tracer, 'A');
    std::thread second(tracer, 'B');
    first.join();
    second.join();

    auto checkOrder = [&](const std::vector<std::string>& messages, const char* where) {
        int next[2] = {0, 0};
        for (const std::string& message : messages) {
            ASSERT_GE(message.size(), 8u) << where << ": " << message;
            const int thread = message[0] - 'A';
            ASSERT_TRUE(thread == 0 || thread == 1) << where << ": " << message;
            const int number = std::stoi(message.substr(2, 5));
            ASSERT_EQ(number, next[thread]) << where << ": " << message;
            char expected[128];
            std::snprintf(expected, sizeof expected, "%c %05d %.*s", message[0], number, number % 90,
                          "0123456789012345678901234567890123456789012345678901234567890"
                          "123456789012345678901234567890");
            ASSERT_EQ(message, expected) << where;
            ++next[thread];
        }
        EXPECT_EQ(next[0], linesPerThread) << where;
        EXPECT_EQ(next[1], linesPerThread) << where;
    };

    const std::vector<std::string> fileLines = capture::Lines(capture::Read(1));
    std::vector<std::string> fileMessages;
    for (const std::string& line : fileLines) {
        if (line.empty() || line.rfind(" --- File Opened", 0) == 0) continue;
        ASSERT_EQ(line.substr(0, 22), "Thread.cpp  :   10:   ") << line;
        fileMessages.push_back(capture::Message(line));
    }
    checkOrder(fileMessages, "file");
    checkOrder(capture::Lines(scripted::Output()), "console");
}

}  // namespace
