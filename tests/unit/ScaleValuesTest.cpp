// The scale configuration text, the decoding of a streamed reading, its
// console and dump lines, and an EU value that cannot scale anything.
#include "commands/ScaleValues.h"
#include "config/PgmCnfgTestHooks.h"
#include "support/ScriptedConsole.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <string>

namespace {

ModulePacket Reading(uint8_t flags, uint16_t average, uint16_t filter1, uint16_t adc, uint16_t noise)
{
    ModulePacket packet;
    std::memset(&packet, 0, sizeof packet);
    packet.DA = 6;
    packet.DC = 6;
    packet.DL = 11;
    const uint8_t bytes[] = {'s',
                             '7',
                             flags,
                             static_cast<uint8_t>(average >> 8),
                             static_cast<uint8_t>(average),
                             static_cast<uint8_t>(filter1 >> 8),
                             static_cast<uint8_t>(filter1),
                             static_cast<uint8_t>(adc >> 8),
                             static_cast<uint8_t>(adc),
                             static_cast<uint8_t>(noise >> 8),
                             static_cast<uint8_t>(noise)};
    std::memcpy(packet.data, bytes, sizeof bytes);
    return packet;
}

std::string ReadingLine(const ModulePacket& reading)
{
    char line[160];
    FormatScaleReadingLine(&reading, line, sizeof line);
    return line;
}

std::string DumpLine(const ModulePacket& reading)
{
    char line[64];
    FormatScaleDumpLine(&reading, line, sizeof line);
    return line;
}

class ScaleValues : public ::testing::Test {
protected:
    void SetUp() override
    {
        ProgramConfigUseDefaultsForTests();
        ParseScaleConfig("21.5,12");
    }
    scripted::ConsoleScope console;
};

TEST_F(ScaleValues, ConfigurationTextGivesTheEuValueAndTheStableLimit)
{
    EXPECT_EQ(ScaleEuValue, 21.5);
    EXPECT_EQ(ScaleStableLimit, 12);

    struct Case {
        const char* text;
        double eu;
        int limit;
    } cases[] = {
        {" 8.25 , 40", 8.25, 40},
        {"21.5", 21.5, 0},
        {"", 0, 0},
        {",7", 0, 7},
        {"2e1,-3", 20, -3},
        {"0x10,5", 0, 5},  // decimal only
        {"inf,5", 0, 5},
        // No comma among the first 12 characters: the 13th is skipped.
        {"123456789012X77", 123456789012.0, 77},
        {"1.5,99999999999999999999", 1.5, INT_MAX},
        {"1.5,12abc", 1.5, 12},
    };
    for (const Case& c : cases) {
        ParseScaleConfig(c.text);
        EXPECT_EQ(ScaleEuValue, c.eu) << c.text;
        EXPECT_EQ(ScaleStableLimit, c.limit) << c.text;
    }
    ParseScaleConfig("1e999,1");
    EXPECT_TRUE(std::isinf(ScaleEuValue));
}

TEST_F(ScaleValues, ReadingLineShowsHundredthsWithABlankPaddedFraction)
{
    // 4300 / 21.5 = 200 hundredths: 2 and a blank-padded 0.
    EXPECT_EQ(ReadingLine(Reading(0, 4300, 2150, 64500, 43)),
              "  2. 0  -    1. 0  -   30. 0  -    2  -  STABLE\n");
    EXPECT_EQ(ReadingLine(Reading(0x03, 4300, 4300, 4300, 0)),
              "NEG   2. 0  -    2. 0  -    2. 0  -    0  -  UNSTABLE *******\n");
    ParseScaleConfig("1,0");
    EXPECT_EQ(ReadingLine(Reading(0x02, 12345, 205, 65535, 999)),
              "NEG 123.45  -    2. 5  -  655.35  -  999  -  STABLE\n");
    // Truncated toward zero: 4321 / 21.5 = 200.98.
    ParseScaleConfig("21.5,12");
    EXPECT_EQ(ReadingLine(Reading(0x01, 4321, 0, 0, 0)).substr(0, 12), "  2. 0  -   ");
}

TEST_F(ScaleValues, DumpLineHoldsTheUnstableBitRawWeightsAndTheAdcHighByte)
{
    EXPECT_EQ(DumpLine(Reading(0x03, 4300, 4301, 0x1234, 9)), "01,4300,4301,18,\n");
    EXPECT_EQ(DumpLine(Reading(0x02, 0, 65535, 0xFF00, 9)), "00,0,65535,255,\n");
}

TEST_F(ScaleValues, UnusableEuValueShowsRawUnits)
{
    for (const char* config : {"0,12", "1e-300,12"}) {
        ParseScaleConfig(config);
        EXPECT_EQ(ReadingLine(Reading(0, 4300, 0, 65535, 7)),
                  " 43. 0  -    0. 0  -  655.35  -    7  -  STABLE\n")
            << config;
        EXPECT_EQ(ReadingLine(Reading(0, 1, 1, 1, 1)).substr(0, 8), "  0. 1  ") << config;
    }
    int whole = 0;
    float perHundredthPound = 0;
    EXPECT_FALSE(ScaleEuLine(&whole, &perHundredthPound));
    EXPECT_EQ(whole, 1);
    EXPECT_EQ(perHundredthPound, 100000.0f);
}

TEST_F(ScaleValues, EuLineTakesTheEuValueAsAWholeNumberAndItsReciprocal)
{
    int whole = 0;
    float perHundredthPound = 0;
    EXPECT_TRUE(ScaleEuLine(&whole, &perHundredthPound));
    EXPECT_EQ(whole, 21);
    char text[32];
    std::snprintf(text, sizeof text, "%4x %.2f", static_cast<unsigned>(whole),
                  static_cast<double>(perHundredthPound));
    EXPECT_STREQ(text, "  15 4651.16");

    for (const char* config : {"3e9,1", "inf,1", "1e-40,1"}) {
        ParseScaleConfig(config);
        EXPECT_FALSE(ScaleEuLine(&whole, &perHundredthPound)) << config;
        EXPECT_EQ(whole, 1) << config;
    }
}

}  // namespace
