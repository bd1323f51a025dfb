// Failure paths and result codes of the service and test commands, against
// the in-memory board: replies that never match, writes that fail, the
// firmware gate, a dump file that cannot be written.
#include "commands/Command_ConveyorTests.h"
#include "commands/Command_CouponBox.h"
#include "commands/Command_Sensormatic.h"
#include "link/securitymodule_commands.h"
#include "support/LinkFixture.h"
#include "support/TestClock.h"
#include "support/TestEnvironment.h"
#include "support/TimingAllowance.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <thread>

using fakeboard::Bytes;
using fakeboard::Wire;
using linktest::ElapsedMs;
using linktest::Occurrences;
using Clock = std::chrono::steady_clock;

namespace {

class ServiceCommands : public linktest::LinkTest {
protected:
    void SetUp() override
    {
        LinkTest::SetUp();
        StartLink();
        SecurityModuleVersionNumber = 410;
    }
};

std::string RequestText(const fakeboard::Sent& sent)
{
    if (sent.control || sent.bytes.size() < 4) return "";
    return std::string(sent.bytes.begin() + 3, sent.bytes.begin() + 3 + sent.bytes[2]);
}

// The board answers each request text with its reads.
void Answer(const std::map<std::string, std::vector<Bytes>>& answers)
{
    fakeboard::SetResponder([answers](const fakeboard::Sent& sent) {
        auto found = answers.find(RequestText(sent));
        if (found == answers.end()) return;
        for (const Bytes& read : found->second) fakeboard::QueueRead(read);
    });
}

std::vector<Bytes> Unrelated(int count, const Bytes& then = Bytes())
{
    std::vector<Bytes> reads(static_cast<size_t>(count), Wire(6, 6, "un"));
    if (!then.empty()) reads.push_back(then);
    return reads;
}

bool Shown(const std::string& line) { return scripted::Output().find(line + "\n") != std::string::npos; }

// The request texts sent, port packets as "open" and "close".
std::vector<std::string> Sent()
{
    std::vector<std::string> texts;
    for (const fakeboard::Sent& sent : fakeboard::SentPackets()) {
        if (sent.control || sent.bytes.size() < 3) continue;
        if (sent.bytes[1] == ORBA_DC_OPEN_PORT) texts.push_back("open");
        if (sent.bytes[1] == ORBA_DC_CLOSE_PORT) texts.push_back("close");
        if (sent.bytes[1] == ORBA_DC_DATA) texts.push_back(RequestText(sent));
    }
    return texts;
}

TEST_F(ServiceCommands, SensormaticRequestsGiveUpAtTheHundredthOtherPacket)
{
    // About what is sent and shown, not about how long the waits take.
    const testclock::Scope clock;
    SensormaticControllerType = '1';
    Answer({{"X3", Unrelated(99, Wire(6, 6, "x302"))},
            {"X51", Unrelated(120)},
            {"X50", Unrelated(100)},
            {"X4", Unrelated(100)}});
    EXPECT_EQ(RequestSensormaticStatus(), 464);
    EXPECT_TRUE(Shown("ERROR 62: Security Module Timeout."));
    EXPECT_EQ(Sent().back(), "close") << "a failed status request closes port 6";
    EXPECT_EQ(SensormaticControllerType, '1');

    EXPECT_EQ(ConfigureSensormaticControllerType(), 130);
    EXPECT_EQ(EnableSensormaticController(), 245);
    EXPECT_EQ(DisableSensormaticController(), 410);
    EXPECT_EQ(Occurrences(scripted::Output(), "ERROR 62: Sensormatic controller did not respond.\n"),
              2u);
    EXPECT_EQ(RequestHardtagStatus(), '0');
    EXPECT_EQ(Sent().back(), "close");
}

TEST_F(ServiceCommands, SensormaticSetTypeWriteFailureKeepsPort6Open)
{
    fakeboard::SetResponder([](const fakeboard::Sent& sent) {
        if (RequestText(sent) != "X3") return;
        fakeboard::QueueRead(Wire(6, 6, "x301"));
        fakeboard::FailWrites(5);
    });
    scripted::Type("2\n");
    EXPECT_EQ(ConfigureSensormaticControllerType(), 173);
    EXPECT_TRUE(Shown("Current Controller Type :1 - ScanMax\n"));
    EXPECT_TRUE(Shown("ERROR 11: Writing Security Module Data Failed."));
    EXPECT_EQ(Sent().back(), "X3");
}

TEST_F(ServiceCommands, HardtagDisplayShowsFailuresAsNoHardtagUntilAKey)
{
    int answered = 0;
    fakeboard::SetResponder([&answered](const fakeboard::Sent& sent) {
        if (RequestText(sent) != "X4") return;
        // Present, then a board that sends only other packets.
        for (const Bytes& read :
             ++answered == 1 ? std::vector<Bytes>{Wire(6, 6, "x41")} : Unrelated(100))
            fakeboard::QueueRead(read);
    });
    scripted::HoldEndOfInput(true);
    int result = -1;
    std::thread display([&result] { result = ShowHardtagStatus(); });
    EXPECT_TRUE(scripted::WaitForOutput(
        "Hardtag Present    \rERROR 62: Security Module Timeout.\nHardtag Not Present\r", 10000))
        << scripted::Output();
    scripted::Type("k");
    display.join();
    EXPECT_EQ(result, 0);
    EXPECT_EQ(Sent().back(), "close");
}

TEST_F(ServiceCommands, CouponBoxFailures)
{
    Answer({{"P1", Unrelated(100)}, {"ZH", Unrelated(100)}});
    EnableCouponBox();
    EXPECT_TRUE(Shown("\n\nERROR 12: Security Controller did not respond."));
    // The values display ends at its first failure, without the key help.
    scripted::HoldEndOfInput(true);
    ShowCouponBoxLedValues();
    EXPECT_EQ(Occurrences(scripted::Output(), "ERROR 12: Security Controller did not respond."), 2u);
    EXPECT_EQ(scripted::Output().find("O - Enable Box"), std::string::npos);

    fakeboard::FailWrites(5);
    EXPECT_EQ(CouponBoxTest(), 59);
    EXPECT_TRUE(Shown("ERROR 1B: Can not open port."));
}

TEST_F(ServiceCommands, SafetySwitchesNeedFirmware335AndEndAtASilentBoard)
{
    SecurityModuleVersionNumber = 334;
    ConveyorSafetySwitchesTest();
    EXPECT_TRUE(Shown("ERROR 1E: Security Module Version Must be >= 3.35"));
    EXPECT_EQ(Sent().back(), "open");

    SecurityModuleVersionNumber = 335;
    const auto start = Clock::now();
    ConveyorSafetySwitchesTest();
    // A 100 ms pause, then ten 100 ms polls.
    const long long took = ElapsedMs(start) - 200;  // opening port 6
    EXPECT_GE(took, 1100);
    EXPECT_LT(took, timing::UpperLimitMs(1500));
    EXPECT_TRUE(Shown("ERROR 10: Get Security Module Safety sensor status Failed."));
    EXPECT_EQ(Sent().back(), "Z8") << "the belts are left as they are";
}

Bytes CurtainResult(uint8_t sensor)
{
    Bytes data = {'a', '6', sensor};
    for (int i = 0; i < 22; ++i) data.push_back(static_cast<uint8_t>(i));
    return Wire(6, 6, data);
}

TEST_F(ServiceCommands, CurtainResultsSkipStrayPacketsAndReachTheConsoleWithoutTheDumpFile)
{
    // The dump file's name is taken by a folder: it cannot be opened.
    std::filesystem::create_directories(testenv::DriveRoot() + "/FirmwareUpdate/Curtain_Dump.txt");
    std::vector<Bytes> results = Unrelated(100);
    for (uint8_t sensor : {1, 27, 28, 29, 30}) results.push_back(CurtainResult(sensor));
    Answer({{"A60", results}});
    scripted::Type("0");
    StaticCurtainTest();
    const std::string output = scripted::Output();
    EXPECT_EQ(Occurrences(output, "ERROR 12: Security Module status timeout.\n"), 1u);
    // The 100th packet is no result and is not shown as one.
    EXPECT_EQ(output.find("   0: "), std::string::npos);
    for (const char* label : {"\nFP  : ", "\nRear: ", "\nBAF : ", "\nFTP : ", "\nRTP : "})
        EXPECT_EQ(Occurrences(output, label), 1u) << label;
    EXPECT_EQ(Occurrences(output, "Total Scans 202182159\n\n"), 1u);
    EXPECT_EQ(Sent().back(), "close");
}

}  // namespace
