// The carousel E-Box protocol against an in-memory board, and the rounding
// command's way out when port 4 cannot be opened.
#include "commands/Command_Carousel.h"
#include "config/PgmCnfg.h"
#include "base/ProgramOptions.h"
#include "link/ORBA_Support.h"
#include "link/securitymodule.h"
#include "platform/Platform.h"
#include "support/LinkFixture.h"
#include "support/TestClock.h"
#include "support/TestEnvironment.h"
#include "trace/TraceTestHooks.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <utility>

using fakeboard::Bytes;
using fakeboard::Wire;

namespace {

class Carousel : public linktest::LinkTest {
protected:
    void SetUp() override
    {
        LinkTest::SetUp();
        StartLink();
    }
};

std::string DataOf(const Bytes& wire)
{
    return std::string(wire.begin() + 3, wire.begin() + 3 + wire[2]);
}

bool IsEBoxData(const fakeboard::Sent& sent)
{
    return !sent.control && sent.bytes.size() >= 4 && sent.bytes[0] == ORBA_PORT_CAROUSEL_EBOX &&
           sent.bytes[1] == ORBA_DC_DATA;
}

// What was sent to the E-Box, in order.
std::vector<std::string> EBoxRequests()
{
    std::vector<std::string> requests;
    for (const fakeboard::Sent& sent : fakeboard::SentPackets())
        if (IsEBoxData(sent)) requests.push_back(DataOf(sent.bytes));
    return requests;
}

// An E-Box: "O" gives the configuration, a write is taken (or not), "R"
// gives the reset reply.
struct FakeEBox {
    std::string configuration = "1140120";
    bool takesWrites = true;
    std::string resetReply = "R";
};

void Serve(std::shared_ptr<FakeEBox> ebox)
{
    auto lock = std::make_shared<std::mutex>();
    fakeboard::SetResponder([ebox, lock](const fakeboard::Sent& sent) {
        if (!IsEBoxData(sent)) return;
        std::lock_guard<std::mutex> guard(*lock);
        const std::string request = DataOf(sent.bytes);
        std::string reply;
        if (request == "R")
            reply = ebox->resetReply;
        else if (request == "\rO\n")
            reply = ebox->configuration;
        else if (request.size() == 11 && request.compare(0, 2, "\rO") == 0) {
            if (ebox->takesWrites) ebox->configuration = request.substr(2, 7);
            reply = "OK";
        }
        fakeboard::QueueRead(Wire(4, 6, "\r" + reply + "\n"));
    });
}

TEST(EBoxCheckDigit, BringsTheLowBitsUpToATen)
{
    EXPECT_EQ(EBoxCheckDigit("1260120"), '8');
    EXPECT_EQ(EBoxCheckDigit("1140120"), '1');
    EXPECT_EQ(EBoxCheckDigit("0000000"), '0');
    EXPECT_EQ(EBoxCheckDigit("9999999"), '7');
    EXPECT_EQ(EBoxCheckDigit("ABC0000"), '4') << "low four bits of 0x41, 0x42, 0x43";
}

TEST_F(Carousel, ReplySplitOverPacketsIsJoinedAndOtherPortsAreIgnored)
{
    BoardSends({Wire(4, 6, "xx\rOK 1"), Wire(6, 6, "z91"), Wire(4, 6, "23\nAB")});
    EXPECT_EQ(ReadEBoxResponse(), 0);
    EXPECT_STREQ(EBoxResponse, "OK 123AB") << "bytes after the line feed come along";
    EXPECT_EQ(scripted::Output(), "");
}

TEST_F(Carousel, ErrRepliesShowTheirCodeAndText)
{
    struct Case {
        const char* reply;
        const char* shown;
    };
    const Case cases[] = {
        {"\rErr 3\n", "E-Box Error Code 3, Overload condition\n"},
        {"\rErr 8\n", "E-Box Error Code 8, Missing load cells in the network\n"},
        {"\rErr 5\n", "E-Box Error Code 5, \n"},
        {"\rErr\n", "E-Box Error Code ?, \n"},
    };
    for (const Case& c : cases) {
        scripted::ClearOutput();
        BoardSends({Wire(4, 6, c.reply)});
        EXPECT_EQ(ReadEBoxResponse(), 833) << c.reply;
        EXPECT_EQ(scripted::Output(), c.shown);
    }
}

TEST_F(Carousel, OverlongReplyIsCutAndTerminated)
{
    BoardSends({Wire(4, 6, "\r" + std::string(59, 'A')), Wire(4, 6, std::string(41, 'B') + "\n")});
    EXPECT_EQ(ReadEBoxResponse(), 0);
    EXPECT_EQ(std::string(EBoxResponse), std::string(59, 'A') + std::string(5, 'B'));
    EXPECT_EQ(EBoxResponseIndex, 64u);

    BoardSends({Wire(4, 6, "\rshort\n")});
    EXPECT_EQ(ReadEBoxResponse(), 0);
    EXPECT_STREQ(EBoxResponse, "short") << "every read starts from an empty buffer";
}

TEST_F(Carousel, RoundingTheEBoxDidNotTakeIsReported)
{
    auto ebox = std::make_shared<FakeEBox>();
    ebox->configuration = "1160120";
    ebox->takesWrites = false;
    Serve(ebox);
    SetEBoxRounding('3');
    EXPECT_EQ(EBoxRequests(), (std::vector<std::string>{"\rO\n", "\rO13601207\n", "\rO\n"}));
    EXPECT_EQ(scripted::Output(),
              "Current Weight Rounding = 0.01\n\nERROR 53: Weight Rounding NOT Updated.\n");
}

TEST_F(Carousel, RoundingIsNotWrittenWithoutAValidCodeAndAWholeConfiguration)
{
    auto ebox = std::make_shared<FakeEBox>();
    ebox->configuration = "1740120";
    Serve(ebox);
    SetEBoxRounding('5');
    EXPECT_EQ(scripted::Output(), "Current Weight Rounding = Value = 37\n\nInvalid Number!\n");

    scripted::ClearOutput();
    ebox->configuration = "12";
    SetEBoxRounding('2');
    EXPECT_EQ(scripted::Output(),
              "Current Weight Rounding = 0.02\n\n"
              "ERROR 51: Incomplete E-Box Configuration \"12\", not written.\n");
    EXPECT_EQ(EBoxRequests(), (std::vector<std::string>{"\rO\n", "\rO\n"})) << "nothing written";

    scripted::ClearOutput();
    ebox->configuration = "Err 2";
    SetEBoxRounding('2');
    EXPECT_EQ(scripted::Output(), "E-Box Error Code 2, Under-load condition\n");
}

TEST_F(Carousel, ResetTellsHowTheEBoxAnswered)
{
    auto ebox = std::make_shared<FakeEBox>();
    Serve(ebox);
    ebox->resetReply = "E1";
    ResetEBox();
    EXPECT_EQ(scripted::Output(), "Resetting Carousel E-Box\n\nReset Failed!, Code = E\n");

    scripted::ClearOutput();
    ebox->resetReply = "Err 7";
    ResetEBox();
    EXPECT_EQ(scripted::Output(),
              "Resetting Carousel E-Box\n\n"
              "E-Box Error Code 7, Arithmetic error during calibration\n"
              "Reset Failed!\n");
}

TEST_F(Carousel, FlushGivesUpAtTheHundredthPacket)
{
    std::vector<Bytes> reads(100, Wire(4, 6, "noise"));
    reads.push_back(Wire(4, 6, "\rlater\n"));
    BoardSends(reads);
    FlushCarouselPort();
    EXPECT_EQ(scripted::Output(), "ERROR 52: Flushing port 4 Data.\n");
    EXPECT_EQ(ReadEBoxResponse(), 0);
    EXPECT_STREQ(EBoxResponse, "later") << "the flush stopped at the hundredth";
}

// ------------------------------------------ port 4 failing to open at all

// A console that arms a write failure when a text is shown: the failure then
// hits the very next stream write. Every stream write offered to the device is
// kept in order, the refused one too.
std::mutex armMutex;
std::string shown;
std::string armText;
bool refuseNext = false;
std::vector<std::string> written;

void ArmingWrite(const char* text, size_t length)
{
    std::lock_guard<std::mutex> guard(armMutex);
    shown.append(text, length);
    if (!armText.empty() && shown.find(armText) != std::string::npos) {
        armText.clear();
        refuseNext = true;
    }
}

bool RefusedWrite(const fakeboard::Sent& sent)
{
    if (sent.control) return false;
    std::lock_guard<std::mutex> guard(armMutex);
    written.emplace_back(sent.bytes.begin(), sent.bytes.end());
    return std::exchange(refuseNext, false);
}

bool NoKeyWaits() { return false; }
int NoKey() { return 'X'; }
void NoLine(char* buffer, size_t) { buffer[0] = '\0'; }
const PlatConsoleOps armingConsole = {NoKeyWaits, NoKey, NoLine, ArmingWrite};

TEST(CarouselPort4, OpenFailureStillGivesThePollingBack)
{
    // About what is sent and shown, not about how long the waits take.
    const testclock::Scope clock;
    TraceSetErrorHoldForTests(0);
    std::filesystem::create_directories(testenv::DriveRoot() + "/FirmwareUpdate");
    ResetProgramOptions();
    Plat_SetConsole(&armingConsole);
    fakeboard::Install();
    fakeboard::FailWritesOf(RefusedWrite, 31);
    AccessProgramConfig();
    ASSERT_EQ(InitializeSecurityModule(), 0);
    {
        std::lock_guard<std::mutex> guard(armMutex);
        armText = "Opening Port 4 to Carousel\n";
    }

    SetEBoxRound02();

    auto wire = [](uint8_t port, uint8_t dc, const std::string& data) {
        const std::vector<uint8_t> bytes = Wire(port, dc, data);
        return std::string(bytes.begin(), bytes.end());
    };
    const std::string openPort6[] = {wire(6, 1, std::string("\x01\x06\x02\x01", 4)), wire(6, 2, "")};
    const std::string closePort6 = wire(6, 3, "");
    const std::vector<std::string> expected = {
        openPort6[0],
        openPort6[1],  // the command's own
        openPort6[0],
        openPort6[1],
        wire(6, 6, "SHL"),
        closePort6,  // override off
        openPort6[0],
        openPort6[1],
        wire(6, 6, "SFD"),
        closePort6,                                      // polling off
        wire(4, 1, std::string("\x05\x05\x01\x02", 4)),  // refused
        openPort6[0],
        openPort6[1],
        wire(6, 6, "SFE"),
        closePort6,  // polling back on
    };
    std::lock_guard<std::mutex> guard(armMutex);
    EXPECT_EQ(written, expected);
    EXPECT_NE(shown.find("ERROR 11: Init Port 4.\nERROR 1B: Port 4 open Failed.\n"), std::string::npos);
    EXPECT_EQ(shown.find("Complete."), std::string::npos);
    Plat_SetConsole(nullptr);
}

}  // namespace
