// The native console, driven from outside: each test runs itself again in a
// child process whose standard input is a pipe or a pseudo-terminal, and the
// parent plays the technician.
#include "platform/Platform.h"
#include "support/posix/ChildProcess.h"
#include "support/posix/TerminalSettings.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace {

using testproc::ChildOptions;
using testproc::ChildProcess;
using testproc::IsRerunChild;

const unsigned waitMs = 10000;

void Print(const std::string& text) { Plat_ConsoleWrite(text.data(), text.size()); }

std::string Line(size_t size)
{
    char buffer[256];
    Plat_GetLine(buffer, size);
    return buffer;
}

// Waits until the program's key test sees the key the parent sends.
bool KeyArrives()
{
    for (int i = 0; i < 500; ++i) {
        if (Plat_KeyHit()) return true;
        Plat_Sleep(10);
    }
    return false;
}

void ExpectExitedCleanly(int status, const std::string& output)
{
    EXPECT_EQ(status, 0) << "child output:\n" << output;
}

// The child's side of the pipe test. Every prompt is written without a line
// end: the parent only sends input once it has seen the prompt, so a prompt
// left in the output buffer would stall the test.
void PipeScript()
{
    EXPECT_FALSE(Plat_KeyHit()) << "the pipe is open and empty";
    Print("<hit?>");
    EXPECT_TRUE(KeyArrives());
    EXPECT_EQ(Plat_GetKey(), 'z');
    Print("<keys?>");
    EXPECT_EQ(Plat_GetKey(), 'a');
    EXPECT_EQ(Plat_GetKey(), '\r');
    EXPECT_EQ(Plat_GetKey(), '\n');
    Print("<lines?>");
    EXPECT_EQ(Line(64), "hello");
    EXPECT_EQ(Line(8), "0123456") << "cut to the buffer, the rest of the line dropped";
    EXPECT_EQ(Line(64), "x\ry");
    EXPECT_EQ(Line(5), "abc\r") << "a kept \\r that does not end the line stays";
    EXPECT_EQ(Line(64), "tail");
    // The input has ended: a technician pressing X, again and again.
    EXPECT_TRUE(Plat_KeyHit());
    EXPECT_EQ(Plat_GetKey(), 'X');
    EXPECT_EQ(Line(64), "");
    EXPECT_TRUE(Plat_KeyHit());
    EXPECT_EQ(Plat_GetKey(), 'X');
    Print("<done>");
}

TEST(NativeConsole, PipeInputGivesKeysLinesAndEndsAsX)
{
    if (IsRerunChild()) return PipeScript();
    ChildProcess process;
    ChildOptions options;
    options.rerunThisTest = true;
    ASSERT_TRUE(process.Start(options)) << process.Error();
    bool ok = process.WaitForOutput("<hit?>", waitMs);
    if (ok) process.Write("z");
    ok = ok && process.WaitForOutput("<keys?>", waitMs);
    if (ok) process.Write("a\r\n");
    ok = ok && process.WaitForOutput("<lines?>", waitMs);
    if (ok) process.Write("hello\r\n0123456789abcdef\r\nx\ry\nabc\rdef\ntail");
    process.CloseInput();
    const int status = process.Wait(waitMs);
    EXPECT_TRUE(ok) << "a prompt did not show before the wait:\n" << process.Output();
    EXPECT_NE(process.Output().find("<done>"), std::string::npos) << process.Output();
    ExpectExitedCleanly(status, process.Output());
}

// ------------------------------------------------------------ terminal

// The child's own view of its terminal.
bool InKeyMode(int terminal)
{
    struct termios now;
    return tcgetattr(terminal, &now) == 0 && testproc::InKeyMode(now);
}

// The parent's side of a terminal test: the child on a new terminal set up
// as a technician's.
struct TerminalRun {
    ChildProcess process;
    struct termios before = {};
    std::string output;

    bool Start(const std::string& prompt, bool ignoreInterrupt = false)
    {
        before = testproc::TechnicianTerminal();
        ChildOptions options;
        options.rerunThisTest = true;
        options.terminal = &before;
        options.ignoreInterrupt = ignoreInterrupt;
        if (!process.Start(options)) return false;
        const bool shown = process.WaitForOutput(prompt, waitMs);
        output = process.Output();
        return shown;
    }
    bool KeyMode()
    {
        struct termios now;
        return process.TerminalSettings(&now) && testproc::InKeyMode(now);
    }
    // Until the child has switched its terminal to single keys (it flushes
    // its prompt just before).
    bool WaitForKeyMode()
    {
        for (int i = 0; i < 1000; ++i) {
            if (KeyMode()) return true;
            usleep(10000);
        }
        return false;
    }
    bool ShowsNext(const std::string& text)
    {
        const bool shown = process.WaitForOutput(text, waitMs);
        output = process.Output();
        return shown;
    }
    int Finish()
    {
        const int status = process.Wait(waitMs);
        output = process.Output();
        return status;
    }
    bool Restored()
    {
        struct termios after;
        return process.TerminalSettings(&after) && testproc::SameTerminalSettings(before, after);
    }
};

void KeyAndLineScript()
{
    struct termios before;
    ASSERT_EQ(tcgetattr(STDIN_FILENO, &before), 0);
    Print("<key?>");
    const int key = Plat_GetKey();
    struct termios afterKey;
    ASSERT_EQ(tcgetattr(STDIN_FILENO, &afterKey), 0);
    EXPECT_TRUE(testproc::SameTerminalSettings(before, afterKey))
        << "terminal not restored after a key read";
    Plat_ConsolePrintf("<got %d><line?>", key);
    char line[32];
    Plat_GetLine(line, sizeof line);
    Plat_ConsolePrintf("<line [%s]>", line);
    // A key test that finds nothing leaves single keys on until the end.
    EXPECT_FALSE(Plat_KeyHit());
    EXPECT_TRUE(InKeyMode(STDIN_FILENO));
}

TEST(NativeConsole, TerminalKeysAreNotEchoedAndSettingsComeBack)
{
    if (IsRerunChild()) return KeyAndLineScript();
    TerminalRun run;
    ASSERT_TRUE(run.Start("<key?>")) << run.output;
    ASSERT_TRUE(run.WaitForKeyMode());
    const size_t promptEnd = run.output.size();
    run.process.Write("q");
    ASSERT_TRUE(run.ShowsNext("<line?>")) << run.output;
    EXPECT_NE(run.output.find("<got 113>"), std::string::npos) << run.output;
    EXPECT_EQ(run.output.find('q', promptEnd), std::string::npos) << "key echoed: " << run.output;
    EXPECT_FALSE(run.KeyMode());
    run.process.Write("typed\n");
    ASSERT_TRUE(run.ShowsNext("<line [typed]>")) << run.output;
    EXPECT_LT(run.output.find("typed", promptEnd), run.output.find("<line [typed]>"))
        << "a line is echoed on a terminal: " << run.output;
    const int status = run.Finish();
    ExpectExitedCleanly(status, run.output);
    EXPECT_TRUE(run.Restored());
}

void ExitNowScript()
{
    EXPECT_FALSE(Plat_KeyHit());
    Print(InKeyMode(STDIN_FILENO) ? "<single keys>" : "<line mode>");
    Plat_ExitNow(7);
}

TEST(NativeConsole, TerminalComesBackAfterImmediateExit)
{
    if (IsRerunChild()) return ExitNowScript();
    TerminalRun run;
    ASSERT_TRUE(run.Start("<single keys>")) << run.output;
    const int status = run.Finish();
    EXPECT_EQ(status, 7) << run.output;
    EXPECT_TRUE(run.Restored());
}

void InterruptScript()
{
    Print("<key?>");
    const int key = Plat_GetKey();
    Plat_ConsolePrintf("<not interrupted %d>", key);
}

TEST(NativeConsole, TerminalComesBackAfterInterruptDuringKeyWait)
{
    if (IsRerunChild()) return InterruptScript();
    TerminalRun run;
    ASSERT_TRUE(run.Start("<key?>")) << run.output;
    ASSERT_TRUE(run.WaitForKeyMode());
    const char interrupt = static_cast<char>(run.before.c_cc[VINTR]);
    // Pressed again if need be: the thread sanitizer holds back a signal that
    // lands just before the blocking read until the read returns.
    for (int press = 0; press < 5; ++press) {
        run.process.Write(std::string(1, interrupt));
        if (run.process.Ended(2000)) break;
    }
    const int status = run.Finish();
    EXPECT_EQ(status, 128 + SIGINT) << run.output;
    EXPECT_TRUE(run.Restored());
}

// Started under nohup: the interrupt key is ignored and the wait goes on.
TEST(NativeConsole, IgnoredInterruptStaysIgnored)
{
    if (IsRerunChild()) return InterruptScript();
    TerminalRun run;
    ASSERT_TRUE(run.Start("<key?>", true)) << run.output;
    ASSERT_TRUE(run.WaitForKeyMode());
    run.process.Write(std::string(1, static_cast<char>(run.before.c_cc[VINTR])) + "k");
    const int status = run.Finish();
    ExpectExitedCleanly(status, run.output);
    EXPECT_NE(run.output.find("<not interrupted 107>"), std::string::npos) << run.output;
    EXPECT_TRUE(run.Restored());
}

}  // namespace
