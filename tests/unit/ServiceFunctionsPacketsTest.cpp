// The service and test commands' packet pieces on their own: the USB
// loop-back request and its check, the coupon box displays, the curtain
// results and the packet display line.
#include "commands/CouponBoxDisplay.h"
#include "commands/CurtainResults.h"
#include "link/ModuleRequest.h"
#include "commands/ModulePacketLine.h"
#include "commands/UsbLoopback.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

namespace {

std::string DataText(const ModulePacket& packet)
{
    return std::string(reinterpret_cast<const char*>(packet.data), packet.DL);
}

ModulePacket Record(const std::string& data)
{
    ModulePacket packet;
    BuildModuleDataPacket(&packet, reinterpret_cast<const uint8_t*>(data.data()),
                          static_cast<int>(data.size()));
    return packet;
}

TEST(UsbLoopback, RequestCarriesTheCounterAsEightHexDigitsAndTheAlphabet)
{
    ModulePacket request;
    BuildLoopbackRequest(&request, 0);
    EXPECT_EQ(request.DA, 6);
    EXPECT_EQ(request.DC, 6);
    EXPECT_EQ(DataText(request), "ZI00000000ABCDEFGHIJKLMNOPQRSTUVWXYZ");
    BuildLoopbackRequest(&request, 1);
    EXPECT_EQ(DataText(request).substr(2, 8), "00000001");
    BuildLoopbackRequest(&request, 10);
    EXPECT_EQ(DataText(request).substr(2, 8), "0000000A");
    BuildLoopbackRequest(&request, -1);
    EXPECT_EQ(DataText(request).substr(2, 8), "FFFFFFFF");
    EXPECT_EQ(request.DL, 36);
    EXPECT_EQ(request.data[36], 0);
}

TEST(UsbLoopback, EachWrongPartOfTheEchoCountsOneError)
{
    ModulePacket request;
    BuildLoopbackRequest(&request, 7);
    ModulePacket echo = request;
    echo.data[0] = 'z';
    EXPECT_EQ(CountEchoErrors(&echo, &request), 0);

    ModulePacket wrongCounter = echo;
    wrongCounter.data[9] = '8';
    EXPECT_EQ(CountEchoErrors(&wrongCounter, &request), 1);

    ModulePacket wrongLetter = echo;
    wrongLetter.data[35] = 'z';
    EXPECT_EQ(CountEchoErrors(&wrongLetter, &request), 1);

    ModulePacket bothWrong = wrongCounter;
    bothWrong.data[10] = 'a';
    bothWrong.data[11] = 'b';
    EXPECT_EQ(CountEchoErrors(&bothWrong, &request), 2);

    ModulePacket nothing;
    std::memset(&nothing, 0, sizeof nothing);
    EXPECT_EQ(CountEchoErrors(&nothing, &request), 2);
}

TEST(UsbLoopback, CountersWrapInsteadOfOverflowing)
{
    int32_t counter = INT32_MAX;
    CountOne(&counter);
    EXPECT_EQ(counter, INT32_MIN);
    counter = -1;
    CountOne(&counter);
    EXPECT_EQ(counter, 0);
}

std::string StatusText(uint8_t status)
{
    char text[COUPON_STATUS_TEXT_SIZE];
    FormatCouponBoxStatus(status, text, sizeof text);
    return text;
}

TEST(CouponBoxDisplay, StatusBitsReadInTableOrder)
{
    EXPECT_EQ(StatusText(0x13), "Door Open, Coupon Detected, Top Row Blocked, ");
    EXPECT_EQ(StatusText(0x00), "Door Closed, ");
    // Bits 3 and 7 are not shown.
    EXPECT_EQ(StatusText(0x88), "Door Closed, ");
    EXPECT_EQ(StatusText(0xFF),
              "Door Open, Coupon Detected, Box Full, Top Row Blocked, Bottom Row Blocked, "
              "LED Flashing ");
    char small[12];
    FormatCouponBoxStatus(0xFF, small, sizeof small);
    EXPECT_STREQ(small, "Door Open, ");
}

std::string LedLine(const LedValues& values, const LedExtremes& extremes)
{
    char line[LED_LINE_SIZE];
    FormatLedValuesLine(values, extremes, line, sizeof line);
    return line;
}

TEST(CouponBoxDisplay, FirstPassShowsTheValueAsItsOwnMaximumAndMinimum)
{
    const ModulePacket reply = Record(std::string("zH\x00\x01\x23\x00\x80", 7));
    const LedValues values = TakeLedValues(&reply);
    EXPECT_EQ(values.top, 0x0123);
    EXPECT_EQ(values.bottom, 0x0080);
    LedExtremes extremes;
    StartLedExtremes(&extremes);
    UpdateLedExtremes(&extremes, values);
    EXPECT_EQ(LedLine(values, extremes),
              "OK          0123  0123  0123       OK          0080  0080  0080\r");
    EXPECT_FALSE(LedLineStays(values));
}

TEST(CouponBoxDisplay, ExtremesFollowTheValuesAndLowArraysKeepTheirLine)
{
    LedExtremes extremes;
    StartLedExtremes(&extremes);
    const LedValues first = {0x00, 0x0300, 0x0010};
    const LedValues second = {0x02, 0x0100, 0xFFFF};
    UpdateLedExtremes(&extremes, first);
    UpdateLedExtremes(&extremes, second);
    EXPECT_EQ(LedLine(second, extremes),
              "OK          0100  0300  0100       Low/Blocked FFFF  FFFF  0010\r");
    EXPECT_TRUE(LedLineStays(second));
    const LedValues topLow = {0x01, 0x0200, 0x0020};
    UpdateLedExtremes(&extremes, topLow);
    EXPECT_EQ(LedLine(topLow, extremes).substr(0, 12), "Low/Blocked ");
    EXPECT_TRUE(LedLineStays(topLow));
}

ModulePacket CurtainPacket(uint8_t sensor)
{
    std::string data = "a6";
    data.push_back(static_cast<char>(sensor));
    const uint8_t values[] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B,
                              0x0C, 0x00, 0x01, 0x86, 0xA0, 0x00, 0x00, 0x00, 0x2A, 0xBE, 0xEF};
    data.append(reinterpret_cast<const char*>(values), sizeof values);
    return Record(data);
}

TEST(CurtainResults, FieldsAreTakenMostSignificantByteFirst)
{
    const ModulePacket packet = CurtainPacket(28);
    ASSERT_TRUE(IsCurtainResult(&packet));
    const CurtainResult result = TakeCurtainResult(&packet);
    EXPECT_EQ(result.sensor, 28);
    EXPECT_EQ(result.lowNoIr, 0x0102);
    EXPECT_EQ(result.highNoIr, 0x0304);
    EXPECT_EQ(result.lowWithIr, 0x0506);
    EXPECT_EQ(result.highWithIr, 0x0708);
    EXPECT_EQ(result.highDiff, 0x090A);
    EXPECT_EQ(result.lowDiff, 0x0B0C);
    EXPECT_EQ(result.totalScans, 100000u);
    EXPECT_EQ(result.blockCount, 42u);
    EXPECT_EQ(result.blockValue, 0xBEEF);

    char line[CURTAIN_LINE_SIZE];
    FormatCurtainValues(result, line, sizeof line);
    EXPECT_STREQ(line, ":  b0c /  90a /  102 /  304 /  506 /  708 /   2a / beef\n");
    const ModulePacket other = Record("z8");
    EXPECT_FALSE(IsCurtainResult(&other));
}

TEST(CurtainResults, NamedSensorsHaveFourCharacterLabelsOthersTheirNumber)
{
    const struct {
        int sensor;
        const char* label;
    } cases[] = {{1, "FP  "},  {27, "Rear"}, {28, "BAF "}, {29, "FTP "},
                 {30, "RTP "}, {5, "   5"},  {255, " 255"}};
    for (const auto& c : cases) {
        char label[16];
        FormatCurtainLabel(c.sensor, label, sizeof label);
        EXPECT_STREQ(label, c.label) << c.sensor;
    }
}

TEST(PacketLine, ShowsThePortTheTwoLettersAndTheBytesFromTheThirdOn)
{
    const ModulePacket packet = Record(std::string("z8\x01", 3));
    char line[MODULE_PACKET_LINE_SIZE];
    const size_t length = FormatModulePacketLine(&packet, line, sizeof line);
    // DL bytes from the third: the two after the data are the record's zeros.
    EXPECT_EQ(std::string(line, length), std::string("Port 6, z8:1.0.0.  |  \x01\x00\x00\n", 26));
}

TEST(PacketLine, FullPacketStaysWithinTheRecordAndTheLine)
{
    ModulePacket packet;
    std::memset(&packet, 0xAB, sizeof packet);
    packet.DA = 0x0C;
    packet.DL = 255;
    char line[MODULE_PACKET_LINE_SIZE];
    const size_t length = FormatModulePacketLine(&packet, line, sizeof line);
    ASSERT_LT(length, sizeof line);
    EXPECT_EQ(std::string(line, 17), "Port c, \xAB\xAB:ab.ab.");
    EXPECT_EQ(line[length - 1], '\n');
    EXPECT_EQ(line[length], '\0');

    char small[20];
    const size_t cut = FormatModulePacketLine(&packet, small, sizeof small);
    EXPECT_EQ(cut, sizeof small - 1);
    EXPECT_EQ(small[cut], '\0');
}

}  // namespace
