#include "config/PgmCnfg.h"
#include "config/PgmCnfgTestHooks.h"
#include "platform/Platform.h"
#include "support/LaneConfigFiles.h"
#include "support/ScriptedConsole.h"
#include "support/TestEnvironment.h"
#include "trace/Trace.h"
#include "trace/TraceTestHooks.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using lanefiles::WriteConfig;

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

std::string ConfigLine(const std::string& name, const std::string& value, size_t width = 60)
{
    return "Config: " + name + std::string(width - name.size(), ' ') + " : " + value;
}

// The field names of the "Config: " lines, in the order they were traced.
std::vector<std::string> TracedNames(const std::string& capture)
{
    std::vector<std::string> names;
    const std::string mark = "Config: ";
    for (size_t at = capture.find(mark); at != std::string::npos; at = capture.find(mark, at)) {
        at += mark.size();
        names.push_back(capture.substr(at, capture.find(' ', at) - at));
    }
    return names;
}

class ProgramConfigLoad : public ::testing::Test {
protected:
    void SetUp() override
    {
        lanefiles::PrepareCaptureFolder();
        TraceSetErrorHoldForTests(0);
    }
};

TEST_F(ProgramConfigLoad, WithoutAnyFileEveryDefaultApplies)
{
    AccessProgramConfig();
    const ProgramConfiguration& c = ProgramConfig;
    EXPECT_STREQ(c.m_OrvikBaseDirectoryName, "C:\\ORVIK Lane");
    EXPECT_STREQ(c.m_OrvikAppsDirectoryName, "C:\\ORVIK Lane\\Applications");
    EXPECT_EQ(c.m_CountryCode, 1);
    EXPECT_EQ(c.m_WeightMeasure, 1);
    EXPECT_EQ(c.m_CurrencySymbol, 1);
    EXPECT_STREQ(c.m_CurrencySymbolText, "$");
    EXPECT_EQ(c.m_SecurityModuleType, 200);
    EXPECT_EQ(c.m_LaneType, 1);
    EXPECT_EQ(c.m_SystemOperationMode, 0);
    EXPECT_EQ(c.m_ScannerScaleType, 0);
    EXPECT_EQ(c.m_HandScannerType, 0);
    EXPECT_EQ(c.m_HandScannerPort, 2);
    EXPECT_STREQ(c.m_PointOfSaleInterface, "UNKNOWN");
    EXPECT_STREQ(c.m_ConfigComputerName, "<< Not Availiable>>");
    EXPECT_STREQ(c.m_StoreChain, "Not Configured");
    EXPECT_EQ(c.m_StoreNumber, 0);
    EXPECT_STREQ(c.m_OrvikSoftwareDistDirectoryName, "C:\\Software Distribution");
    EXPECT_STREQ(c.m_LaneIPAddress, "0.0.0.0");
    EXPECT_STREQ(c.m_BossIPAddress, "0.0.0.0");
    EXPECT_EQ(c.m_BossIPPort, 4000);
    EXPECT_EQ(c.m_TCPWatchDogTimeout, 10);
    EXPECT_STREQ(c.m_ODBC_SecurityDatabaseName, "LaneSec");
    EXPECT_TRUE(c.m_ResetLaneManager);
    EXPECT_TRUE(c.m_ScannerScaleAvailable);
    EXPECT_TRUE(c.m_SecurityModuleAvailable);
    EXPECT_FALSE(c.m_EnableProgramTestButtons);
    EXPECT_FALSE(c.m_ScannerScale_SendWakeUp);
    EXPECT_EQ(c.m_Capture_Logging_Level, 2);
    EXPECT_EQ(c.m_Capture_Display_Level, 2);
    EXPECT_STREQ(c.m_SpawnProgram_Directory, "C:\\ORVIK Lane\\Applications");
    EXPECT_STREQ(c.m_SpawnProgram_ShutDown, "C:\\ORVIK Lane\\Applications\\Shutdown.exe");
    EXPECT_STREQ(c.m_SpawnProgram_Calibrate, "C:\\WinNT\\System32\\elocal32.exe");
    EXPECT_EQ(c.m_PEH_PowerDownTime, 10);
    EXPECT_EQ(c.m_PEH_RecoveryTime, 15);
    EXPECT_EQ(c.m_PEH_PowerAlternating, 60);

    char host[HOST_NAME_MAX + 1] = {};
    gethostname(host, sizeof host - 1);
    EXPECT_EQ(std::string(c.m_MachineName), std::string(host).substr(0, 40));

    std::string capture = lanefiles::CaptureText();
    EXPECT_TRUE(
        Contains(capture, " W No Registry Entry for Security Module Type, Default = USB Board..."));
    EXPECT_TRUE(Contains(capture, "PgmCnfg.cpp :"));
    EXPECT_TRUE(Contains(capture, ConfigLine("m_OrvikBaseDirectoryName", "\"C:\\ORVIK Lane\"")));
    EXPECT_TRUE(Contains(capture, ConfigLine("m_CountryCode", "\"USA\", ( 1 )")));
    EXPECT_TRUE(Contains(capture, ConfigLine("m_SecurityModuleType", "ORBA_SECURITY_MODULE ( 200 )")));
    EXPECT_TRUE(Contains(capture, ConfigLine("m_LaneType", "1:FULL-LANE")));
    EXPECT_TRUE(Contains(capture, ConfigLine("m_HandScannerType", "0:None")));
    EXPECT_TRUE(Contains(capture, ConfigLine("m_HandScannerPort", "2")));
    EXPECT_TRUE(Contains(capture, ConfigLine("ResetLaneManager", "true")));
    EXPECT_TRUE(Contains(capture, ConfigLine("m_Capture_Logging_Level", "2", 61)));
    EXPECT_TRUE(Contains(capture, ConfigLine("PEH_PowerAlternating", "60")));
    EXPECT_LT(capture.find("Loading Program Config Variables..."), capture.find("Config: "));
    EXPECT_GT(capture.find("-- Done loading program configuration variables. --"),
              capture.rfind("Config: "));
}

TEST_F(ProgramConfigLoad, EveryKeyIsTracedInItsOrderUnderItsFieldName)
{
    AccessProgramConfig();
    const std::vector<std::string> expected = {
        "m_OrvikBaseDirectoryName",
        "m_OrvikAppsDirectoryName",
        "m_CountryCode",
        "m_WeightMeasure",
        "m_CurrencySymbol",
        "DisableForceLaneApplicationToFrontOfScreen",
        "m_SecurityModuleType",
        "m_LaneType",
        "m_SystemOperationMode",
        "m_ScannerScaleType",
        "m_HandScannerType",
        "m_HandScannerPort",
        "m_PointOfSaleInterface",
        "EnableSecurityModuleThroughputTesting",
        "m_ConfigComputerName",
        "m_OrvikLaneNumber",
        "m_PosTerminalNumber",
        "m_StoreChain",
        "m_StoreNumber",
        "m_OrvikSoftwareDistDirectoryName",
        "m_LaneIPAddress",
        "m_LaneIPMask",
        "m_BossIPAddress",
        "m_BossIPPort",
        "m_TCPWatchDogTimeout",
        "m_ODBC_SecurityDatabaseName",
        "ResetLaneManager",
        "ScannerScaleAvailable",
        "EnableProgramTestButtons",
        "SimulateNewItemsForBossTesting",
        "SecurityModuleAvailable",
        "EnableProtocolAnalyzerTrigger",
        "SimulateSigCapture",
        "SimulateCouponBox",
        "SimulateCashMachine",
        "ForceCaptureToLocalHardDisk",
        "ScannerScale_SendWakeUp",
        "ExpandTypeEToTypeA",
        "m_Capture_Logging_Level",
        "m_Capture_Display_Level",
        "SpawnProgram_Directory",
        "SpawnProgram_ShutDown",
        "SpawnProgram_Calibrate",
        "PEH_PowerDownTime",
        "PEH_RecoveryTime",
        "PEH_PowerAlternating",
    };
    EXPECT_EQ(TracedNames(lanefiles::CaptureText()), expected);
}

TEST_F(ProgramConfigLoad, LaneFileAndRegistryValuesAreValidatedAndStored)
{
    WriteConfig("LaneConfig.Ini",
                "[Common]\n"
                "CountryCode=canada\nWeightMeasure=metric\nCurrencySymbol=gbp\n"
                "LaneType=KIOSK\nSystemOperatingMode=SMODE_CASH_EFT\n"
                "ScannerScale_Type=MAGELLAN_SCANNER_ONLY\nHandScanner_Type=SYMBOL_LS9100\n"
                "HandScanner_Port=4x\nOrvikLaneNumber= -3\nStoreNumber=17abc\n"
                "PosTerminalNumber=none\nPointOfSaleInterface=" +
                    std::string(30, 'P') +
                    "\n"
                    "Lane_IP_Address=10.1.2.3\nOrvikAppsDirectoryName=D:\\Apps\n");
    lanefiles::WriteRegistry(
        "[SOFTWARE\\Morvane\\Orvik750\\Lane]\nSecurityModuleType=usb_scanning_module\n");
    WriteConfig(
        "BannerConfig.Ini",
        "[Mode_Suspend_Section]\nDisableForceLaneApplicationToFrontOfScreen=1\nTCPWatchdogTimeout=5\n"
        "[Mode_Cash_EFT_Section]\nDisableForceLaneApplicationToFrontOfScreen=0\nTCPWatchdogTimeout=25\n");
    AccessProgramConfig();
    const ProgramConfiguration& c = ProgramConfig;
    EXPECT_EQ(c.m_CountryCode, 2);
    EXPECT_EQ(c.m_WeightMeasure, 2);
    EXPECT_EQ(c.m_CurrencySymbol, 3);
    EXPECT_STREQ(c.m_CurrencySymbolText, "\xA3");
    EXPECT_EQ(c.m_SecurityModuleType, 200);
    EXPECT_EQ(c.m_LaneType, 3);
    EXPECT_EQ(c.m_SystemOperationMode, 2);
    EXPECT_EQ(c.m_ScannerScaleType, 4);
    EXPECT_EQ(c.m_HandScannerType, 2);
    EXPECT_EQ(c.m_HandScannerPort, 4);
    EXPECT_EQ(c.m_OrvikLaneNumber, -3);
    EXPECT_EQ(c.m_StoreNumber, 17);
    EXPECT_EQ(c.m_PosTerminalNumber, 0);
    EXPECT_STREQ(c.m_LaneIPAddress, "10.1.2.3");
    // The key read before the mode is known comes from the suspend section.
    EXPECT_TRUE(c.m_DisableForceLaneApplicationToFrontOfScreen);
    EXPECT_EQ(c.m_TCPWatchDogTimeout, 25);
    EXPECT_TRUE(c.m_ScannerScale_SendWakeUp);
    EXPECT_STREQ(c.m_SpawnProgram_ShutDown, "D:\\Apps\\Shutdown.exe");
    // Text longer than its field is cut to the field's width.
    EXPECT_EQ(std::string(c.m_PointOfSaleInterface), std::string(23, 'P'));

    std::string capture = lanefiles::CaptureText();
    EXPECT_FALSE(Contains(capture, "No Registry Entry"));
    EXPECT_TRUE(Contains(capture, ConfigLine("m_CountryCode", "\"canada\", ( 2 )")));
    EXPECT_TRUE(Contains(capture, ConfigLine("m_SecurityModuleType", "usb_scanning_module ( 200 )")));
    EXPECT_TRUE(Contains(capture, ConfigLine("m_SystemOperationMode", "2:SMODE_CASH_EFT")));
    EXPECT_TRUE(Contains(capture, ConfigLine("m_HandScannerPort", "4")));
    EXPECT_TRUE(
        Contains(capture, ConfigLine("m_PointOfSaleInterface", "\"" + std::string(23, 'P') + "\"")));
    EXPECT_TRUE(Contains(capture, ConfigLine("m_TCPWatchDogTimeout", "25")));
}

TEST_F(ProgramConfigLoad, TheFirstTraceOfAnotherModuleLoadsItAndObeysTheBannersLevel)
{
    scripted::ConsoleScope console;
    WriteConfig("BannerConfig.Ini", "[Mode_Common_Section]\nCapture_Logging_Level=1\n");
    int logging = 0;
    int display = 0;
    TraceGetThresholds(MODULE_CONFIG, &logging, &display);
    EXPECT_EQ(logging, 2);
    EXPECT_FALSE(testenv::FileExists(lanefiles::CapturePath()));

    TRACE(TL_INFO | TF_CONSOLE, MODULE_COMMANDS, "menu line");
    TRACE(TL_WARNING | TF_CONSOLE, MODULE_COMMANDS, "warning line");
    EXPECT_EQ(ProgramConfig.m_Capture_Logging_Level, 1);
    TraceGetThresholds(MODULE_LINK, &logging, &display);
    EXPECT_EQ(logging, 1);
    EXPECT_EQ(display, 2);

    std::string capture = lanefiles::CaptureText();
    EXPECT_TRUE(Contains(
        capture, "Using Value from Configuration Banner Override File: Capture_Logging_Level = '1'"));
    EXPECT_TRUE(Contains(capture, ConfigLine("m_Capture_Logging_Level", "1", 61)));
    EXPECT_FALSE(Contains(capture, "menu line"));
    EXPECT_LT(capture.find("-- Done loading"), capture.find("warning line"));
    EXPECT_EQ(scripted::Output(), "warning line\n");
}

TEST_F(ProgramConfigLoad, BossSimulationIsAcceptedWithTestButtons)
{
    WriteConfig("ChainConfig.Ini",
                "[Mode_Common_Section]\nSimulateNewItemsForBossTesting=T\n"
                "EnableProgramTestButtons=1\n");
    AccessProgramConfig();
    EXPECT_TRUE(ProgramConfig.m_SimulateNewItemsForBossTesting);
    EXPECT_TRUE(ProgramConfig.m_EnableProgramTestButtons);
}

// ------------------------------------------------------- loading threads

std::thread secondCaller;
std::atomic<long long> secondReturn{0};
std::atomic<long long> holdEnd{0};
std::atomic<long long> nestedCallTook{-1};
std::atomic<int> secondSawStoreNumber{0};
// The waiting thread's looks, seen through the clock's sleep.
std::atomic<long long> firstLook{0};
std::atomic<int> looks{0};
std::atomic<bool> everyPauseWasATenth{true};

long long NowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The real sleep, recorded.
void RecordedSleep(unsigned milliseconds)
{
    long long none = 0;
    firstLook.compare_exchange_strong(none, NowMs());
    looks.fetch_add(1);
    if (milliseconds != 100) everyPauseWasATenth.store(false);
    Plat_NativeTime()->sleep(milliseconds);
}

// Runs on the loading thread before any key is read.
void HoldTheLoad()
{
    secondCaller = std::thread([] {
        AccessProgramConfig();
        secondReturn = NowMs();
        secondSawStoreNumber = ProgramConfig.m_StoreNumber;
    });
    long long before = NowMs();
    AccessProgramConfig();
    nestedCallTook = NowMs() - before;
    // Held 330 ms from the second thread's first pause, however late the
    // thread was scheduled: a start-time anchor made the count of looks
    // depend on the machine's load.
    while (firstLook.load() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::this_thread::sleep_until(
        std::chrono::steady_clock::time_point(std::chrono::milliseconds(firstLook.load() + 330)));
    holdEnd = NowMs();
}

TEST_F(ProgramConfigLoad, OtherThreadsWaitInTenthsOfASecondUntilTheLoadEnds)
{
    static PlatTimeOps recordingClock;
    recordingClock = {Plat_NativeTime()->tickCountMs, RecordedSleep, Plat_WaitEvent};
    firstLook = 0;
    looks = 0;
    everyPauseWasATenth = true;
    WriteConfig("LaneConfig.Ini", "[Common]\nStoreNumber=42\n");
    ProgramConfigSetLoadHookForTests(HoldTheLoad);
    Plat_SetTime(&recordingClock);
    AccessProgramConfig();
    secondCaller.join();
    Plat_SetTime(nullptr);
    EXPECT_EQ(secondSawStoreNumber.load(), 42);
    EXPECT_LT(nestedCallTook.load(), 50);
    EXPECT_GE(secondReturn.load(), holdEnd.load());
    // Real pauses of 100 ms each, looking again after each: 330 ms take
    // three or four of them (four when every pause is exact).
    EXPECT_TRUE(everyPauseWasATenth.load());
    EXPECT_GE(looks.load(), 3);
    long long waited = secondReturn - firstLook;
    EXPECT_GE(waited, 330);
    EXPECT_LE(waited, 650);
}

// --------------------------------------------------- invalid settings

struct InvalidSetting {
    const char* name;
    const char* laneSettings;
    const char* chainSettings;
    const char* registryValue;
    std::vector<std::string> messages;
    const char* notTraced;
};

void PrintTo(const InvalidSetting& setting, std::ostream* out) { *out << setting.name; }

class InvalidSettingDeathTest : public ::testing::TestWithParam<InvalidSetting> {};

// The child's console goes to a file the parent reads afterwards.
void LoadWithConsoleIn(const std::string& path)
{
    std::fflush(stdout);
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(fd, STDOUT_FILENO);
    dup2(fd, STDERR_FILENO);
    AccessProgramConfig();
}

TEST_P(InvalidSettingDeathTest, EndsAtOnceWithStatusOneAndTheReasonInTheCapture)
{
    // Forked without a new image, so that the child shares this test's
    // scratch folder and the capture file it leaves can be read here.
    GTEST_FLAG_SET(death_test_style, "fast");
    const InvalidSetting& setting = GetParam();
    lanefiles::PrepareCaptureFolder();
    WriteConfig("LaneConfig.Ini", std::string("[Common]\n") + setting.laneSettings);
    WriteConfig("ChainConfig.Ini", std::string("[Mode_Common_Section]\n") + setting.chainSettings);
    if (setting.registryValue != nullptr)
        lanefiles::WriteRegistry(
            std::string("[SOFTWARE\\Morvane\\Orvik750\\Lane]\nSecurityModuleType=") +
            setting.registryValue + "\n");
    const std::string consolePath = testenv::ScratchDir() + "/console.txt";

    EXPECT_EXIT(
        {
            TraceSetErrorHoldForTests(0);
            LoadWithConsoleIn(consolePath);
        },
        ::testing::ExitedWithCode(1), "");

    std::string capture = testenv::ReadFile(lanefiles::CapturePath());
    size_t at = 0;
    for (const std::string& message : setting.messages) {
        size_t found = capture.find(message, at);
        EXPECT_NE(found, std::string::npos) << message << "\n--- capture:\n" << capture;
        if (found != std::string::npos) at = found;
    }
    if (setting.notTraced != nullptr) {
        EXPECT_FALSE(Contains(capture, setting.notTraced));
    }
    EXPECT_FALSE(Contains(capture, "-- Done loading"));
    EXPECT_FALSE(Contains(capture, "*** Program closing ***"));
    EXPECT_EQ(testenv::ReadFile(consolePath), "");
}

const InvalidSetting invalidSettings[] = {
    {"LaneTypeInLowerCase",
     "LaneType=full-lane\n",
     "",
     nullptr,
     {"<E>System Lane Type Not Configured Properly for Installation\n*** Program Exiting ***"},
     "m_LaneType"},
    {"CountryCode",
     "CountryCode=Mars\n",
     "",
     nullptr,
     {"<E>Invalid Setting for Country Code, ( 'Mars' )'.\n*** Program Exiting ***"},
     nullptr},
    {"WeightMeasure",
     "WeightMeasure=stone\n",
     "",
     nullptr,
     {"Invalid Setting for Weight Measure, ( 'stone' )'.\n*** Program Exiting ***"},
     nullptr},
    {"CurrencySymbol",
     "CurrencySymbol=YEN\n",
     "",
     nullptr,
     {"Invalid Setting for Currency Symbol, ( 'YEN' )'.\n*** Program Exiting ***"},
     nullptr},
    {"SecurityModuleType",
     "",
     "",
     "SERIAL_MODULE",
     {"Invalid Setting for Security Module Type, ( 'SERIAL_MODULE' )'.\n*** Program Exiting ***"},
     nullptr},
    {"OperatingModeInLowerCase",
     "SystemOperatingMode=smode_suspend\n",
     "",
     nullptr,
     {"SystemOperatingMode Not Configured Properly for Installation\n*** Program Exiting ***"},
     nullptr},
    {"ScannerScaleType",
     "ScannerScale_Type=3\n",
     "",
     nullptr,
     {"Invalid Configuration Setting: m_ScannerScaleType.\n*** Program Exiting ***"},
     nullptr},
    {"HandScannerType",
     "HandScanner_Type=NONE\n",
     "",
     nullptr,
     {"Invalid Hand Scanner Type in configuration file.\n*** Program Exiting ***"},
     nullptr},
    {"HandScannerPort",
     "HandScanner_Port=3\n",
     "",
     nullptr,
     {"Invalid Hand Scanner Port in configuration file.\n*** Program Exiting ***"},
     nullptr},
    {"BossSimulationWithoutTestButtons",
     "",
     "SimulateNewItemsForBossTesting=true\n",
     nullptr,
     {ConfigLine("SimulateNewItemsForBossTesting", "true"),
      "<E>Invalid Setting for SimulateNewItemsForBossTesting in Config File"},
     "SecurityModuleAvailable"},
    {"PowerDownTimeComesFirst",
     "",
     "PEH_PowerDownTime=4\nPEH_RecoveryTime=61\n",
     nullptr,
     {" W Invalid Setting for Configuration field : PEH_PowerDownTime Value: 4"},
     "PEH_RecoveryTime"},
    {"RecoveryTime",
     "",
     "PEH_RecoveryTime=61\nPEH_PowerAlternating=5\n",
     nullptr,
     {" W Invalid Setting for Configuration field : PEH_RecoveryTime Value: 61",
      " W Using Default Setting for Configuration field : PEH_RecoveryTime Value: 15"},
     "PEH_PowerAlternating"},
    {"PowerAlternatingRange",
     "",
     "PEH_PowerAlternating=121\n",
     nullptr,
     {" W Invalid Setting for Configuration field : PEH_PowerAlternating Value: 121",
      " W Using Default Setting for Configuration field : PEH_PowerAlternating Value: 60"},
     "Adjusting"},
    {"PowerAlternatingBelowTwiceRecovery",
     "",
     "PEH_PowerAlternating=20\n",
     nullptr,
     {ConfigLine("PEH_RecoveryTime", "15"),
      " W Adjusting Setting for Configuration field : PEH_PowerAlternating Value: 60"},
     "Config: PEH_PowerAlternating"},
    {"PowerAlternatingBelowTwiceDown",
     "",
     "PEH_PowerDownTime=40\nPEH_PowerAlternating=70\n",
     nullptr,
     {"Adjusting Setting for Configuration field : PEH_PowerAlternating Value: 60"},
     nullptr},
};

INSTANTIATE_TEST_SUITE_P(Config, InvalidSettingDeathTest, ::testing::ValuesIn(invalidSettings),
                         [](const ::testing::TestParamInfo<InvalidSetting>& param) {
                             return std::string(param.param.name);
                         });

}  // namespace
