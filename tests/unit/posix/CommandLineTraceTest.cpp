// The command line's trace lines, read back from the capture file (each test
// process has a drive C: of its own here).
#include "base/ProgramOptions.h"
#include "support/CaptureFiles.h"
#include "support/ParseArguments.h"

#include <gtest/gtest.h>

#include <string>

namespace {

int Count(const std::string& text, const std::string& part)
{
    int count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

TEST(CommandLineTrace, EveryArgumentIsTracedWithItsPosition)
{
    capture::CreateFolder();
    ParseArguments({"-InputFile", "c:\\fw\\SU_CRC_1A.hex", "-TargetType", "S", "-GetVersion",
                    "-MinSecurityModuleVersion", "412", "-fastlink"});
    const std::string text = capture::Read(1);
    EXPECT_EQ(Count(text, "   Argument 1 Value:-InputFile\n"), 1);
    EXPECT_EQ(Count(text, "   Argument 2 Value:c:\\fw\\SU_CRC_1A.hex\n"), 1);
    // These two repeat the switch's own line in place of the value's.
    EXPECT_EQ(Count(text, "   Argument 3 Value:-TargetType\n"), 2);
    EXPECT_EQ(Count(text, "Value:S\n"), 0);
    EXPECT_EQ(Count(text, "   Argument 5 Value:-GetVersion\n"), 1);
    EXPECT_EQ(Count(text, "   Argument 6 Value:-MinSecurityModuleVersion\n"), 2);
    EXPECT_EQ(Count(text, "Value:412\n"), 0);
    EXPECT_EQ(Count(text, "   Argument 8 Value:-fastlink\n"), 1);
    EXPECT_EQ(Count(text, "Argument"), 8);
    EXPECT_NE(text.find("CommandLine.:"), std::string::npos);
    EXPECT_EQ(g_ProgramOptions.m_TargetType, 'S');
    EXPECT_TRUE(g_ProgramOptions.m_FastLink);
}

TEST(CommandLineTrace, NoArgumentsTraceNothing)
{
    capture::CreateFolder();
    ParseArguments({});
    EXPECT_EQ(capture::Read(1).find("Argument"), std::string::npos);
}

TEST(CommandLineTrace, MissingValueEndsTheTrace)
{
    capture::CreateFolder();
    ParseArguments({"-GetVersion", "-InputFile"});
    EXPECT_EQ(Count(capture::Read(1), "Argument"), 2);
}

TEST(CommandLineTrace, UnrecognisedArgumentIsTheLastOneTraced)
{
    capture::CreateFolder();
    ParseArguments({"-InputFile", "image.hex", "-Bogus", "-SecurityModuleUpload"});
    const std::string text = capture::Read(1);
    EXPECT_NE(text.find("   Argument 3 Value:-Bogus\n"), std::string::npos);
    EXPECT_EQ(text.find("Argument 4"), std::string::npos);
}

}  // namespace
