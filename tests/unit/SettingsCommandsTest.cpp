// The board settings against the emulated board behind the in-memory
// device: each request exchange's failure messages, and the choices where
// nothing is to be sent.
#include "commands/Command_SetSensors.h"
#include "base/ProgramOptions.h"
#include "base/Variant.h"
#include "link/securitymodule_commands.h"
#include "support/DeviceBoard.h"
#include "support/FakeBoardDevice.h"
#include "support/LinkFixture.h"
#include "support/TestClock.h"
#include "support/ScriptedConsole.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

// ONCE: the same in both deliverables, so run in su_utility's tests only
// (each case costs the port's 700 ms of sleeps).
enum Only { ONCE, SU_ONLY, CU_ONLY };

enum class Misbehaviour { NotSent, Flood, Silent };

class SettingsCommand : public linktest::LinkTest {
protected:
    void SetUp() override
    {
        LinkTest::SetUp();
        SecurityModuleVersionNumber = 410;
        g_ProgramOptions.m_AutomatedMode = true;
        g_ProgramOptions.m_SettingValue = 1;
        g_ProgramOptions.m_CurtainBreakWindow = 44;
        g_ProgramOptions.m_CurtainBreakWindowGiven = true;
    }

    bool SkipFor(Only only) { return (only == CU_ONLY) != IsCuUtility(); }

    // A board of firmware 4.10 with the safety switch mechanical, a curtain
    // break window of 20, the flatpack sensor and the power relay on; later
    // lines take the place of these. The link starts.
    void StartBoard(const std::vector<std::string>& lines = {})
    {
        for (const char* line :
             {"version=041012152010", "checksum-status=0", "checksum=5A3C91", "setting.safety-switch=1",
              "setting.curtain-break-window=20", "setting.flatpack=1", "setting.power-relay=1"})
            board.Set(line);
        for (const std::string& line : lines) board.Set(line);
        ASSERT_TRUE(board.Install(IsCuUtility() ? "cu" : "su"));
        StartLink();
    }

    testboard::DeviceBoard board;
};

struct FailingExchange {
    const char* name;
    Only only;
    void (*command)();
    const char* request;  // the beginning of its data
    Misbehaviour how;
    // The board's faults pick requests by their first two bytes: a set
    // request after its query of the same two is spoilt in front of it.
    bool afterItsQuery;
    const char* messages;  // shown in this order, each on its own line
};

void PrintTo(const FailingExchange& c, std::ostream* out) { *out << c.name; }

void PowerRelayEnabled()
{
    scripted::Type("e\n");
    SetPowerRelay();
}

class SettingsExchangeFailure : public SettingsCommand,
                                public ::testing::WithParamInterface<FailingExchange> {
protected:
    void Misbehave(const FailingExchange& c)
    {
        const std::string key = std::string(c.request).substr(0, 2);
        if (c.how == Misbehaviour::NotSent) {
            StartBoard();
            board.FailWritesOf(c.request);
        } else if (c.afterItsQuery) {
            StartBoard();
            SpoilInFront(c.request, c.how);
        } else {
            StartBoard(
                {"fault." + key + (c.how == Misbehaviour::Flood ? "=unrelated:100" : "=no-reply")});
        }
    }

    // Floods or swallows the request on the in-memory device; the board
    // answers everything else.
    void SpoilInFront(const std::string& request, Misbehaviour how)
    {
        const auto answering = board.Answering();
        fakeboard::SetResponder([answering, request, how](const fakeboard::Sent& sent) {
            if (!testboard::IsModuleRequest(sent, request)) return answering(sent);
            if (how == Misbehaviour::Flood)
                for (int i = 0; i < 100; ++i) fakeboard::QueueReply("un");
        });
    }
};

// Every failure is shown and port 6 is closed afterwards.
TEST_P(SettingsExchangeFailure, IsShownAndPort6IsClosed)
{
    // About what is sent and shown, not about how long the waits take.
    const testclock::Scope clock;
    const FailingExchange& c = GetParam();
    if (SkipFor(c.only)) GTEST_SKIP() << "the other deliverable's request, or run once";
    Misbehave(c);
    c.command();
    EXPECT_THAT(scripted::Output(), HasSubstr(std::string("\n") + c.messages + "\n"));
    const std::vector<std::string> received = board.Received();
    ASSERT_FALSE(received.empty());
    EXPECT_EQ(received.back(), "6/3");
}

const FailingExchange failingExchanges[] = {
    {"SafetyStatusNotSent", ONCE, SetSafetySwitch, "ZC?", Misbehaviour::NotSent, false,
     "ERROR 11: Get Security Module Switch Status Failed."},
    {"SafetyStatusFlooded", ONCE, SetSafetySwitch, "ZC?", Misbehaviour::Flood, false,
     "ERROR 12: Get Security Module Switch Status Failed."},
    {"SafetySetNotSent", ONCE, SetSafetySwitch, "ZC1", Misbehaviour::NotSent, false,
     "ERROR 11: Writing Security Module Switch Status Failed."},
    {"SafetySetFlooded", ONCE, SetSafetySwitch, "ZC1", Misbehaviour::Flood, true,
     "ERROR 12: Get Security Module Switch Status Failed."},
    {"CurtainStatusNotSent", ONCE, SetCurtainBreakWindow, "A5", Misbehaviour::NotSent, false,
     "ERROR 11: Get Security Module Curtain Break Window Failed.\n"
     "ERROR 13: USB Secureity Module."},
    {"CurtainStatusFlooded", ONCE, SetCurtainBreakWindow, "A5", Misbehaviour::Flood, false,
     "ERROR 12: Get Security Module Curtain Break Window Failed.\n"
     "ERROR 13: USB Secureity Module."},
    {"CurtainSetNotSent", ONCE, SetCurtainBreakWindow, "A4,", Misbehaviour::NotSent, false,
     "ERROR 11: Writing Security Module Curtain Break Window Failed."},
    {"FlatpackStatusNotSent", ONCE, SetFlatpack, "ZF?", Misbehaviour::NotSent, false,
     "ERROR 11: Get Security Module Flatpack Status Failed."},
    {"FlatpackStatusFlooded", ONCE, SetFlatpack, "ZF?", Misbehaviour::Flood, false,
     "ERROR 12: Get Security Module Flatpack Status Failed."},
    {"FlatpackFreshVersionFlooded", ONCE, SetFlatpack, "Z2", Misbehaviour::Flood, false,
     "ERROR 12: Get Security Module Version Failed.\nERROR 13: USB Security Module."},
    {"FlatpackFreshChecksumNotSent", ONCE, SetFlatpack, "Z4", Misbehaviour::NotSent, false,
     "ERROR 11: Get Security Module Checksum Failed.\nERROR 13: USB Security Module."},
    {"FlatpackSetNotSent", SU_ONLY, SetFlatpack, "ZF1", Misbehaviour::NotSent, false,
     "ERROR 11: Writing Security Module Flatpack Sensor Status Failed."},
    {"FlatpackSetFlooded", SU_ONLY, SetFlatpack, "ZF1", Misbehaviour::Flood, true,
     "ERROR 12: Get Security Module Flatpack Sensor Status Failed."},
    // The one wait of 20 polls sat out here: 2 s.
    {"FlatpackSetUnanswered", SU_ONLY, SetFlatpack, "ZF1", Misbehaviour::Silent, true,
     "ERROR 10: Get Security Module Flatpack status."},
    {"CuFlatpackQueryNotSent", CU_ONLY, SetFlatpack, "A7?", Misbehaviour::NotSent, false,
     "ERROR 11: Writing Security Module Flatpack Sensor Status Failed."},
    {"CuFlatpackQueryFlooded", CU_ONLY, SetFlatpack, "A7?", Misbehaviour::Flood, false,
     "ERROR 12: Get Security Module Flatpack Sensor Status Failed."},
    {"CuFlatpackSetNotSent", CU_ONLY, SetFlatpack, "A7E", Misbehaviour::NotSent, false,
     "ERROR 11: Writing Security Module Flatpack Sensor Status Failed."},
    {"PowerRelayStatusNotSent", SU_ONLY, PowerRelayEnabled, "R0", Misbehaviour::NotSent, false,
     "ERROR 11: Get Security Module Power Relay Status Failed."},
    {"PowerRelayStatusFlooded", SU_ONLY, PowerRelayEnabled, "R0", Misbehaviour::Flood, false,
     "ERROR 12: Get Security Module Power Relay Status Failed."},
    {"PowerRelaySetNotSent", SU_ONLY, PowerRelayEnabled, "R11", Misbehaviour::NotSent, false,
     "ERROR 11: Writing Security Module power relay Status Failed."},
};

INSTANTIATE_TEST_SUITE_P(Requests, SettingsExchangeFailure, ::testing::ValuesIn(failingExchanges),
                         [](const auto& paramInfo) { return std::string(paramInfo.param.name); });

// The one wait of 10 polls sat out in these tests: 1 s.
TEST_F(SettingsCommand, ASilentExchangeGivesUpAfterItsWaitCount)
{
    if (IsCuUtility()) GTEST_SKIP() << "the same in both deliverables; run once";
    StartBoard({"fault.A5=no-reply"});
    const auto start = std::chrono::steady_clock::now();
    SetCurtainBreakWindow();
    const long long tookMs = linktest::ElapsedMs(start);
    EXPECT_THAT(scripted::Output(),
                HasSubstr("\nERROR 10: Get Security Module Curtain Break Window Failed.\n"
                          "ERROR 13: USB Secureity Module.\n"));
    // Port 6: 200 ms to open, 500 ms to close; the wait: 10 polls of 100 ms.
    EXPECT_GE(tookMs, 1700);
    EXPECT_THAT(board.ReceivedAfterOpen(), ElementsAre("6/6 A5", "6/3"));
}

TEST_F(SettingsCommand, CurtainBreakWindowWithoutANumberChangesNothing)
{
    StartBoard();
    g_ProgramOptions.m_CurtainBreakWindowGiven = false;
    g_ProgramOptions.m_CurtainBreakWindow = 0;
    SetCurtainBreakWindow();
    EXPECT_THAT(
        scripted::Output(),
        HasSubstr("Current Curtain Break Window Value:20\n\n"
                  "ERROR 13: No Curtain Break Window value given, the window is not changed.\n"));
    EXPECT_THAT(board.ReceivedAfterOpen(), ElementsAre("6/6 A5", "6/3"));
}

TEST_F(SettingsCommand, NotTheUsbBoardSendsNothing)
{
    StartBoard();
    ProgramConfig.m_SecurityModuleType = 0;
    SetSafetySwitch();
    SetCurtainBreakWindow();
    SetFlatpack();
    EXPECT_EQ(scripted::Output(),
              "ERROR 1D: System is not USB!\nERROR 1D: System is not USB!\n"
              "ERROR 1D: System is not USB.\n");
    EXPECT_TRUE(board.Received().empty());
}

TEST_F(SettingsCommand, PowerRelayAnswersOtherThanEOrDChangeNothing)
{
    if (IsCuUtility()) GTEST_SKIP() << "su_utility's Test menu only";
    StartBoard();
    for (const char* answer : {"\n", "x\n", "yes please\n"}) {
        scripted::ClearOutput();
        board.ClearReceived();
        g_ProgramOptions.m_SettingValue = 1;
        scripted::Type(answer);
        SetPowerRelay();
        EXPECT_THAT(scripted::Output(), HasSubstr("Power Relay :No Change!\n")) << answer;
        EXPECT_THAT(board.ReceivedAfterOpen(), ElementsAre("6/6 R0", "6/3")) << answer;
        EXPECT_EQ(g_ProgramOptions.m_SettingValue, 1);
    }
}

TEST_F(SettingsCommand, PowerRelayTakesALowerCaseD)
{
    if (IsCuUtility()) GTEST_SKIP() << "su_utility's Test menu only";
    StartBoard();
    scripted::Type("d\n");
    SetPowerRelay();
    EXPECT_THAT(scripted::Output(),
                ::testing::EndsWith("\nCurrent Status of power relay is Enabled\n\n"
                                    "Enter E to Enable or D to Disable Power Relay :"));
    EXPECT_THAT(board.ReceivedAfterOpen(), ElementsAre("6/6 R0", "6/6 R10", "6/3"));
    const std::string capture = linktest::CaptureText();
    EXPECT_THAT(capture, HasSubstr("   Requesting Security Module Power Relay Status\n"));
    EXPECT_THAT(capture, HasSubstr("   Entered Answer : d\n"));
    EXPECT_THAT(capture, HasSubstr("   Setting Security Module Power Relay\n"));
    EXPECT_THAT(capture, HasSubstr("   Value = 0\n"));
}

// From the Curtain menu the step asks for one key; only upper-case E and D
// count, anything else sends E without a word.
TEST_F(SettingsCommand, CuFlatpackStepFromTheMenuTakesOneKey)
{
    if (!IsCuUtility()) GTEST_SKIP() << "cu_utility only";
    StartBoard();
    g_ProgramOptions.m_AutomatedMode = false;
    const struct {
        char key;
        const char* sent;
        const char* shown;
        // In this order the board's sensor stays on until the last key.
    } keys[] = {{'E', "A7E", "\n\nCurrent Status of Flatpack Sensor is Enabled\n"},
                {'d', "A7E", ""},
                {'D', "A7D", "\n\nCurrent Status of Flatpack Sensor is Disabled\n"}};
    for (const auto& k : keys) {
        scripted::ClearOutput();
        board.ClearReceived();
        scripted::Type(std::string(1, k.key));
        CuFlatpackStep();
        EXPECT_EQ(scripted::Output(), std::string("CU Flatpack Sensor Enable/Disable\n"
                                                  "Current Setting: Flatpacks Enabled\n"
                                                  "Enter E to enable or D to Disable :") +
                                          k.shown)
            << k.key;
        EXPECT_THAT(board.Received(), ElementsAre("6/6 A7?", std::string("6/6 ") + k.sent)) << k.key;
    }
}

TEST_F(SettingsCommand, CuFlatpackStepAutomatedTakesTheSwitchAndNoKey)
{
    if (!IsCuUtility()) GTEST_SKIP() << "cu_utility only";
    StartBoard({"setting.flatpack=0"});
    g_ProgramOptions.m_SettingValue = 0;
    scripted::HoldEndOfInput(true);  // a key read would wait for ever
    CuFlatpackStep();
    scripted::HoldEndOfInput(false);
    EXPECT_EQ(scripted::Output(),
              "CU Flatpack Sensor Enable/Disable\n"
              "Current Setting: Flatpacks Disabled\n"
              "Current Status of Flatpack Sensor is Disabled\n");
    EXPECT_THAT(board.Received(), ElementsAre("6/6 A7?", "6/6 A7D"));
}

}  // namespace
