// Both programs on a terminal, as a technician meets them: single keys act at
// once and are not echoed, and however the program ends, the terminal is left
// exactly as it was found.
#include "LaneFolder.h"
#include "UtilityRun.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <csignal>

using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Not;

namespace e2e {
namespace {

// Under Wine the .exe files run on the terminal through Wine's console, as
// on a lane's console window; what a Windows console cannot meet is skipped.
const char POSIX_SIGNALS[] =
    "a hang-up and a termination are POSIX signals, which a Windows console program never gets";
const char CTRL_C_UNDER_WINE[] =
    "Wine's console on a terminal passes Ctrl-C on as the terminal's SIGINT, not as a console "
    "control event: the program ends with status 0 and without its closing lines, unlike Windows";

class OnTerminal : public ::testing::TestWithParam<Variant> {};

void ExpectTerminalAsFound(UtilityRun& run)
{
    const struct termios now = run.TerminalNow();
    EXPECT_TRUE(SameTerminalSettings(run.TerminalAtStart(), now))
        << TerminalDifferences(run.TerminalAtStart(), now);
}

// The menus walked key by key, with the USB test's live display stopped by a
// key on the way.
TEST_P(OnTerminal, KeysActWithoutEnterAreNotEchoedAndXLeavesTheTerminalAsFound)
{
    UtilityRun run(GetParam());
    run.OnTerminal();
    run.Start();
    ASSERT_TRUE(run.WaitFor("Enter Command:"));
    ASSERT_TRUE(run.WaitForTerminalMode(true));
    // Only the input changes while a key is awaited: Ctrl-C still interrupts
    // and (on Linux, whose terminal settings are the program's own) the
    // output still ends its lines as the terminal was told to.
    const struct termios waiting = run.TerminalNow();
    const struct termios start = run.TerminalAtStart();
    EXPECT_NE(waiting.c_lflag & ISIG, 0u);
    if (!UnderWine()) {
        EXPECT_EQ(waiting.c_oflag, start.c_oflag);
        EXPECT_EQ(waiting.c_iflag, start.c_iflag);
    }

    run.Type("t");  // no Enter
    ASSERT_TRUE(run.WaitFor("**** Test Menu ****"));
    ASSERT_TRUE(run.PressWhen("Enter Command:", "6"));
    ASSERT_TRUE(run.WaitFor("Packets Sent 3, Received 3,"));
    ASSERT_TRUE(run.PressWhen("\r", "k"));
    ASSERT_TRUE(run.PressWhen("Press any key to continue", " "));
    ASSERT_TRUE(run.WaitFor("**** Test Menu ****"));
    ASSERT_TRUE(run.PressWhen("Enter Command:", "x"));
    ASSERT_TRUE(run.WaitFor("Utility Main Menu"));
    ASSERT_TRUE(run.PressWhen("Enter Command:", "X"));
    EXPECT_EQ(run.WaitForExit(), 0);

    // The program's own trace shows each key once, upper-cased.
    const std::string output = run.Output();
    EXPECT_THAT(output, HasSubstr("Enter Command:T\n\n"));
    EXPECT_THAT(output, Not(HasSubstr("Enter Command:t")));
    EXPECT_THAT(output, Not(HasSubstr("Enter Command:x")));
    EXPECT_THAT(output, HasSubstr("Packets Sent 3, Received 3, Errors 0, Zero Length 0\r"));
    EXPECT_EQ(CountOf(output, "Enter Command:X\n\n"), 2);
    ExpectTerminalAsFound(run);
}

TEST(SuOnTerminal, PauseTakesAnyKeyUnechoed)
{
    UtilityRun run(SU);
    run.Module().Set("version=040812152010");  // the calibration item only pauses
    run.OnTerminal();
    run.Start();
    ASSERT_TRUE(run.PressWhen("Enter Command:", "1"));
    ASSERT_TRUE(run.PressWhen("Enter Command:", "3"));
    ASSERT_TRUE(run.PressWhen("Press any key to continue", "q"));
    ASSERT_TRUE(run.WaitFor("**** SU Functions Menu ****"));
    ASSERT_TRUE(run.PressWhen("Enter Command:", "X"));
    ASSERT_TRUE(run.PressWhen("Enter Command:", "X"));
    EXPECT_EQ(run.WaitForExit(), 0);
    EXPECT_THAT(run.Output(), HasSubstr("\nPress any key to continue" + std::string(25, '\n') +
                                        "**** SU Functions Menu ****\n"));
    ExpectTerminalAsFound(run);
}

TEST_P(OnTerminal, ConfigurationExitLeavesTheTerminalAsFound)
{
    UtilityRun run(GetParam());
    run.Lane().WriteConfig("LaneConfig.Ini", "[Common]\nCountryCode=XYZ\n");
    run.OnTerminal();
    run.Start();
    EXPECT_EQ(run.WaitForExit(), 1);
    EXPECT_THAT(run.Output(), Not(HasSubstr("Enter Command:")));
    ExpectTerminalAsFound(run);
}

TEST_P(OnTerminal, CtrlCWhileAKeyIsAwaitedLeavesTheTerminalAsFound)
{
    E2E_SKIP_UNDER_WINE(CTRL_C_UNDER_WINE);
    UtilityRun run(GetParam());
    run.OnTerminal();
    run.Start();
    ASSERT_TRUE(run.PressWhen("Enter Command:", "\x03"));
    EXPECT_EQ(run.WaitForExit(), 128 + SIGINT);
    ExpectTerminalAsFound(run);
}

// The line prompt of the scale data analysis, reached through the menus.
const char intervalPrompt[] = "Enter Time Interval in minutes (enter 0 or blank for none) :";

bool ReachIntervalPrompt(UtilityRun& run)
{
    return run.PressWhen("Enter Command:", "t") && run.PressWhen("Enter Command:", "4") &&
           run.PressWhen("\nEnter Command :", "2") && run.WaitFor(intervalPrompt) &&
           run.WaitForTerminalMode(false);
}

TEST(SuOnTerminal, LinePromptEchoesWhatIsTyped)
{
    UtilityRun run(SU);
    run.Module().Set("version=043912152010");
    run.OnTerminal();
    run.Start();
    ASSERT_TRUE(ReachIntervalPrompt(run));
    run.Type("x\r");  // Enter; X leaves the analysis
    ASSERT_TRUE(run.PressWhen("\nEnter Command :", "x"));
    ASSERT_TRUE(run.PressWhen("Press any key to continue", " "));
    ASSERT_TRUE(run.PressWhen("Enter Command:", "X"));
    EXPECT_EQ(run.WaitForExit(), 0);
    // The terminal shows the line as it is typed, Enter included; the
    // program adds nothing.
    EXPECT_THAT(run.Output(), HasSubstr(std::string(intervalPrompt) + "x\n" + std::string(25, '\n') +
                                        "**** Scale Test Menu ****"));
    ExpectTerminalAsFound(run);
}

TEST(SuOnTerminal, CtrlCAtALinePromptLeavesTheTerminalAsFound)
{
    E2E_SKIP_UNDER_WINE(CTRL_C_UNDER_WINE);
    UtilityRun run(SU);
    run.Module().Set("version=043912152010");
    run.OnTerminal();
    run.Start();
    ASSERT_TRUE(ReachIntervalPrompt(run));
    run.Type("12\x03");
    EXPECT_EQ(run.WaitForExit(), 128 + SIGINT);
    ExpectTerminalAsFound(run);
}

// A successful upload ends the program from inside the menus; the terminal
// is still left as found.
TEST(SuOnTerminal, UploadFromTheMenuEndsWith0AndLeavesTheTerminalAsFound)
{
    UtilityRun run(SU);
    WriteTextFile(run.Lane().BinDir() + "/SU_Menu_CRC_41.bin", "A");
    run.OnTerminal();
    run.Start();
    ASSERT_TRUE(run.PressWhen("Enter Command:", "1"));
    ASSERT_TRUE(run.PressWhen("Enter Command:", "1"));
    ASSERT_TRUE(run.WaitFor("Enter File Name :"));
    ASSERT_TRUE(run.WaitForTerminalMode(false));
    run.Type("SU_Menu_CRC_41.bin\r");
    EXPECT_EQ(run.WaitForExit(), 0);
    EXPECT_THAT(run.Output(), HasSubstr("Enter File Name :SU_Menu_CRC_41.bin\n"));
    EXPECT_THAT(run.Output(), EndsWith("File Upload Complete!\nWaiting for Reset\nExiting Program!\n"));
    const std::vector<uint8_t> image = run.Module().UploadedImage();
    EXPECT_EQ(std::string(image.begin(), image.end()), "A");
    const std::vector<std::string> received = run.Received();
    ASSERT_EQ(received.size(), StartUpPackets().size() + 5) << ::testing::PrintToString(received);
    EXPECT_THAT(
        std::vector<std::string>(received.end() - 5, received.end()),
        ElementsAre("6/1 <01><06><02><01>", "6/2", ::testing::StartsWith("6/6 F1"), "6/6 F2A", "6/3"));
    ExpectTerminalAsFound(run);
}

// A hang-up or a termination while the program waits for a key, in a menu
// or in a live test that keeps polling for one: the program ends by that
// signal at once and the terminal is put back first.
struct SignalCase {
    const char* name;
    const Variant* variant;
    const char* keys;  // pressed one at a time, each at a prompt
    const char* waitFor;
    int signalNumber;
};

void PrintTo(const SignalCase& signalCase, std::ostream* out) { *out << signalCase.name; }

class SignalAtAKeyWait : public ::testing::TestWithParam<SignalCase> {};

TEST_P(SignalAtAKeyWait, EndsTheProgramAndLeavesTheTerminalAsFound)
{
    E2E_SKIP_UNDER_WINE(POSIX_SIGNALS);
    const SignalCase& signalCase = GetParam();
    UtilityRun run(*signalCase.variant);
    run.OnTerminal();
    run.Start();
    for (const char* key = signalCase.keys; *key != '\0'; ++key)
        ASSERT_TRUE(run.PressWhen("Enter Command:", std::string(1, *key)));
    ASSERT_TRUE(run.WaitFor(signalCase.waitFor));
    ASSERT_TRUE(run.WaitForTerminalMode(true));
    run.Signal(signalCase.signalNumber);
    EXPECT_EQ(run.WaitForExit(5000), 128 + signalCase.signalNumber);
    ExpectTerminalAsFound(run);
}

INSTANTIATE_TEST_SUITE_P(
    Terminal, SignalAtAKeyWait,
    ::testing::Values(SignalCase{"HangUpInTheMainMenu", &SU, "", "Enter Command:", SIGHUP},
                      SignalCase{"TerminationInTheUsbTest", &CU, "T6", "Packets Sent 3,", SIGTERM}),
    [](const auto& paramInfo) { return std::string(paramInfo.param.name); });

// The comparisons above mean something only if a program that does not put
// the terminal back is seen to leave it changed.
TEST(TerminalHarness, SeesWhatAProgramLeavesBehind)
{
    const struct termios start = TechnicianTerminal();
    ChildProcess shell;
    ChildOptions options;
    options.program = "/bin/sh";
    // The shell waits for a line, so that the settings before are read
    // before it changes them, however quickly it starts.
    options.arguments = {"-c", "read line && stty -echo -icanon min 1 time 0"};
    options.terminal = &start;
    ASSERT_TRUE(shell.Start(options)) << shell.Error();
    struct termios before = {};
    ASSERT_TRUE(shell.TerminalSettings(&before));
    shell.Write("\n");
    EXPECT_EQ(shell.Wait(10000), 0) << shell.Errors();
    struct termios after = {};
    ASSERT_TRUE(shell.TerminalSettings(&after));
    EXPECT_TRUE(InKeyMode(after));
    EXPECT_FALSE(InKeyMode(before));
    EXPECT_EQ(after.c_cc[VMIN], 1);
}

INSTANTIATE_TEST_SUITE_P(Both, OnTerminal, ::testing::Values(SU, CU),
                         [](const auto& paramInfo) { return VariantName(paramInfo.param); });

}  // namespace
}  // namespace e2e
