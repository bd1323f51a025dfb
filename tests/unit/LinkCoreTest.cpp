#include "base/Variant.h"
#include "link/ModuleRequest.h"
#include "link/USB_Standalone.h"
#include "link/securitymodule.h"
#include "link/ReceiveQueue.h"
#include "platform/Platform.h"
#include "support/LinkFixture.h"
#include "support/TestClock.h"
#include "support/TestEnvironment.h"
#include "support/TimingAllowance.h"
#include "trace/Trace.h"

#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <ctime>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

using fakeboard::Bytes;
using fakeboard::Wire;
using linktest::AllZero;
using linktest::ElapsedMs;
using linktest::Packet;
using Clock = std::chrono::steady_clock;

namespace {

class LinkCore : public linktest::LinkTest {};

// The reads, once polling in 100 ms steps and once on the fast link.
class LinkRead : public linktest::LinkTest, public ::testing::WithParamInterface<bool> {
protected:
    bool FastLink() const { return GetParam(); }
    void SetUp() override
    {
        LinkTest::SetUp();
        SetFastLink(FastLink());
    }
    void TearDown() override
    {
        SetFastLink(false);
        LinkTest::TearDown();
    }
};

ModulePacket Filled()
{
    ModulePacket packet;
    std::memset(&packet, 0xAA, sizeof packet);
    return packet;
}

std::string DataOf(const ModulePacket& packet)
{
    return std::string(reinterpret_cast<const char*>(packet.data), packet.DL);
}

TEST_P(LinkRead, PacketsAreReadInArrivalOrderThenTheWaitRunsOut)
{
    StartLink();
    BoardSends({Wire(6, 6, "z2first"), Wire(4, 6, "second")});

    ModulePacket packet = Filled();
    ASSERT_TRUE(ReadPacketFromSecurityModule(&packet, 3));
    EXPECT_EQ(packet.DA, 6);
    EXPECT_EQ(DataOf(packet), "z2first");
    EXPECT_EQ(packet.data[packet.DL], 0) << "zero past DL";
    ASSERT_TRUE(ReadPacketFromSecurityModule(&packet, 3));
    EXPECT_EQ(packet.DA, 4);
    EXPECT_EQ(DataOf(packet), "second");

    packet = Filled();
    const auto start = Clock::now();
    EXPECT_FALSE(ReadPacketFromSecurityModule(&packet, 3));
    const long long took = ElapsedMs(start);
    EXPECT_GE(took, 300);
    EXPECT_LT(took, timing::UpperLimitMs(390));
    EXPECT_TRUE(AllZero(packet));
    EXPECT_EQ(linktest::Occurrences(linktest::CaptureText(),
                                    "** No Data Received before Wait Count Expired **\n"),
              1u);
}

// A reply that comes while a read waits, at the start of its second wait:
// polling takes it only when that 100 ms step is over, the fast link at once,
// woken by the reader. On the test clock, whose steps no build's speed or
// machine's load can stretch into the next one.
TEST_P(LinkRead, PacketArrivingMidWaitIsTakenAtTheNextPollOrAtOnce)
{
    ProgramConfig.m_Capture_Logging_Level = TL_DETAIL;
    StartLink();
    testclock::Scope clock;
    int waits = 0;
    uint32_t queuedAt = 0;
    testclock::HookWaits([this, &waits, &queuedAt](int number) {
        waits = number;
        if (number != 2) return;
        BoardSends({Wire(6, 6, "z2")});
        queuedAt = Plat_TickCountMs();
    });
    const uint32_t start = Plat_TickCountMs();
    ModulePacket packet;
    const bool taken = ReadPacketFromSecurityModule(&packet, 10);
    const uint32_t takenAt = Plat_TickCountMs();
    ASSERT_TRUE(taken);
    EXPECT_EQ(waits, 2) << "taken in the wait it came in, or right after it";
    EXPECT_GE(queuedAt - start, 100u) << "one full step before it came";
    if (FastLink())
        EXPECT_LT(takenAt - queuedAt, 100u) << "woken by the reader, not by a poll";
    else
        EXPECT_GE(takenAt - queuedAt, 100u) << "taken at the next 100 ms step";
    EXPECT_EQ(DataOf(packet), "z2");
    const std::string capture = linktest::CaptureText();
    EXPECT_EQ(linktest::Occurrences(capture, "ReadPacketFromSecurityModule() - WaitCount = 10\n"), 1u);
    EXPECT_EQ(linktest::Occurrences(capture, "** No Data Received"), 0u);
}

TEST_P(LinkRead, WaitCountOfZeroOrLessMakesOneAttempt)
{
    for (int waitCount : {0, -5, INT_MIN}) {
        ModulePacket packet = Filled();
        const auto start = Clock::now();
        EXPECT_FALSE(ReadPacketFromSecurityModule(&packet, waitCount));
        EXPECT_LT(ElapsedMs(start), 50) << waitCount;
        EXPECT_TRUE(AllZero(packet));
    }
    ModulePacket queued = Packet(6, 6, "z5");
    QueueReceivedPacket(&queued);
    ModulePacket packet = Filled();
    EXPECT_TRUE(ReadPacketFromSecurityModule(&packet, -5));
    EXPECT_EQ(DataOf(packet), "z5");
}

TEST_P(LinkRead, WaitingUsesNoMeasurableProcessorTime)
{
    // The Windows C library's clock() counts wall time, not processor time.
    if (testenv::IsNativeWindows()) GTEST_SKIP() << "clock() measures wall time on Windows";
    StartLink();
    const std::clock_t before = std::clock();
    ModulePacket packet;
    EXPECT_FALSE(ReadPacketFromSecurityModule(&packet, 10));
    const double cpuMs = 1000.0 * static_cast<double>(std::clock() - before) / CLOCKS_PER_SEC;
    EXPECT_LT(cpuMs, 50.0) << "both threads together, over one second of waiting";
}

// A wait for the reader that fails is shown once; from then on the fast
// link sleeps its steps as a polling read does, to the same end.
std::atomic<int> failedWaits{0};

int FailingWait(PlatEvent, unsigned, unsigned long* errorCode)
{
    ++failedWaits;
    *errorCode = 0x57;
    return PLAT_WAIT_FAILED;
}

TEST_F(LinkCore, FailedWaitForTheReaderIsShownOnceAndTheReadsPoll)
{
    static const PlatTimeOps failingWaits = {Plat_NativeTime()->tickCountMs, Plat_NativeTime()->sleep,
                                             FailingWait};
    StartLink();
    SetFastLink(true);
    Plat_SetTime(&failingWaits);
    ModulePacket packet;
    const auto start = Clock::now();
    EXPECT_FALSE(ReadPacketFromSecurityModule(&packet, 3));
    EXPECT_GE(ElapsedMs(start), 300);
    BoardSends({Wire(6, 6, "z2")});
    EXPECT_TRUE(ReadPacketFromSecurityModule(&packet, 3));
    EXPECT_FALSE(ReadPacketFromSecurityModule(&packet, 1));
    Plat_SetTime(nullptr);
    SetFastLink(false);
    EXPECT_EQ(failedWaits.load(), 1);
    EXPECT_EQ(linktest::Occurrences(scripted::Output(),
                                    "ERROR: Waiting for the Serial Port Reader Returned:57.\n"),
              1u);
}

TEST_F(LinkCore, QueueTakesPacketsFromAnotherThreadWithoutLoss)
{
    const int total = 2000;
    std::thread producer([] {
        for (int i = 0; i < total; ++i) {
            ModulePacket packet = Packet(6, 6, "  ");
            packet.data[0] = static_cast<uint8_t>(i & 0xFF);
            packet.data[1] = static_cast<uint8_t>(i >> 8);
            QueueReceivedPacket(&packet);
        }
    });
    int expected = 0;
    while (expected < total) {
        ModulePacket packet;
        if (!DequeueReceivedPacket(&packet)) {
            std::this_thread::yield();
            continue;
        }
        ASSERT_EQ(packet.data[0] | (packet.data[1] << 8), expected);
        ++expected;
    }
    producer.join();
}

TEST_F(LinkCore, EmptyDriverReadIsQueuedAsAnAllZeroRecord)
{
    StartLink();
    BoardSends({Bytes{}});
    ModulePacket packet = Filled();
    ASSERT_TRUE(ReadPacketFromSecurityModule(&packet, 0));
    EXPECT_TRUE(AllZero(packet));
}

TEST_F(LinkCore, PacketWithBadChecksumIsDroppedAndTheReaderGoesOn)
{
    StartLink();
    Bytes bad = Wire(6, 6, "z2");
    bad.back() ^= 0x01;
    BoardSends({bad, Wire(6, 6, "z4")});
    ModulePacket packet;
    ASSERT_TRUE(ReadPacketFromSecurityModule(&packet, 0));
    EXPECT_EQ(DataOf(packet), "z4");
    EXPECT_FALSE(ReadPacketFromSecurityModule(&packet, 0));
}

TEST_F(LinkCore, EmptyPacketWithBadChecksumIsQueuedAsUnknownSystemPortPacket)
{
    StartLink();
    BoardSends({Bytes{6, 6, 0, 0}});
    ModulePacket packet = Filled();
    ASSERT_TRUE(ReadPacketFromSecurityModule(&packet, 0));
    EXPECT_TRUE(AllZero(packet));
    EXPECT_NE(
        scripted::Output().find("ORBA_PORT_SYSTEM_PORT :: << UNKNOWN >> Packet Received...Lenght = 0\n"),
        std::string::npos);
}

TEST_P(LinkRead, FailedDriverReadEndsTheReaderButWritesGoOn)
{
    StartLink();
    fakeboard::CloseBoard();
    // Let the reader see the failure before the board has anything to say.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    fakeboard::QueueRead(Wire(6, 6, "z2"));
    ModulePacket packet;
    EXPECT_FALSE(ReadPacketFromSecurityModule(&packet, 3));
    ModulePacket request = Packet(6, 6, "Z2");
    EXPECT_EQ(WritePacketToSecurityModule(&request), 0);
}

TEST_F(LinkCore, FailedDriverOpenGives201AndTheReaderKeepsWaiting)
{
    fakeboard::FailOpensFrom(1, 2);
    EXPECT_EQ(InitializeSecurityModule(), 201);
    EXPECT_NE(scripted::Output().find("Error Opening USB Device Driver\n"), std::string::npos);
    // The reader polls the driver state every 500 ms and says so each time.
    std::this_thread::sleep_for(std::chrono::milliseconds(1200));
    EXPECT_GE(linktest::Occurrences(linktest::CaptureText(), "USB Driver Not Initialized"), 2u);
}

TEST_F(LinkCore, CloseSucceedsOnceThenGives242)
{
    StartLink();
    EXPECT_EQ(CloseSecurityModule(), 0);
    EXPECT_EQ(CloseSecurityModule(), 242);
    EXPECT_NE(scripted::Output().find("Error Closing Down the USB Security Module\n"),
              std::string::npos);
}

TEST_F(LinkCore, WriteFailureIsTracedAndReturned)
{
    StartLink();
    fakeboard::FailWrites(5);
    ModulePacket request = Packet(6, 6, "Z2");
    const int result = WritePacketToSecurityModule(&request);
    EXPECT_NE(result, 0);
    EXPECT_NE(scripted::Output().find("ERROR: During Call to USB_WritePacketToSecurityModule() Rtn: " +
                                      std::to_string(result) + "\n"),
              std::string::npos);
    EXPECT_EQ(linktest::CaptureText().find("Data Out:"), std::string::npos);
}

TEST_P(LinkRead, OnlyTheConveyorUtilityTracesPackets)
{
    StartLink();
    ModulePacket request = Packet(6, 6, "Z2");
    ASSERT_EQ(WritePacketToSecurityModule(&request), 0);
    BoardSends({Wire(6, 6, "z2033612152010")});
    ModulePacket reply;
    ASSERT_TRUE(ReadPacketFromSecurityModule(&reply, 3));
    EXPECT_FALSE(ReadPacketFromSecurityModule(&reply, 0));

    const std::string capture = linktest::CaptureText();
    if (IsCuUtility()) {
        EXPECT_EQ(linktest::Occurrences(capture, "Data Out:06.06.02 - 5a.32.00.00.00.00\n"), 1u);
        EXPECT_EQ(linktest::Occurrences(capture, "Data In:06.06.0e - 7a.32.30.33.33.36\n"), 1u);
        EXPECT_EQ(linktest::Occurrences(capture, "Data In:"), 1u) << "only successful reads";
    } else {
        EXPECT_EQ(capture.find("Data Out:"), std::string::npos);
        EXPECT_EQ(capture.find("Data In:"), std::string::npos);
    }
}

TEST_P(LinkRead, FlushDropsEverythingWaitingAndTakesAtLeastOneSecond)
{
    StartLink();
    BoardSends({Wire(6, 6, "a"), Wire(6, 6, "b"), Wire(6, 6, "c")});
    const auto start = Clock::now();
    FlushReceivedPackets();
    EXPECT_GE(ElapsedMs(start), 1000);
    ModulePacket packet;
    EXPECT_FALSE(ReadPacketFromSecurityModule(&packet, 0));
}

INSTANTIATE_TEST_SUITE_P(Modes, LinkRead, ::testing::Bool(), [](const auto& paramInfo) {
    return std::string(paramInfo.param ? "FastLink" : "Polling");
});

// ---------------------------------------------------------------- format

TEST_F(LinkCore, PortSettingsOfEachPort)
{
    StartLink();
    EXPECT_EQ(FormatAndSendDataToSecurityModule(6, ORBA_DC_INIT_PORT, ""), 0);
    EXPECT_EQ(FormatAndSendDataToSecurityModule(5, ORBA_DC_INIT_PORT, "ignored"), 0);
    const int scannerTypes[] = {1, 2, 4, 0};
    for (int type : scannerTypes) {
        ProgramConfig.m_ScannerScaleType = type;
        EXPECT_EQ(FormatAndSendDataToSecurityModule(1, ORBA_DC_INIT_PORT, ""), 0);
    }
    const std::vector<fakeboard::Sent> sent = fakeboard::SentPackets();
    ASSERT_EQ(sent.size(), 6u);
    EXPECT_EQ(sent[0].bytes, Wire(6, 1, Bytes{1, 6, 2, 1}));
    EXPECT_EQ(sent[1].bytes, Wire(5, 1, Bytes{10, 5, 2, 1}));
    EXPECT_EQ(sent[2].bytes, Wire(1, 1, Bytes{2, 6, 1, 3})) << "MAGELLAN";
    EXPECT_EQ(sent[3].bytes, Wire(1, 1, Bytes{8, 6, 1, 3})) << "MAGELLAN_DUAL_CABLE";
    EXPECT_EQ(sent[4].bytes, Wire(1, 1, Bytes{8, 6, 1, 3})) << "MAGELLAN_SCANNER_ONLY";
    EXPECT_EQ(sent[5].bytes, Wire(1, 1, Bytes{3, 6, 1, 3})) << "NCR_7870";
    for (const fakeboard::Sent& packet : sent) EXPECT_FALSE(packet.control);
}

TEST_F(LinkCore, OpenCloseDataAndLoopbackPackets)
{
    StartLink();
    EXPECT_EQ(FormatAndSendDataToSecurityModule(6, ORBA_DC_OPEN_PORT, "xyz"), 0);
    EXPECT_EQ(FormatAndSendDataToSecurityModule(6, ORBA_DC_CLOSE_PORT, ""), 0);
    EXPECT_EQ(FormatAndSendDataToSecurityModule(6, ORBA_DC_DATA, "A5"), 0);
    EXPECT_EQ(FormatAndSendDataToSecurityModule(0, ORBA_DC_SYSTEM_LOOPBACK, "ping"), 0);
    const std::vector<fakeboard::Sent> sent = fakeboard::SentPackets();
    ASSERT_EQ(sent.size(), 4u);
    EXPECT_EQ(sent[0].bytes, Wire(6, 2, Bytes{}));
    EXPECT_EQ(sent[1].bytes, Wire(6, 3, Bytes{}));
    EXPECT_EQ(sent[2].bytes, Wire(6, 6, "A5")) << "no terminator on the wire";
    EXPECT_TRUE(sent[3].control);
    EXPECT_EQ(sent[3].controlCode, IOCTL_USB_SYSTEM_PORT_WRITE);
    EXPECT_EQ(sent[3].bytes, Wire(0, 160, "ping"));
}

TEST_F(LinkCore, RefusedPacketsSendNothing)
{
    StartLink();
    struct Case {
        int da;
        int dc;
        int code;
        const char* message;
    };
    const Case cases[] = {
        {4, ORBA_DC_INIT_PORT, 531,
         "ERROR: This Device Address not Supported for Packet ORBA_DC_INIT_PORT in "
         "WritePacketToSecurityModule( 4 )"},
        {0, ORBA_DC_INIT_PORT, 531,
         "ERROR: This Device Address not Supported for Packet ORBA_DC_INIT_PORT in "
         "WritePacketToSecurityModule( 0 )"},
        {6, ORBA_DC_SYSTEM_LOOPBACK, 571,
         "Command ORBA_DC_SYSTEM_LOOPBACK only valid on Port: ORBA_PORT_SYSTEM_PORT"},
        {6, ORBA_DC_RESET_USB_BUFFERS, 578,
         "Invalid Command Sent to FormatAndSendDataToSecurityModule( ORBA_DC_RESET_USB_BUFFERS )"},
        {6, ORBA_DC_READY_COMPLETE, 584,
         "Invalid Command Sent to FormatAndSendDataToSecurityModule( ORBA_DC_READY_COMPLETE )"},
        {6, ORBA_DC_RESET_BUTTON, 590,
         "Invalid Command Sent to FormatAndSendDataToSecurityModule( ORBA_DC_RESET_BUTTON )"},
        {6, ORBA_DC_POWER_COMMAND, 596,
         "Invalid Command Sent to FormatAndSendDataToSecurityModule( ORBA_DC_POWER_COMMAND )"},
        {6, ORBA_DC_COMM_ERROR, 602,
         "Invalid Command Sent to FormatAndSendDataToSecurityModule( ORBA_DC_COMM_ERROR )"},
        {6, 99, 613, "ERROR: Invalid Device Command Sent to WritePacketToSecurityModule( 99 )"},
    };
    for (const Case& c : cases) {
        scripted::ClearOutput();
        EXPECT_EQ(FormatAndSendDataToSecurityModule(c.da, c.dc, "AB"), c.code) << c.message;
        EXPECT_EQ(scripted::Output(), std::string(c.message) + "\n");
    }
    EXPECT_TRUE(fakeboard::SentPackets().empty());
}

// Nothing goes out in place of a record that cannot be built: an all-zero
// record would reach the system port.
TEST_F(LinkCore, RecordsThatCannotBeBuiltAreRefusedAndSendNothing)
{
    StartLink();
    const std::string tooLong(252, 'x');
    EXPECT_EQ(FormatAndSendDataToSecurityModule(6, ORBA_DC_DATA, tooLong.c_str()), 617);
    const uint8_t bytes[MODULE_PACKET_DATA_SIZE + 1] = {'F', '2'};
    scripted::ClearOutput();
    EXPECT_EQ(SendPacket(4, ORBA_DC_DATA, bytes, MODULE_PACKET_DATA_SIZE + 1), PACKET_NOT_BUILT);
    EXPECT_EQ(SendPacket(4, ORBA_DC_DATA, bytes, -1), PACKET_NOT_BUILT);
    EXPECT_EQ(WriteModuleRequest(nullptr, 2), PACKET_NOT_BUILT);
    EXPECT_EQ(scripted::Output(),
              "ERROR: Packet Not Built for Port 4, Command 6, 253 Bytes\n"
              "ERROR: Packet Not Built for Port 4, Command 6, -1 Bytes\n"
              "ERROR: Packet Not Built for Port 6, Command 6, 2 Bytes\n");
    EXPECT_TRUE(fakeboard::SentPackets().empty());
}

TEST_F(LinkCore, FailedSendGives623)
{
    StartLink();
    fakeboard::FailWrites(5);
    EXPECT_EQ(FormatAndSendDataToSecurityModule(6, ORBA_DC_OPEN_PORT, ""), 623);
    EXPECT_NE(scripted::Output().find("ERROR: During Call to ORBA_WritePacketToSecurityModule() Rtn: "),
              std::string::npos);
}

// ---------------------------------------------------------- process end

// The reader thread is never stopped: the process must end cleanly (status 0,
// no sanitizer report) whatever the reader is doing at that moment.
TEST_F(LinkCore, ProcessEndsCleanlyWhileTheReaderIsBlockedInTheDriver)
{
    EXPECT_EXIT(
        {
            StartLink();
            BoardSends({Wire(6, 6, "z2"), Wire(6, 6, "z4")});
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(LinkCore, ProcessEndsCleanlyWhileTheReaderPollsAClosedLink)
{
    EXPECT_EXIT(
        {
            StartLink();
            CloseSecurityModule();
            std::this_thread::sleep_for(std::chrono::milliseconds(600));
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(LinkCore, ProcessEndsCleanlyWhileTheReaderQueuesAFlood)
{
    EXPECT_EXIT(
        {
            StartLink();
            for (int i = 0; i < 5000; ++i) fakeboard::QueueRead(Wire(6, 6, "s7"));
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
