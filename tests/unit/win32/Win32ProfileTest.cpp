// The Windows profile calls: only what Windows itself promises is asserted
// (values read back, neighbours kept, defaults, cutting, quotes); the exact
// bytes of the file are Windows' business.
#include "platform/Platform.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const char* const laneFile = "..\\Config\\ProfileTest.Ini";

std::string Read(const char* section, const char* key, const char* file = laneFile)
{
    char value[128];
    Plat_GetProfileString(section, key, "<default>", value, sizeof value, file);
    return value;
}

// The section names as a list of strings.
std::string SectionNames(const char* file)
{
    char names[256];
    unsigned count = Plat_GetProfileSectionNames(names, sizeof names, file);
    std::string list;
    for (unsigned i = 0; i < count; i += static_cast<unsigned>(std::string(names + i).size()) + 1)
        list += std::string(names + i) + ";";
    return list;
}

TEST(Win32Profile, WrittenValuesReadBackAndNeighboursStay)
{
    testenv::WriteFile(testenv::WorkDir() + "/../Config/ProfileTest.Ini",
                       "[Lane]\r\nCountryCode=US\r\nLaneNumber=7\r\n[Other]\r\nKeep=me\r\n");
    ASSERT_TRUE(Plat_WriteProfileString("Lane", "CountryCode", "CA", laneFile));
    ASSERT_TRUE(Plat_WriteProfileString("Lane", "NewKey", "new value", laneFile));
    ASSERT_TRUE(Plat_WriteProfileString("Added", "First", "1", laneFile));

    EXPECT_EQ(Read("Lane", "CountryCode"), "CA");
    EXPECT_EQ(Read("Lane", "NewKey"), "new value");
    EXPECT_EQ(Read("Added", "First"), "1");
    EXPECT_EQ(Read("Lane", "LaneNumber"), "7");
    EXPECT_EQ(Read("Other", "Keep"), "me");
    // Names match without regard to letter case.
    EXPECT_EQ(Read("LANE", "countrycode"), "CA");
    EXPECT_EQ(SectionNames(laneFile), "Lane;Other;Added;");
}

TEST(Win32Profile, MissingFileCreatedByAWrite)
{
    const char* file = "..\\Config\\Created.Ini";
    ASSERT_TRUE(Plat_CreateDirectory("..\\Config"));
    EXPECT_EQ(Read("HardwareVersions", "Board", file), "<default>");
    ASSERT_TRUE(Plat_WriteProfileString("HardwareVersions", "Board", "03.36", file));
    EXPECT_EQ(Read("HardwareVersions", "Board", file), "03.36");
    EXPECT_TRUE(testenv::FileExists(testenv::WorkDir() + "/../Config/Created.Ini"));
}

TEST(Win32Profile, DefaultsCuttingAndQuotes)
{
    testenv::WriteFile(testenv::WorkDir() + "/../Config/ProfileTest.Ini",
                       "[Lane]\nLong=abcdefghij\nQuoted=\"  spaced  \"\n");
    EXPECT_EQ(Read("Lane", "Missing"), "<default>");
    EXPECT_EQ(Read("Missing", "Long"), "<default>");
    EXPECT_EQ(Read("Lane", "Long", "..\\Config\\NoSuchFile.Ini"), "<default>");
    EXPECT_EQ(Read("Lane", "Quoted"), "  spaced  ");

    char value[5] = {'x', 'x', 'x', 'x', 'x'};
    EXPECT_EQ(Plat_GetProfileString("Lane", "Long", "", value, sizeof value, laneFile), 4u);
    EXPECT_STREQ(value, "abcd");
}

}  // namespace
