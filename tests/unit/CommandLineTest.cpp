#include "base/ProgramOptions.h"
#include "support/ParseArguments.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cctype>
#include <climits>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace {

void Parse(std::vector<std::string> arguments) { ParseArguments(std::move(arguments)); }

const ProgramOptions& Options() { return g_ProgramOptions; }

// "-GetVersion" becomes "-gEtVeRsIoN".
std::string AlternateCase(std::string text)
{
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        text[i] = static_cast<char>(i % 2 ? std::toupper(c) : std::tolower(c));
    }
    return text;
}

struct Selection {
    const char* argument;
    const char* command;
    int settingValue;
};

void PrintTo(const Selection& selection, std::ostream* out) { *out << selection.argument; }

class SelectingSwitch : public ::testing::TestWithParam<Selection> {};

TEST_P(SelectingSwitch, SelectsItsCommandInAnyLetterCase)
{
    const Selection& selection = GetParam();
    Parse({"-SetSafetySwitchType2", AlternateCase(selection.argument)});
    EXPECT_TRUE(Options().m_AutomatedMode);
    EXPECT_STREQ(Options().m_CommandName, selection.command);
    EXPECT_EQ(Options().m_SettingValue, selection.settingValue);
}

INSTANTIATE_TEST_SUITE_P(CommandLine, SelectingSwitch,
                         ::testing::Values(Selection{"-GetVersion", "GetVersion", 2},
                                           Selection{"-SetSafetySwitchEnable", "SetSafetySwitch", 1},
                                           Selection{"-SetEPSFlash", "EPSFlash", 1},
                                           Selection{"-SetEBoxRound02", "EBoxRound02", 1},
                                           Selection{"-SetTopEPSLL", "TopEPSLL", 1},
                                           Selection{"-SetEPSLLFlash", "EPSLLFlash", 1},
                                           Selection{"-SetFlatpackEnable", "SetFlatpack", 1},
                                           Selection{"-SetFlatpackDisable", "SetFlatpack", 0},
                                           Selection{"-SetSafetySwitchDisable", "SetSafetySwitch", 0},
                                           Selection{"-SetSafetySwitchType0", "SetSafetySwitch", 0},
                                           Selection{"-SetSafetySwitchType1", "SetSafetySwitch", 1},
                                           Selection{"-SecurityModuleUpload", "SecurityModuleUpload",
                                                     2}),
                         [](const ::testing::TestParamInfo<Selection>& paramInfo) {
                             return std::string(paramInfo.param.argument + 1);
                         });

TEST(CommandLine, NoArgumentsLeaveTheInitialValues)
{
    Parse({});
    EXPECT_TRUE(Options().m_ConsoleDisplay);
    EXPECT_TRUE(Options().m_AcknowledgeResults);
    EXPECT_FALSE(Options().m_AutomatedMode);
    EXPECT_STREQ(Options().m_CommandName, "");
    EXPECT_TRUE(Options().m_InternalFileChecksumCheck);
    EXPECT_FALSE(Options().m_FastLink);
}

TEST(CommandLine, LastSelectingSwitchWinsWithItsSettingValue)
{
    Parse({"-SetSafetySwitchType2", "-SetFlatpackDisable"});
    EXPECT_STREQ(Options().m_CommandName, "SetFlatpack");
    EXPECT_EQ(Options().m_SettingValue, 0);
    EXPECT_TRUE(Options().m_AutomatedMode);
}

TEST(CommandLine, SwitchesWithoutCommandChangeOnlyTheirFields)
{
    Parse({"-suppressacknowledgeresults", "-AUTOUPDATE", "-NoInternalFileChecksumCheck"});
    EXPECT_TRUE(Options().m_ConsoleDisplay);
    EXPECT_FALSE(Options().m_AcknowledgeResults);
    EXPECT_TRUE(Options().m_AutoUpdate);
    EXPECT_FALSE(Options().m_InternalFileChecksumCheck);
    EXPECT_FALSE(Options().m_AutomatedMode);

    Parse({"-SupressConsoleDisplay"});
    EXPECT_FALSE(Options().m_ConsoleDisplay);
    EXPECT_FALSE(Options().m_AcknowledgeResults);
    EXPECT_FALSE(Options().m_AutomatedMode);
}

TEST(CommandLine, FastLinkSelectsNoCommandAndHoldsInAnyCaseAfterEverythingElse)
{
    Parse({"-fASTlINK"});
    EXPECT_TRUE(Options().m_FastLink);
    EXPECT_FALSE(Options().m_AutomatedMode);
    EXPECT_STREQ(Options().m_CommandName, "");

    ResetProgramOptions();
    Parse({"-SecurityModuleUpload", "-InputFile", "SU_CRC_1.bin", "-FASTLINK"});
    EXPECT_STREQ(Options().m_CommandName, "SecurityModuleUpload");
    EXPECT_STREQ(Options().m_InputFile, "SU_CRC_1.bin");
    EXPECT_TRUE(Options().m_FastLink);
}

TEST(CommandLine, MissingValueStopsParsingAndLeavesTheFieldEmpty)
{
    Parse({"-GetVersion", "-InputFile"});
    EXPECT_STREQ(Options().m_InputFile, "");
    EXPECT_STREQ(Options().m_CommandName, "GetVersion");
}

TEST(CommandLine, UnrecognisedArgumentStopsParsingSilently)
{
    Parse({"-InputFile", "image.hex", "-Bogus", "-SecurityModuleUpload"});
    EXPECT_STREQ(Options().m_InputFile, "image.hex");
    EXPECT_FALSE(Options().m_AutomatedMode);
    EXPECT_STREQ(Options().m_CommandName, "");
}

// Standard error names where the reading stopped and what runs instead.
TEST(CommandLine, EarlyStopIsNoted)
{
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"-InputFile", "image.hex", "-SecurityModuleUplaod", "-GetVersion"},
         ": unrecognised argument \"-SecurityModuleUplaod\": the remaining arguments are ignored and "
         "the menus run"},
        {{"-GetVersion", "--help"},
         ": unrecognised argument \"--help\": the remaining arguments are ignored and GetVersion runs"},
        {{"-HardwareVersionRequest"},
         ": \"-HardwareVersionRequest\" has no value: it is ignored and the menus run"},
        {{"-GetVersion", "-SetFlatpackDisable"}, ""},
    };
    for (const auto& [arguments, note] : cases) {
        ResetProgramOptions();
        ::testing::internal::CaptureStderr();
        Parse(arguments);
        const std::string errors = ::testing::internal::GetCapturedStderr();
        if (note.empty())
            EXPECT_EQ(errors, "") << arguments[0];
        else
            EXPECT_THAT(errors, ::testing::HasSubstr(note)) << arguments[0];
    }
}

TEST(CommandLine, GetUtilityVersionAnywhereButFirstIsUnrecognised)
{
    Parse({"-GetVersion", "-GetUtilityVersion", "-SetFlatpackEnable"});
    EXPECT_STREQ(Options().m_CommandName, "GetVersion");
}

TEST(CommandLine, CurtainBreakWindowTakesTheDecimalValue)
{
    Parse({"-SetCurtainBreakWindow", " 20abc"});
    EXPECT_STREQ(Options().m_CommandName, "SetCurtainBreakWindow");
    EXPECT_TRUE(Options().m_AutomatedMode);
    EXPECT_TRUE(Options().m_CurtainBreakWindowGiven);
    EXPECT_EQ(Options().m_CurtainBreakWindow, 20);
}

TEST(CommandLine, CurtainBreakWindowWithoutValueSelectsButRemembersNoValue)
{
    Parse({"-SetCurtainBreakWindow"});
    EXPECT_STREQ(Options().m_CommandName, "SetCurtainBreakWindow");
    EXPECT_TRUE(Options().m_AutomatedMode);
    EXPECT_FALSE(Options().m_CurtainBreakWindowGiven);
    EXPECT_EQ(Options().m_CurtainBreakWindow, 0);
}

TEST(CommandLine, CurtainBreakWindowWithUnreadableValueRemembersNoValue)
{
    Parse({"-SetCurtainBreakWindow", "abc", "-GetVersion"});
    // The value was consumed: parsing went on to the next switch.
    EXPECT_STREQ(Options().m_CommandName, "GetVersion");
    EXPECT_FALSE(Options().m_CurtainBreakWindowGiven);

    Parse({"-SetCurtainBreakWindow", "-"});
    EXPECT_STREQ(Options().m_CommandName, "SetCurtainBreakWindow");
    EXPECT_FALSE(Options().m_CurtainBreakWindowGiven);
}

TEST(CommandLine, NumbersBeyondIntSaturateInsteadOfOverflowing)
{
    Parse({"-SetCurtainBreakWindow", "99999999999999999999", "-MinSecurityModuleVersion",
           "-99999999999999999999"});
    EXPECT_EQ(Options().m_CurtainBreakWindow, INT_MAX);
    EXPECT_EQ(Options().m_MinSecurityModuleVersion, INT_MIN);
    Parse({"-SetCurtainBreakWindow", "-2147483648"});
    EXPECT_EQ(Options().m_CurtainBreakWindow, INT_MIN);
}

TEST(CommandLine, HardwareVersionRequestSelectsOnlyWithItsFile)
{
    Parse({"-GetVersion", "-HardwareVersionRequest"});
    EXPECT_STREQ(Options().m_CommandName, "GetVersion");
    EXPECT_STREQ(Options().m_HardwareVersionFile, "");

    Parse({"-HardwareVersionRequest", "c:\\lane\\hw.ini"});
    EXPECT_STREQ(Options().m_CommandName, "HardwareVersionRequest");
    EXPECT_STREQ(Options().m_HardwareVersionFile, "c:\\lane\\hw.ini");
}

TEST(CommandLine, HexadecimalValues)
{
    Parse({"-InputFileChecksum", "1aF", "-UpLoadChecksum", "0x10"});
    EXPECT_EQ(Options().m_InputFileChecksum, 0x1AFu);
    EXPECT_EQ(Options().m_UpLoadChecksum, 0x10u);

    Parse({"-InputFileChecksum", "FFFFFFFFFF", "-UpLoadChecksum", "-1"});
    EXPECT_EQ(Options().m_InputFileChecksum, 0xFFFFFFFFu);
    EXPECT_EQ(Options().m_UpLoadChecksum, 0xFFFFFFFFu);

    // Nothing readable leaves the value as it was.
    Parse({"-InputFileChecksum", "zz", "-UpLoadChecksum", "0xg"});
    EXPECT_EQ(Options().m_InputFileChecksum, 0xFFFFFFFFu);
    EXPECT_EQ(Options().m_UpLoadChecksum, 0u);
}

TEST(CommandLine, TextValues)
{
    Parse({"-CreateSuccFile", "ok.txt", "-OutputFile", "out.txt", "-TargetType", "su",
           "-MinSecurityModuleVersion", "4x2"});
    EXPECT_STREQ(Options().m_CreateSuccFile, "ok.txt");
    EXPECT_STREQ(Options().m_OutputFile, "out.txt");
    EXPECT_EQ(Options().m_TargetType, 's');
    EXPECT_EQ(Options().m_MinSecurityModuleVersion, 4);
    EXPECT_FALSE(Options().m_AutomatedMode);

    Parse({"-TargetType", "", "-MinSecurityModuleVersion", "abc"});
    EXPECT_EQ(Options().m_TargetType, '\0');
    EXPECT_EQ(Options().m_MinSecurityModuleVersion, 0);
}

}  // namespace
