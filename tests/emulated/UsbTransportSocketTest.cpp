// The USB transport through the real board socket, with the emulator as the
// board and its faults standing in for a misbehaving one.
#include "link/USB_Standalone.h"
#include "emulated/BoardClient.h"
#include "support/LinkFixture.h"
#include "support/ScriptedConsole.h"
#include "trace/TraceTestHooks.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using emulator::LogKind;

using linktest::AllZero;
using linktest::Packet;

class UsbOverSocket : public ::testing::Test {
protected:
    void SetUp() override
    {
        TraceSetErrorHoldForTests(0);
        driverOpen.store(false);
        linkClosing.store(false);
    }

    // Starts the board of the running deliverable and opens the transport.
    void OpenWith(const std::vector<std::string>& scenario)
    {
        ASSERT_TRUE(testboard::Start(board, "", scenario));
        ASSERT_EQ(USB_OpenSecurityModule(), 0);
        scripted::ClearOutput();
    }

    // Writes a module-port request and reads what the transport makes of
    // the board's answer.
    int Exchange(const std::string& request)
    {
        ModulePacket packet = Packet(6, 6, request);
        EXPECT_EQ(USB_WritePacketToSecurityModule(&packet), 0);
        std::memset(&record, 0, sizeof record);
        size = -1;
        return USB_ReadPacketFromSecurityModule(&record, &size);
    }

    scripted::ConsoleScope console;
    testboard::TestBoard board;
    ModulePacket record;
    int size = -1;
};

TEST_F(UsbOverSocket, OpensFourConnectionsAndCarriesARequestAndItsReply)
{
    OpenWith({"version=033612152010"});
    EXPECT_EQ(Exchange("Z2"), 0);
    EXPECT_EQ(size, 17);
    EXPECT_EQ(record.DA, 6);
    EXPECT_EQ(record.DC, 6);
    EXPECT_EQ(record.DL, 14);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(record.data)), "z2033612152010");
    EXPECT_EQ(scripted::Output(), "");

    std::vector<emulator::LogEntry> opens = board.EntriesOf(LogKind::Open);
    ASSERT_EQ(opens.size(), 4u);
    const char order[] = {'W', 'R', 'W', 'R'};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(opens[i].tag, order[i]);
}

TEST_F(UsbOverSocket, SystemPortPacketsArriveAsDeviceControls)
{
    OpenWith({});
    ModulePacket loopback = Packet(0, ORBA_DC_SYSTEM_LOOPBACK, "");
    EXPECT_EQ(USB_WritePacketToSecurityModule(&loopback), 0);
    ModulePacket init = Packet(6, ORBA_DC_INIT_PORT, std::string("\x01\x06\x02\x01", 4));
    EXPECT_EQ(USB_WritePacketToSecurityModule(&init), 0);
    ASSERT_TRUE(board.WaitForLog(6));
    std::vector<emulator::LogEntry> in = board.EntriesOf(LogKind::ToBoard);
    ASSERT_EQ(in.size(), 2u);
    EXPECT_EQ(in[0].tag, 'C');
    EXPECT_EQ(in[0].controlCode, IOCTL_USB_SYSTEM_PORT_WRITE);
    EXPECT_EQ(in[0].wire, testboard::Wire(0, 160, ""));
    EXPECT_EQ(in[1].tag, 'D');
    EXPECT_EQ(in[1].wire, testboard::Wire(6, 1, std::string("\x01\x06\x02\x01", 4)));
}

TEST_F(UsbOverSocket, EachRefusedOpenNamesItsHandle)
{
    struct Case {
        int open;
        int code;
        const char* message;
    };
    const Case cases[] = {
        {1, 132, "Error Opending Security Module ( hDevice_Write_SystemPortIo ) RtnValue: 0x5 )\n"},
        {2, 149, "Error Opending Security Module ( hDevice_Read_SystemPortIo ) RtnValue: 0x5 )\n"},
        {3, 170, "Error Opending Security Module ( hDevice_Write_SerialPortData ) RtnValue: 0x5 )\n"},
        {4, 187, "Error Opending Security Module ( hDevice_Read_SerialPortData ) RtnValue: 0x5 )\n"},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(testboard::Start(board, "", {"open." + std::to_string(c.open) + "=refuse:5"}));
        scripted::ClearOutput();
        EXPECT_EQ(USB_OpenSecurityModule(), c.code);
        EXPECT_EQ(scripted::Output(), c.message);
        EXPECT_FALSE(driverOpen.load());
        EXPECT_EQ(board.EntriesOf(LogKind::Open).size(), static_cast<size_t>(c.open))
            << "no open after the refused one";
        board.Stop();
    }
    scripted::ClearOutput();
    EXPECT_EQ(USB_OpenSecurityModule(), 132) << "no board at all";
    EXPECT_EQ(scripted::Output(),
              "Error Opending Security Module ( hDevice_Write_SystemPortIo ) RtnValue: 0x2 )\n");
}

TEST_F(UsbOverSocket, BadPacketsFromTheBoardFailWithTheirCodes)
{
    std::string sixty(58, 'q');
    OpenWith({"fault.next=bad-da", "fault.Z2=bad-dc*1", "fault.Z4=wrong-length*1", "fault.Z5=oversize*1",
              "fault.ZJ=wrong-length:2*1", "reply.Q1=q1" + sixty, "reply.Q2=q2ok"});
    struct Case {
        const char* request;
        int code;
        std::string message;
    };
    const Case cases[] = {
        {"Q2", 802,
         "ERROR: Invalid Device Address Data Received From Security Module( DA:0, DC:6, DL:4 )"},
        {"Z2", 795,
         "ERROR: Invalid Device Command Data Received From Security Module( DA:6, DC:1, DL:14 )"},
        {"Z4", 774,
         "Bad Packet Length / Size Received from Security Module, Size = 14, ( DA:6, DC:6, DL:9 )"},
        {"Z5", 764, "Bad Packet Size Received from Security Module, Size = 70 - (64 requested)."},
        {"ZJ", 759, "Bad Packet Size Received from Security Module, Size = 2 - (64 requested)."},
    };
    for (const Case& c : cases) {
        scripted::ClearOutput();
        EXPECT_EQ(Exchange(c.request), c.code) << c.message;
        EXPECT_EQ(scripted::Output(), c.message + "\n");
        EXPECT_TRUE(AllZero(record));
    }
    // The longest packet the wire carries passes every check.
    EXPECT_EQ(Exchange("Q1"), 0);
    EXPECT_EQ(size, 63);
    EXPECT_EQ(record.DL, 60);
}

TEST_F(UsbOverSocket, ABadChecksumAndAnEmptyReadDeliverNoRecord)
{
    OpenWith({"fault.Z2=bad-checksum", "fault.Z5=empty"});
    EXPECT_EQ(Exchange("Z2"), 0);
    EXPECT_EQ(size, 17);
    EXPECT_TRUE(AllZero(record));
    EXPECT_EQ(Exchange("Z5"), 0);
    EXPECT_EQ(size, 0);
    EXPECT_TRUE(AllZero(record));
    EXPECT_EQ(scripted::Output(), "");
}

TEST_F(UsbOverSocket, AClosedReadConnectionFailsTheReadButNotTheWrites)
{
    OpenWith({"fault.Z2=close"});
    EXPECT_EQ(Exchange("Z2"), 742);
    EXPECT_EQ(scripted::Output(), "ERROR: ReadFile on hDevice_Read_SerialPortData Returned:20.\n");
    ModulePacket request = Packet(6, 6, "Z5");
    EXPECT_EQ(USB_WritePacketToSecurityModule(&request), 0);
}

TEST_F(UsbOverSocket, AWriteToAGoneBoardIs388)
{
    OpenWith({});
    board.Stop();
    ModulePacket request = Packet(6, 6, "Z2");
    EXPECT_EQ(USB_WritePacketToSecurityModule(&request), 388);
    EXPECT_EQ(scripted::Output(), "ERROR: WriteFile returns 20.\n");
    scripted::ClearOutput();
    ModulePacket system = Packet(0, ORBA_DC_SYSTEM_LOOPBACK, "");
    EXPECT_EQ(USB_WritePacketToSecurityModule(&system), 357);
    EXPECT_EQ(scripted::Output(), "ERROR: DeviceIoControl returns 20.\n");
}

}  // namespace
