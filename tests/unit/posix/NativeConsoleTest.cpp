// The native console, driven from outside: each test runs itself again in a
// child process whose standard input is a pipe or a pseudo-terminal, and the
// parent plays the technician.
#include "platform/Platform.h"
#include "support/posix/ChildProcess.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <string>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace {

const unsigned waitMs = 10000;

void Send(int fd, const std::string& bytes)
{
    ASSERT_EQ(write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
}

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
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << "status " << status << ", child output:\n"
        << output;
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
    if (child::IsChild()) return PipeScript();
    child::Process process = child::StartWithPipes();
    ASSERT_GT(process.pid, 0);
    std::string output;
    bool ok = child::ReadUntil(process.output, output, "<hit?>", waitMs);
    if (ok) Send(process.input, "z");
    ok = ok && child::ReadUntil(process.output, output, "<keys?>", waitMs);
    if (ok) Send(process.input, "a\r\n");
    ok = ok && child::ReadUntil(process.output, output, "<lines?>", waitMs);
    if (ok) Send(process.input, "hello\r\n0123456789abcdef\r\nx\ry\nabc\rdef\ntail");
    close(process.input);
    process.input = -1;
    child::ReadToEnd(process.output, output, waitMs);
    const int status = child::Wait(process, waitMs);
    child::Close(process);
    EXPECT_TRUE(ok) << "a prompt did not show before the wait:\n" << output;
    EXPECT_NE(output.find("<done>"), std::string::npos) << output;
    ExpectExitedCleanly(status, output);
}

// ------------------------------------------------------------ terminal

bool SameSettings(const struct termios& a, const struct termios& b)
{
    return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag &&
           a.c_lflag == b.c_lflag && std::memcmp(a.c_cc, b.c_cc, sizeof a.c_cc) == 0 &&
           cfgetispeed(&a) == cfgetispeed(&b) && cfgetospeed(&a) == cfgetospeed(&b);
}

bool InKeyMode(int terminal)
{
    struct termios now;
    return tcgetattr(terminal, &now) == 0 && (now.c_lflag & (ICANON | ECHO)) == 0;
}

// Waits until the child has switched its terminal to single keys (it flushes
// its prompt just before).
bool WaitForKeyMode(int terminal)
{
    for (int i = 0; i < 1000; ++i) {
        if (InKeyMode(terminal)) return true;
        usleep(10000);
    }
    return false;
}

// The parent's side of a terminal test up to the first prompt.
struct TerminalRun {
    child::Process process;
    struct termios before = {};
    std::string output;

    bool Start(const std::string& prompt, bool ignoreInterrupt = false)
    {
        process = child::StartOnTerminal(ignoreInterrupt);
        if (process.pid <= 0) return false;
        tcgetattr(process.terminal, &before);
        return child::ReadUntil(process.output, output, prompt, waitMs);
    }
    int Finish()
    {
        const int status = child::Wait(process, waitMs);
        child::ReadToEnd(process.output, output, 200);
        return status;
    }
    bool Restored()
    {
        struct termios after;
        return tcgetattr(process.terminal, &after) == 0 && SameSettings(before, after);
    }
    ~TerminalRun() { child::Close(process); }
};

void KeyAndLineScript()
{
    struct termios before;
    ASSERT_EQ(tcgetattr(STDIN_FILENO, &before), 0);
    Print("<key?>");
    const int key = Plat_GetKey();
    struct termios afterKey;
    ASSERT_EQ(tcgetattr(STDIN_FILENO, &afterKey), 0);
    EXPECT_TRUE(SameSettings(before, afterKey)) << "terminal not restored after a key read";
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
    if (child::IsChild()) return KeyAndLineScript();
    TerminalRun run;
    ASSERT_TRUE(run.Start("<key?>")) << run.output;
    ASSERT_TRUE(WaitForKeyMode(run.process.terminal));
    const size_t promptEnd = run.output.size();
    Send(run.process.input, "q");
    ASSERT_TRUE(child::ReadUntil(run.process.output, run.output, "<line?>", waitMs)) << run.output;
    EXPECT_NE(run.output.find("<got 113>"), std::string::npos) << run.output;
    EXPECT_EQ(run.output.find('q', promptEnd), std::string::npos) << "key echoed: " << run.output;
    EXPECT_FALSE(InKeyMode(run.process.terminal));
    Send(run.process.input, "typed\n");
    ASSERT_TRUE(child::ReadUntil(run.process.output, run.output, "<line [typed]>", waitMs))
        << run.output;
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
    if (child::IsChild()) return ExitNowScript();
    TerminalRun run;
    ASSERT_TRUE(run.Start("<single keys>")) << run.output;
    const int status = run.Finish();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 7) << status << run.output;
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
    if (child::IsChild()) return InterruptScript();
    TerminalRun run;
    ASSERT_TRUE(run.Start("<key?>")) << run.output;
    ASSERT_TRUE(WaitForKeyMode(run.process.terminal));
    struct termios now;
    ASSERT_EQ(tcgetattr(run.process.terminal, &now), 0);
    // Pressed again if need be: the thread sanitizer holds back a signal that
    // lands just before the blocking read until the read returns.
    for (int press = 0; press < 5; ++press) {
        Send(run.process.input, std::string(1, static_cast<char>(now.c_cc[VINTR])));
        if (child::TryWait(run.process, 2000)) break;
    }
    const int status = run.Finish();
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << status << run.output;
    EXPECT_TRUE(run.Restored());
}

// Started under nohup: the interrupt key is ignored and the wait goes on.
TEST(NativeConsole, IgnoredInterruptStaysIgnored)
{
    if (child::IsChild()) return InterruptScript();
    TerminalRun run;
    ASSERT_TRUE(run.Start("<key?>", true)) << run.output;
    ASSERT_TRUE(WaitForKeyMode(run.process.terminal));
    struct termios now;
    ASSERT_EQ(tcgetattr(run.process.terminal, &now), 0);
    Send(run.process.input, std::string(1, static_cast<char>(now.c_cc[VINTR])) + "k");
    const int status = run.Finish();
    ExpectExitedCleanly(status, run.output);
    EXPECT_NE(run.output.find("<not interrupted 107>"), std::string::npos) << run.output;
    EXPECT_TRUE(run.Restored());
}

}  // namespace
