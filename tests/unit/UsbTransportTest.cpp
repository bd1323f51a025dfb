// The USB transport against a device backend that can fail in every way.
#include "link/USB_Standalone.h"

#include "base/Variant.h"
#include "support/LinkFixture.h"
#include "trace/TraceTestHooks.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>

namespace {

using fakeboard::Bytes;
using fakeboard::Wire;
using linktest::AllZero;
using linktest::Packet;

class UsbTransport : public ::testing::Test {
protected:
    void SetUp() override
    {
        TraceSetErrorHoldForTests(0);
        driverOpen.store(false);
        linkClosing.store(false);
        fakeboard::Install();
        // A read with nothing queued fails at once instead of waiting.
        fakeboard::CloseBoard();
    }

    void Open()
    {
        ASSERT_EQ(USB_OpenSecurityModule(), 0);
        scripted::ClearOutput();
    }

    scripted::ConsoleScope console;
};

// Handles are open numbers: 1 write system port, 2 read system port,
// 3 write serial data, 4 read serial data.
const PlatDevice WRITE_SYSTEM_PORT = 1;
const PlatDevice WRITE_SERIAL_DATA = 3;

TEST_F(UsbTransport, OpensTheDeviceFourTimesWriteReadWriteRead)
{
    EXPECT_EQ(USB_DriverInitialized(), 92);
    EXPECT_EQ(USB_OpenSecurityModule(), 0);
    const std::vector<fakeboard::Opened> opens = fakeboard::Opens();
    ASSERT_EQ(opens.size(), 4u);
    const int access[] = {PLAT_DEVICE_WRITE, PLAT_DEVICE_READ, PLAT_DEVICE_WRITE, PLAT_DEVICE_READ};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(opens[i].name, g_Variant.deviceName);
        EXPECT_EQ(opens[i].access, access[i]);
    }
    EXPECT_TRUE(fakeboard::SentPackets().empty());
    EXPECT_EQ(fakeboard::ReadCount(), 0);
    EXPECT_STREQ(g_Variant.deviceName,
                 IsCuUtility() ? "\\\\.\\ConvUnitDevice0" : "\\\\.\\SecModuleDevice0");
    EXPECT_TRUE(driverOpen.load());
    EXPECT_EQ(USB_DriverInitialized(), 0);
    EXPECT_EQ(scripted::Output(), "");
}

TEST_F(UsbTransport, OpenTwiceAndCloseTwice)
{
    Open();
    EXPECT_EQ(USB_OpenSecurityModule(), 111);
    EXPECT_EQ(scripted::Output(), "Driver Already Opened...\n");
    EXPECT_EQ(fakeboard::Opens().size(), 4u);

    scripted::ClearOutput();
    EXPECT_EQ(USB_CloseSecurityModule(), 0);
    EXPECT_EQ(scripted::Output(), "") << "close traces without showing";
    EXPECT_FALSE(driverOpen.load());
    EXPECT_TRUE(linkClosing.load());
    EXPECT_EQ(USB_CloseSecurityModule(), 207);
    EXPECT_EQ(scripted::Output(), "Driver Not Open.\n");

    scripted::ClearOutput();
    EXPECT_EQ(USB_DriverInitialized(), 92);
    EXPECT_EQ(scripted::Output(), "") << "the driver test is traced only";
}

TEST_F(UsbTransport, WritesAreRefusedUntilOpenAndAfterClose)
{
    ModulePacket packet = Packet(6, 6, "Z2");
    EXPECT_EQ(USB_WritePacketToSecurityModule(&packet), 324);
    EXPECT_EQ(scripted::Output(), "Driver Not Open.\n");
    Open();
    ASSERT_EQ(USB_CloseSecurityModule(), 0);
    scripted::ClearOutput();
    EXPECT_EQ(USB_WritePacketToSecurityModule(&packet), 324);
    EXPECT_EQ(scripted::Output(), "Driver Not Open.\n");
    EXPECT_TRUE(fakeboard::SentPackets().empty());
}

TEST_F(UsbTransport, PortsOneToSixGoToTheSerialDataHandleAsDlPlusFourBytes)
{
    Open();
    ModulePacket empty = Packet(6, ORBA_DC_OPEN_PORT, "");
    EXPECT_EQ(USB_WritePacketToSecurityModule(&empty), 0);
    ModulePacket version = Packet(6, 6, "Z2");
    EXPECT_EQ(USB_WritePacketToSecurityModule(&version), 0);
    ModulePacket scale = Packet(1, ORBA_DC_INIT_PORT, std::string("\x02\x06\x01\x03", 4));
    EXPECT_EQ(USB_WritePacketToSecurityModule(&scale), 0);

    const std::vector<fakeboard::Sent> sent = fakeboard::SentPackets();
    ASSERT_EQ(sent.size(), 3u);
    for (const fakeboard::Sent& write : sent) {
        EXPECT_FALSE(write.control);
        EXPECT_EQ(write.device, WRITE_SERIAL_DATA);
    }
    EXPECT_EQ(sent[0].bytes, (Bytes{6, 2, 0, 8}));
    EXPECT_EQ(sent[1].bytes, (Bytes{6, 6, 2, 0x5A, 0x32, 0x9A}));
    EXPECT_EQ(sent[2].bytes, Wire(1, ORBA_DC_INIT_PORT, Bytes{2, 6, 1, 3}));
    EXPECT_EQ(scripted::Output(), "");
}

TEST_F(UsbTransport, PortZeroGoesThroughTheDeviceControlCall)
{
    Open();
    ModulePacket empty = Packet(0, ORBA_DC_SYSTEM_LOOPBACK, "");
    EXPECT_EQ(USB_WritePacketToSecurityModule(&empty), 0);
    ModulePacket loopback = Packet(0, ORBA_DC_SYSTEM_LOOPBACK, "test");
    EXPECT_EQ(USB_WritePacketToSecurityModule(&loopback), 0);

    const std::vector<fakeboard::Sent> sent = fakeboard::SentPackets();
    ASSERT_EQ(sent.size(), 2u);
    for (const fakeboard::Sent& control : sent) {
        EXPECT_TRUE(control.control);
        EXPECT_EQ(control.device, WRITE_SYSTEM_PORT);
        EXPECT_EQ(control.controlCode, 0x0022AB86ul);
    }
    EXPECT_EQ(sent[0].bytes, (Bytes{0, 160, 0, 160}));
    EXPECT_EQ(sent[1].bytes, Wire(0, 160, "test"));
}

TEST_F(UsbTransport, WriteFailuresReportTheirCodes)
{
    Open();
    ModulePacket system = Packet(0, ORBA_DC_SYSTEM_LOOPBACK, "x");
    fakeboard::FailNextWrite(0x1f);
    EXPECT_EQ(USB_WritePacketToSecurityModule(&system), 357);
    EXPECT_EQ(scripted::Output(), "ERROR: DeviceIoControl returns 1f.\n");

    ModulePacket request = Packet(6, 6, "Z2");
    scripted::ClearOutput();
    fakeboard::FailNextWrite(32);
    EXPECT_EQ(USB_WritePacketToSecurityModule(&request), 388);
    EXPECT_EQ(scripted::Output(), "ERROR: WriteFile returns 20.\n");

    scripted::ClearOutput();
    fakeboard::ShortNextWrite(3);
    EXPECT_EQ(USB_WritePacketToSecurityModule(&request), 397);
    EXPECT_EQ(scripted::Output(), "ERROR: WriteFile returned Invalid Number of Bytes...3 / 6\n");

    scripted::ClearOutput();
    EXPECT_EQ(USB_WritePacketToSecurityModule(&request), 0) << "the transport stays usable";
}

TEST_F(UsbTransport, PortsAboveSixAreRefusedWithoutTouchingTheDevice)
{
    Open();
    ModulePacket seven = Packet(7, 6, "Z2");
    EXPECT_EQ(USB_WritePacketToSecurityModule(&seven), 409);
    EXPECT_EQ(scripted::Output(),
              "ERROR: Invalid Device Address Sent to USB_ForwardPacketToSecurityModule( 7 )\n");
    scripted::ClearOutput();
    ModulePacket high = Packet(0xAB, 6, "");
    EXPECT_EQ(USB_WritePacketToSecurityModule(&high), 409);
    EXPECT_EQ(scripted::Output(),
              "ERROR: Invalid Device Address Sent to USB_ForwardPacketToSecurityModule( AB )\n");
    EXPECT_TRUE(fakeboard::SentPackets().empty());
}

// Console output of a death test's child goes to stderr, where the death
// test can see it.
void WriteToStderr(const char* text, size_t length) { std::fwrite(text, 1, length, stderr); }
bool NoKey() { return false; }
int KeyX() { return 'X'; }
void EmptyLine(char* buffer, size_t) { buffer[0] = '\0'; }
const PlatConsoleOps stderrConsole = {NoKey, KeyX, EmptyLine, WriteToStderr};

using UsbTransportDeathTest = UsbTransport;

TEST_F(UsbTransportDeathTest, AnOversizedRecordEndsTheProgramBeforeThePortIsLookedAt)
{
    Open();
    ModulePacket packet = Packet(7, 6, "");
    packet.DL = 61;
    EXPECT_EXIT(
        {
            Plat_SetConsole(&stderrConsole);
            USB_WritePacketToSecurityModule(&packet);
        },
        ::testing::ExitedWithCode(EXIT_PACKET_TOO_LARGE),
        "Data Packet Size \\( 61 \\) to Large for USB Interface\\.\\.\\.");
}

class UsbTransportRead : public UsbTransport {
protected:
    void SetUp() override
    {
        UsbTransport::SetUp();
        Open();
        std::memset(&record, 0, sizeof record);
    }

    int Read()
    {
        size = -1;
        return USB_ReadPacketFromSecurityModule(&record, &size);
    }

    ModulePacket record;
    int size = -1;
};

// Each bad packet fails with its code and message; where several checks
// would fail, the first in order decides.
TEST_F(UsbTransportRead, BadPacketsFailTheFirstCheckInOrder)
{
    const Bytes full60 = Wire(6, 6, std::string(60, 'x'));
    const Bytes short60(full60.begin(), full60.end() - 1);
    // The device delivers the first 64 bytes of a longer read and counts them all.
    Bytes over65 = full60;
    over65.resize(65);
    Bytes over200 = full60;
    over200.resize(200);
    struct Case {
        Bytes bytes;
        int code;
        const char* message;
    };
    const Case cases[] = {
        {{6, 6}, 759, "Bad Packet Size Received from Security Module, Size = 2 - (64 requested)."},
        {{0, 13}, 759, "Bad Packet Size Received from Security Module, Size = 2 - (64 requested)."},
        {over65, 764, "Bad Packet Size Received from Security Module, Size = 65 - (64 requested)."},
        {over200, 764, "Bad Packet Size Received from Security Module, Size = 200 - (64 requested)."},
        {short60, 774,
         "Bad Packet Length / Size Received from Security Module, Size = 63, ( DA:6, DC:6, DL:60 )"},
        {{9, 1, 0},
         774,
         "Bad Packet Length / Size Received from Security Module, Size = 3, ( DA:9, DC:1, DL:0 )"},
        {{6, 6, 61, 0},
         774,
         "Bad Packet Length / Size Received from Security Module, Size = 4, ( DA:6, DC:6, DL:61 )"},
        {Wire(0, 13, Bytes{}), 802,
         "ERROR: Invalid Device Address Data Received From Security Module( DA:0, DC:13, DL:0 )"},
        {Wire(7, 6, Bytes{'a'}), 802,
         "ERROR: Invalid Device Address Data Received From Security Module( DA:7, DC:6, DL:1 )"},
        {Wire(6, 1, Bytes{1, 6, 2, 1}), 795,
         "ERROR: Invalid Device Command Data Received From Security Module( DA:6, DC:1, DL:4 )"},
    };
    for (const Case& c : cases) {
        scripted::ClearOutput();
        fakeboard::QueueRead(c.bytes);
        EXPECT_EQ(Read(), c.code) << c.message;
        EXPECT_EQ(scripted::Output(), std::string(c.message) + "\n");
        EXPECT_EQ(size, static_cast<int>(c.bytes.size())) << "the count read is reported";
        EXPECT_TRUE(AllZero(record)) << c.message;
    }
}

TEST_F(UsbTransportRead, ABadChecksumDeliversTheSizeButNoRecord)
{
    Bytes wire = Wire(6, 6, "z20");
    wire.back() ^= 0x40;
    fakeboard::QueueRead(wire);
    EXPECT_EQ(Read(), 0);
    EXPECT_EQ(size, 6) << "DL + 3";
    EXPECT_TRUE(AllZero(record));
    EXPECT_EQ(scripted::Output(), "");

    // The record is left exactly as the caller passed it.
    std::memset(&record, 0x55, sizeof record);
    fakeboard::QueueRead(wire);
    size = -1;
    EXPECT_EQ(USB_ReadPacketFromSecurityModule(&record, &size), 0);
    EXPECT_EQ(record.DA, 0x55);
    EXPECT_EQ(record.data[MODULE_PACKET_DATA_SIZE - 1], 0x55);
}

TEST_F(UsbTransportRead, AfterCloseEveryReadPausesAndLeavesTheDeviceAlone)
{
    ASSERT_EQ(USB_CloseSecurityModule(), 0);
    fakeboard::QueueRead(Wire(6, 6, "z2"));
    std::memset(&record, 0x33, sizeof record);
    for (int i = 0; i < 2; ++i) {
        auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(Read(), 0);
        auto took = std::chrono::steady_clock::now() - start;
        EXPECT_GE(took, std::chrono::milliseconds(100));
        EXPECT_LT(took, std::chrono::milliseconds(1000));
        EXPECT_EQ(size, 0);
        EXPECT_EQ(record.DA, 0x33) << "the record is untouched";
    }
    EXPECT_EQ(fakeboard::ReadCount(), 0);

    // A second open reopens the handles, but reading stays idle.
    EXPECT_EQ(USB_OpenSecurityModule(), 0);
    EXPECT_EQ(Read(), 0);
    EXPECT_EQ(fakeboard::ReadCount(), 0);
}

}  // namespace
