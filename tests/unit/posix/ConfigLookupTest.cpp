#include "config/ConfigLookup.h"
#include "support/LaneConfigFiles.h"
#include "support/ScriptedConsole.h"
#include "trace/TraceTestHooks.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

using lanefiles::WriteConfig;

class ConfigLookup : public ::testing::Test {
protected:
    void SetUp() override
    {
        lanefiles::PrepareCaptureFolder();
        TraceSetErrorHoldForTests(0);
    }

    // The layered lookup with a 200-byte buffer, or "<none>".
    static std::string Banner(int mode, const char* key, unsigned length = 200)
    {
        std::string buffer(length > 0 ? length : 1, '#');
        if (!ReadBannerSetting(mode, key, &buffer[0], length)) {
            EXPECT_EQ(buffer[0], '\0');
            return "<none>";
        }
        return std::string(buffer.c_str());
    }

    static std::string Lane(const char* key, unsigned length = 201)
    {
        std::string buffer(length, '#');
        bool present =
            ReadIniSetting(key, "DEFAULT", &buffer[0], length, "Common", "..\\Config\\LaneConfig.Ini");
        return (present ? "present:" : "absent:") + std::string(buffer.c_str());
    }

    static std::string BoolLine(const std::string& key, const char* value)
    {
        return "Config: " + key + std::string(60 - key.size(), ' ') + " : " + value;
    }
};

TEST_F(ConfigLookup, IniSettingTellsAnEmptyValueFromAnAbsentKey)
{
    WriteConfig("LaneConfig.Ini",
                "[Common]\nEmpty=\nMarker=?<<IniFieldNotSet>>?\nLong=" + std::string(250, 'x') + "\n");
    EXPECT_EQ(Lane("Empty"), "present:");
    EXPECT_EQ(Lane("Absent"), "absent:DEFAULT");
    EXPECT_EQ(Lane("Marker"), "absent:DEFAULT");
    EXPECT_EQ(Lane("Long"), "present:" + std::string(200, 'x'));
    EXPECT_EQ(Lane("Long", 20), "present:" + std::string(19, 'x'));
    EXPECT_EQ(Lane("Absent", 4), "absent:DEF");
}

TEST_F(ConfigLookup, AnEmptyOverrideValueWinsOverBannerAndChain)
{
    WriteConfig("Override-ORVIK-Configs.Ini", "[Development - Override]\nTCPWatchdogTimeout=\n");
    WriteConfig("BannerConfig.Ini", "[Mode_Suspend_Section]\nTCPWatchdogTimeout=20\n");
    WriteConfig("ChainConfig.Ini", "[Mode_Suspend_Section]\nTCPWatchdogTimeout=30\n");
    EXPECT_EQ(Banner(0, "TCPWatchdogTimeout"), "");
    EXPECT_NE(lanefiles::CaptureText().find(
                  "Using Value from Configuration Override File: TCPWatchdogTimeout = ''"),
              std::string::npos);
}

TEST_F(ConfigLookup, BannerCommonSectionBeatsTheChainsModeSection)
{
    WriteConfig("BannerConfig.Ini", "[Mode_Common_Section]\nCapture_Logging_Level=1\n");
    WriteConfig("ChainConfig.Ini", "[Mode_Suspend_Section]\nCapture_Logging_Level=3\n");
    EXPECT_EQ(Banner(0, "Capture_Logging_Level"), "1");
    EXPECT_NE(lanefiles::CaptureText().find(
                  "Using Value from Configuration Banner Override File: Capture_Logging_Level = '1'"),
              std::string::npos);
}

TEST_F(ConfigLookup, TheModesSectionComesBeforeTheCommonOne)
{
    WriteConfig("BannerConfig.Ini",
                "[Mode_Common_Section]\nKey=common\n"
                "[Mode_Suspend_Section]\nKey=suspend\n"
                "[Mode_EFT_Section]\nKey=eft\n"
                "[Mode_Cash_EFT_Section]\nKey=cash\n");
    EXPECT_EQ(Banner(0, "Key"), "suspend");
    EXPECT_EQ(Banner(1, "Key"), "eft");
    EXPECT_EQ(Banner(2, "Key"), "cash");
    EXPECT_EQ(Banner(7, "Key"), "suspend");
    EXPECT_EQ(Banner(-1, "Key"), "suspend");

    WriteConfig("BannerConfig.Ini", "[Mode_Common_Section]\nKey=common\n[Mode_EFT_Section]\nKey=eft\n");
    EXPECT_EQ(Banner(2, "Key"), "common");
}

TEST_F(ConfigLookup, TheChainAnswersLastAndWithoutATrace)
{
    WriteConfig("ChainConfig.Ini", "[Mode_Common_Section]\nStoreKey=chain\n");
    EXPECT_EQ(Banner(2, "StoreKey"), "chain");
    EXPECT_EQ(Banner(2, "Unknown"), "<none>");
    EXPECT_EQ(lanefiles::CaptureText().find("StoreKey"), std::string::npos);
}

TEST_F(ConfigLookup, TheMarkerWrittenLiterallyIsNotSet)
{
    WriteConfig("Override-ORVIK-Configs.Ini", "[Development - Override]\nKey=?<<IniFieldNotSet>>?\n");
    WriteConfig("BannerConfig.Ini", "[Mode_Common_Section]\nKey=?<<IniFieldNotSet>>?\n");
    WriteConfig("ChainConfig.Ini", "[Mode_Common_Section]\nKey=from chain\n");
    EXPECT_EQ(Banner(0, "Key"), "from chain");
    // Only the whole value is the marker.
    WriteConfig("BannerConfig.Ini", "[Mode_Common_Section]\nKey=?<<IniFieldNotSet>>?!\n");
    EXPECT_EQ(Banner(0, "Key"), "?<<IniFieldNotSet>>?!");
}

TEST_F(ConfigLookup, LayeredValuesAreCutTo199Characters)
{
    WriteConfig("ChainConfig.Ini", "[Mode_Common_Section]\nLong=" + std::string(250, 'v') + "\n");
    EXPECT_EQ(Banner(0, "Long"), std::string(199, 'v'));
    EXPECT_EQ(Banner(0, "Long", 50), std::string(49, 'v'));
}

TEST_F(ConfigLookup, AnOversizedCallerBufferIsReportedAndStillServed)
{
    WriteConfig("ChainConfig.Ini", "[Mode_Common_Section]\nLong=" + std::string(250, 'v') + "\n");
    EXPECT_EQ(Banner(0, "Long", 300), std::string(199, 'v'));
    EXPECT_EQ(Lane("Absent", 202), "absent:DEFAULT");
    std::string capture = lanefiles::CaptureText();
    EXPECT_NE(capture.find("<E>Internal Configuration Buffer( 201 ) < Passed Buffer ( 300 )"),
              std::string::npos);
    EXPECT_NE(capture.find("Internal Configuration Buffer( 201 ) < Passed Buffer ( 202 )"),
              std::string::npos);
    EXPECT_EQ(capture.find("Passed Buffer ( 201 )"), std::string::npos);
}

TEST_F(ConfigLookup, BooleansLookAtTheFirstCharacterOnly)
{
    WriteConfig("ChainConfig.Ini",
                "[Mode_Common_Section]\n"
                "One=1\nTee=t\nTrueWord=TRUE\nZero=0\nEff=false\n");
    EXPECT_TRUE(ReadBannerBool(0, "One", false));
    EXPECT_TRUE(ReadBannerBool(0, "Tee", false));
    EXPECT_TRUE(ReadBannerBool(0, "TrueWord", false));
    EXPECT_FALSE(ReadBannerBool(0, "Zero", true));
    EXPECT_FALSE(ReadBannerBool(0, "Eff", true));
    EXPECT_TRUE(ReadBannerBool(0, "Absent", true));
    EXPECT_FALSE(ReadBannerBool(0, "Absent", false));
    std::string capture = lanefiles::CaptureText();
    EXPECT_NE(capture.find(BoolLine("Tee", "true")), std::string::npos);
    EXPECT_NE(capture.find(BoolLine("Eff", "false")), std::string::npos);
    EXPECT_EQ(capture.find("Invalid Setting"), std::string::npos);
}

TEST_F(ConfigLookup, UnreadableBooleansAreReportedAndTakeTheDefault)
{
    scripted::ConsoleScope console;
    WriteConfig("ChainConfig.Ini", "[Mode_Common_Section]\nYesWord=Yes\nTwo=2\nEx=X\nEmpty=\n");
    EXPECT_FALSE(ReadBannerBool(0, "YesWord", false));
    EXPECT_FALSE(ReadBannerBool(0, "Two", false));
    EXPECT_TRUE(ReadBannerBool(0, "Ex", true));
    EXPECT_TRUE(ReadBannerBool(0, "Empty", true));
    std::string capture = lanefiles::CaptureText();
    EXPECT_NE(capture.find("<E>Invalid Setting for Configuration Field: YesWord = Yes"),
              std::string::npos);
    EXPECT_NE(capture.find("Invalid Setting for Configuration Field: Two = 2"), std::string::npos);
    EXPECT_NE(capture.find("Invalid Setting for Configuration Field: Empty = \n"), std::string::npos);
    size_t invalid = capture.find("Invalid Setting for Configuration Field: Ex = X");
    ASSERT_NE(invalid, std::string::npos);
    EXPECT_GT(capture.find(BoolLine("Ex", "true")), invalid);
    // Configuration lines never reach the console.
    EXPECT_EQ(scripted::Output(), "");
}

TEST_F(ConfigLookup, BooleansFollowTheGivenOperatingMode)
{
    WriteConfig("BannerConfig.Ini", "[Mode_Suspend_Section]\nFlag=0\n[Mode_Cash_EFT_Section]\nFlag=1\n");
    EXPECT_FALSE(ReadBannerBool(0, "Flag", true));
    EXPECT_TRUE(ReadBannerBool(2, "Flag", false));
}

TEST_F(ConfigLookup, RegistryValueOfTheLaneKey)
{
    char value[32] = "junk";
    EXPECT_FALSE(ReadLaneRegistryValue("SecurityModuleType", value, sizeof value));
    EXPECT_STREQ(value, "");

    lanefiles::WriteRegistry(
        "[SOFTWARE\\Morvane\\Orvik750\\Lane]\nSecurityModuleType=USB_SECURITY_MODULE\n");
    EXPECT_TRUE(ReadLaneRegistryValue("SecurityModuleType", value, sizeof value));
    EXPECT_STREQ(value, "USB_SECURITY_MODULE");
    std::strcpy(value, "junk");
    EXPECT_FALSE(ReadLaneRegistryValue("SecurityModuleType", value, 10));
    EXPECT_STREQ(value, "");
}

}  // namespace
