#include "base/ProgramOptions.h"
#include "base/Variant.h"
#include "link/securitymodule.h"
#include "link/ReceiveQueue.h"
#include "link/securitymodule_commands.h"
#include "platform/Platform.h"
#include "support/LinkFixture.h"
#include "support/TimingAllowance.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <cstring>
#include <thread>

using fakeboard::Bytes;
using fakeboard::Wire;
using linktest::ElapsedMs;
using Clock = std::chrono::steady_clock;

namespace {

class StandardRequests : public linktest::LinkTest {
protected:
    void SetUp() override
    {
        LinkTest::SetUp();
        StartLink();
    }
};

int Code(int suCode) { return IsCuUtility() ? suCode + 1 : suCode; }

std::string RequestText(const fakeboard::Sent& sent)
{
    if (sent.control || sent.bytes.size() < 4) return "";
    return std::string(sent.bytes.begin() + 3, sent.bytes.begin() + 3 + sent.bytes[2]);
}

// The board answers the request text with these reads, in order.
void Answer(const std::string& request, const std::vector<Bytes>& reads)
{
    fakeboard::SetResponder([request, reads](const fakeboard::Sent& sent) {
        if (RequestText(sent) != request) return;
        for (const Bytes& read : reads) fakeboard::QueueRead(read);
    });
}

std::vector<Bytes> Unrelated(int count)
{
    std::vector<Bytes> reads;
    for (int i = 0; i < count; ++i) reads.push_back(Wire(6, 6, i % 2 ? "z3" : "Z2"));
    return reads;
}

bool Shown(const std::string& line) { return scripted::Output().find(line + "\n") != std::string::npos; }

TEST_F(StandardRequests, VersionReplyGivesTextAndNumber)
{
    Answer("Z2", {Wire(6, 6, "z2033612152010")});
    const auto start = Clock::now();
    EXPECT_EQ(GetSecurityModuleVersion(), 0);
    EXPECT_LT(ElapsedMs(start), timing::UpperLimitMs(250)) << "one polling step, not the whole wait";
    EXPECT_STREQ(SecurityModuleVersion, "03.36 12/15/2010");
    EXPECT_EQ(SecurityModuleVersionNumber, 336);
    EXPECT_NE(linktest::CaptureText().find("Requesting Security Module EPROM Version"),
              std::string::npos);
}

TEST_F(StandardRequests, VersionNumberIsADecimalConversion)
{
    struct Case {
        const char* digits;
        int number;
    };
    const Case cases[] = {{"0X36", 0}, {"0 41", 41}, {"0+52", 52}, {"04x1", 4}, {"0-07", -7}};
    for (const Case& c : cases) {
        Answer("Z2", {Wire(6, 6, std::string("z2") + c.digits + "12152010")});
        ASSERT_EQ(GetSecurityModuleVersion(), 0) << c.digits;
        EXPECT_EQ(SecurityModuleVersionNumber, c.number) << c.digits;
    }
}

TEST_F(StandardRequests, ReplyAfterUnrelatedPacketsIsTaken)
{
    std::vector<Bytes> reads = Unrelated(3);
    reads.push_back(Bytes{});  // an empty driver read: an all-zero record
    reads.push_back(Wire(6, 6, "z5700"));
    Answer("Z5", reads);
    EXPECT_EQ(GetSecurityModuleModel(), 0);
    EXPECT_STREQ(SecurityModuleModel, "700");
}

TEST_F(StandardRequests, HundredthPacketIsNotExaminedAsTheReply)
{
    g_ProgramOptions.m_AutomatedMode = true;
    std::vector<Bytes> reads = Unrelated(99);
    reads.push_back(Wire(6, 6, "z5300"));
    Answer("Z5", reads);
    std::strcpy(SecurityModuleModel, "700");
    EXPECT_EQ(GetSecurityModuleModel(), Code(248));
    EXPECT_TRUE(Shown("ERROR 12: Get Security Module Model Failed."));
    EXPECT_STREQ(SecurityModuleModel, "700") << "a failed request changes nothing";
}

// Every read a watched wait makes; the board sends once the first wait has
// come back empty.
struct ReadLog {
    std::function<void()> afterFirstEmpty;
    std::vector<bool> empty;
};

void LogRead(const ModulePacket& /*packet*/, bool empty, void* context)
{
    ReadLog* log = static_cast<ReadLog*>(context);
    log->empty.push_back(empty);
    if (empty && log->empty.size() == 1) log->afterFirstEmpty();
}

TEST_F(StandardRequests, WatchedWaitCountsAnEmptyWaitAsAPacket)
{
    struct Case {
        int unrelated;
        int result;
        size_t reads;
    };
    // With 98 unrelated packets the echo is the 100th read, not examined.
    const Case cases[] = {{3, EXCHANGE_OK, 5}, {98, EXCHANGE_TOO_MANY, 100}};
    const ReplyRule echo = {'z', 'I', nullptr, 1, 0};
    for (const Case& c : cases) {
        std::vector<Bytes> reads = Unrelated(c.unrelated);
        reads.push_back(Wire(6, 6, "zI"));
        ReadLog log{[&] { BoardSends(reads); }, {}};
        ModulePacket reply;
        const auto start = Clock::now();
        EXPECT_EQ(AwaitReplyThroughEmptyWaits(echo, {LogRead, &log}, &reply), c.result);
        EXPECT_GE(ElapsedMs(start), 100) << "the empty wait was waited out";
        ASSERT_EQ(log.empty.size(), c.reads);
        EXPECT_EQ(std::count(log.empty.begin(), log.empty.end(), true), 1);
        EXPECT_EQ(reply.data[0], 'z') << "the record holds the last read";
    }
}

TEST_F(StandardRequests, StandardExchangeSendsArgumentsAndMatchesTheEcho)
{
    const uint8_t arguments[] = {20};
    Answer("A4\x14", {Wire(6, 6, "A4"), Wire(6, 6, "a5"), Wire(6, 6, "a40")});
    ModulePacket reply;
    EXPECT_EQ(StandardExchange('A', '4', arguments, 1, 10, &reply), EXCHANGE_OK);
    EXPECT_EQ(reply.data[2], '0');
    EXPECT_EQ(fakeboard::SentPackets().back().bytes, Wire(6, 6, Bytes{'A', '4', 20}));
}

TEST_F(StandardRequests, NoModuleAnsweringFailsEachRequestAfterOneSecond)
{
    struct Case {
        int (*request)();
        int code;
        const char* message;
    };
    const Case cases[] = {
        {GetSecurityModuleVersion, 107, "ERROR 10: Get Security Module Version Failed."},
        {GetSecurityModuleChecksum, 180, "ERROR 10: Get Security Module Checksum Failed."},
        {GetSecurityModuleModel, 237, "ERROR 10: Get Security Module Model Failed."},
    };
    for (const Case& c : cases) {
        const auto start = Clock::now();
        EXPECT_EQ(c.request(), Code(c.code)) << c.message;
        const long long took = ElapsedMs(start);
        EXPECT_GE(took, 1000) << c.message;
        EXPECT_LT(took, timing::UpperLimitMs(1300)) << c.message;
        EXPECT_TRUE(Shown(c.message));
    }
    EXPECT_EQ(SecurityModuleChecksumStatus, '1') << "verdict stays failed";
}

TEST_F(StandardRequests, SendFailureGivesTheErrorElevenCodes)
{
    fakeboard::FailWrites(5);
    EXPECT_EQ(GetSecurityModuleVersion(), Code(99));
    EXPECT_TRUE(Shown("ERROR 11: Get Security Module Version Failed."));
    EXPECT_EQ(GetSecurityModuleChecksum(), Code(172));
    EXPECT_TRUE(Shown("ERROR 11: Get Security Module Checksum Failed."));
    EXPECT_EQ(GetSecurityModuleModel(), Code(229));
    EXPECT_TRUE(Shown("ERROR 11: Get Security Module Model Failed."));
    GetSerialNumber();
    EXPECT_TRUE(Shown("ERROR 11: Get Serial Number Failed."));
}

TEST_F(StandardRequests, ChecksumReplyGivesVerdictAndChecksum)
{
    Answer("Z4", {Wire(6, 6, "z40ABCDEFGH")});
    EXPECT_EQ(GetSecurityModuleChecksum(), 0);
    EXPECT_EQ(SecurityModuleChecksumStatus, '0');
    EXPECT_STREQ(SecurityModuleChecksum, "ABCDEF");
}

TEST_F(StandardRequests, SerialNumberTakesWhatTheReplyCarries)
{
    Answer("ZJ", {Wire(6, 6, "zJSN12345678")});  // DL 12
    GetSerialNumber();
    EXPECT_STREQ(SecurityModuleSerialNumber, "SN12345678");

    const std::string longest = "zJ" + std::string(40, '7');
    Answer("ZJ", {Wire(6, 6, longest)});
    GetSerialNumber();
    EXPECT_EQ(std::string(SecurityModuleSerialNumber), std::string(34, '7'));
}

TEST_F(StandardRequests, FailedSerialNumberRequestLeavesItEmpty)
{
    std::strcpy(SecurityModuleSerialNumber, "OLD");
    std::vector<Bytes> reads = Unrelated(99);
    reads.push_back(Wire(6, 6, "zJ1234"));
    Answer("ZJ", reads);
    GetSerialNumber();
    EXPECT_STREQ(SecurityModuleSerialNumber, "");
    EXPECT_TRUE(Shown("ERROR 12: Get Serial Number Failed."));
}

// Runs the version request against 100 unrelated packets on another thread;
// true when it returned within timeoutMs.
bool VersionTooManyReturnsWithin(unsigned timeoutMs, int* result)
{
    Answer("Z2", Unrelated(100));
    std::atomic<bool> done{false};
    std::thread request([&] {
        *result = GetSecurityModuleVersion();
        done = true;
    });
    const bool shown = scripted::WaitForOutput("ERROR 12: Get Security Module Version Failed.", 10000);
    std::this_thread::sleep_for(std::chrono::milliseconds(timeoutMs));
    const bool returned = done;
    scripted::Type("k");
    request.join();
    EXPECT_TRUE(shown);
    return returned;
}

TEST_F(StandardRequests, VersionWaitsForAKeyAfterErrorTwelveWhenInteractive)
{
    scripted::HoldEndOfInput(true);
    int result = 0;
    EXPECT_FALSE(VersionTooManyReturnsWithin(300, &result));
    EXPECT_EQ(result, Code(119));
    EXPECT_FALSE(Plat_KeyHit()) << "the key was taken";
}

TEST_F(StandardRequests, VersionDoesNotWaitForAKeyInAutomatedMode)
{
    g_ProgramOptions.m_AutomatedMode = true;
    scripted::HoldEndOfInput(true);
    int result = 0;
    EXPECT_TRUE(VersionTooManyReturnsWithin(300, &result));
    EXPECT_EQ(result, Code(119));
}

TEST_F(StandardRequests, OpeningPortSixSendsSettingsThenOpenAfter200Ms)
{
    const auto start = Clock::now();
    EXPECT_EQ(OpenSecurityModulePort6(), 0);
    EXPECT_GE(ElapsedMs(start), 200);
    const std::vector<fakeboard::Sent> sent = fakeboard::SentPackets();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].bytes, Wire(6, 1, Bytes{1, 6, 2, 1}));
    EXPECT_EQ(sent[1].bytes, Wire(6, 2, Bytes{}));
}

TEST_F(StandardRequests, ClosingPortSixWaits500MsAndKeepsQueuedPackets)
{
    ModulePacket waiting = linktest::Packet(6, 6, "z2");
    QueueReceivedPacket(&waiting);
    const auto start = Clock::now();
    EXPECT_EQ(CloseSecurityModulePort6(), 0);
    EXPECT_GE(ElapsedMs(start), 500);
    ASSERT_EQ(fakeboard::SentPackets().size(), 1u);
    EXPECT_EQ(fakeboard::SentPackets()[0].bytes, Wire(6, 3, Bytes{}));
    ModulePacket packet;
    EXPECT_TRUE(ReadPacketFromSecurityModule(&packet, 0));
}

TEST_F(StandardRequests, PortSixFailuresHaveTheirCodes)
{
    fakeboard::FailWrites(5);
    EXPECT_EQ(OpenSecurityModulePort6(), Code(53));
    EXPECT_TRUE(Shown("Initialize Port 6 Failed!"));
    EXPECT_EQ(CloseSecurityModulePort6(), Code(75));
    EXPECT_TRUE(Shown("Closing Security Module Port 6 Failed!"));

    fakeboard::Install();
    // The settings go out; the open that follows fails.
    fakeboard::SetResponder([](const fakeboard::Sent&) { fakeboard::FailWrites(5); });
    EXPECT_EQ(OpenSecurityModulePort6(), Code(61));
    EXPECT_TRUE(Shown("Opening Port 6 Failed!"));
}

TEST_F(StandardRequests, ScaleCommandSendsTwoCharactersAndClosesPortSixOnFailure)
{
    SendScaleCommand('8');
    ASSERT_EQ(fakeboard::SentPackets().size(), 1u);
    EXPECT_EQ(fakeboard::SentPackets()[0].bytes, Wire(6, 6, "S8"));

    fakeboard::FailWrites(5);
    const auto start = Clock::now();
    SendScaleCommand('5');
    EXPECT_GE(ElapsedMs(start), 500) << "port 6 close was attempted";
    EXPECT_TRUE(Shown("ERROR 11: Writing Security Module Data Failed."));
    EXPECT_TRUE(Shown("Closing Security Module Port 6 Failed!"));
}

TEST_F(StandardRequests, ConsoleHelpers)
{
    ClearScreen();
    EXPECT_EQ(scripted::Output(), std::string(25, '\n'));
    scripted::ClearOutput();
    scripted::Type("q");
    PressAnyKeyToContinue();
    EXPECT_EQ(scripted::Output(), "\nPress any key to continue");
    scripted::HoldEndOfInput(true);
    EXPECT_FALSE(Plat_KeyHit()) << "the key was taken";
}

}  // namespace
