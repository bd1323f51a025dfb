// The program configuration loader: every lane setting is read, validated,
// stored and traced, so that the capture file shows how the lane is set up.
// An inconsistent setting stops the utility the way it would stop the lane.
#include "config/PgmCnfg.h"

#include "config/ConfigCodes.h"
#include "config/ConfigLookup.h"
#include "config/PgmCnfgTestHooks.h"
#include "base/TextUtil.h"
#include "platform/Platform.h"
#include "trace/Trace.h"

#include <atomic>
#include <cstdio>

namespace {

template <size_t N>
constexpr void SetInitialText(char (&field)[N], const char* text)
{
    size_t i = 0;
    for (; text[i] != '\0' && i + 1 < N; ++i) field[i] = text[i];
    field[i] = '\0';
}

constexpr ProgramConfiguration InitialProgramConfig()
{
    ProgramConfiguration c{};
    SetInitialText(c.m_MachineName, "UNKNOWN");
    SetInitialText(c.m_OrvikBaseDirectoryName, "UNKNOWN");
    SetInitialText(c.m_OrvikAppsDirectoryName, "UNKNOWN");
    c.m_CountryCode = COUNTRY_USA;
    c.m_WeightMeasure = WEIGHT_ENGLISH;
    c.m_CurrencySymbol = CURRENCY_USD;
    SetInitialText(c.m_CurrencySymbolText, "$");
    c.m_SecurityModuleType = SECURITY_MODULE_USB;
    c.m_LaneType = LANE_FULL;
    c.m_SystemOperationMode = SMODE_SUSPEND;
    c.m_ScannerScaleType = SCANNER_SCALE_NCR_7870;
    c.m_HandScannerPort = 2;
    SetInitialText(c.m_PointOfSaleInterface, "UNKNOWN");
    SetInitialText(c.m_ConfigComputerName, "UNKNOWN");
    SetInitialText(c.m_StoreChain, "UNKNOWN");
    SetInitialText(c.m_OrvikSoftwareDistDirectoryName, "UNKNOWN");
    SetInitialText(c.m_LaneIPAddress, "0.0.0.0");
    SetInitialText(c.m_LaneIPMask, "0.0.0.0");
    SetInitialText(c.m_BossIPAddress, "0.0.0.0");
    SetInitialText(c.m_ODBC_SecurityDatabaseName, "LaneSec");
    c.m_ScannerScaleAvailable = true;
    c.m_SecurityModuleAvailable = true;
    // The trace thresholds keep their defaults until the load has finished.
    c.m_Capture_Logging_Level = 2;
    c.m_Capture_Display_Level = 2;
    SetInitialText(c.m_SpawnProgram_Directory, "UNKNOWN");
    SetInitialText(c.m_SpawnProgram_ShutDown, "UNKNOWN");
    SetInitialText(c.m_SpawnProgram_Calibrate, "UNKNOWN");
    c.m_PEH_PowerDownTime = 10;
    c.m_PEH_RecoveryTime = 15;
    c.m_PEH_PowerAlternating = 60;
    return c;
}

// Computed at compile time, so that the record is ready before any static
// initialiser can trace.
constexpr ProgramConfiguration initialProgramConfig = InitialProgramConfig();

}  // namespace

ProgramConfiguration ProgramConfig = initialProgramConfig;

namespace {

// Here rather than beside its function: every program that reads the
// configuration links this file.
[[maybe_unused]] const bool traceThresholdsRegistered = RegisterTraceThresholds();

}  // namespace

namespace {

std::atomic<unsigned long long> callCount{0};
std::atomic<unsigned long> loadingThread{0};
std::atomic<bool> loaded{false};
std::atomic<void (*)()> loadHook{nullptr};

enum { READ_SIZE = CONFIG_BUFFER_SIZE, LAYER_READ_SIZE = 200, SECTION_LIST_SIZE = 1024 };
enum { PEH_DOWN_DEFAULT = 10, PEH_RECOVERY_DEFAULT = 15, PEH_ALTERNATING_DEFAULT = 60 };

const int ERROR_LEVEL = TL_ERROR | TF_CONSOLE | TF_ALERT;

// No clean-up: the lane's programs stop at once on a bad setting. The reason
// must reach the capture file first, whatever its level.
[[noreturn]] void EndProcess()
{
    TraceFlush();
    Plat_ExitNow(1);
}

// ------------------------------------------------------------ trace lines

void TraceText(const char* name, const char* value)
{
    TRACE(TL_WARNING, MODULE_CONFIG, "Config: %-60s : \"%s\"", name, value);
}

void TraceNumber(const char* name, int value)
{
    TRACE(TL_WARNING, MODULE_CONFIG, "Config: %-60s : %d", name, value);
}

void TraceCaptureLevel(const char* name, int value)
{
    TRACE(TL_WARNING, MODULE_CONFIG, "Config: %-61s : %d", name, value);
}

void TraceTextAndCode(const char* name, const char* text, int code)
{
    TRACE(TL_WARNING, MODULE_CONFIG, "Config: %-60s : \"%s\", ( %d )", name, text, code);
}

void TraceCodeAndText(const char* name, int code, const char* text)
{
    TRACE(TL_WARNING, MODULE_CONFIG, "Config: %-60s : %d:%s", name, code, text);
}

// ------------------------------------------------------------------- reads

// A plain read of the lane file with the default given.
void ReadPlain(const char* key, const char* defaultValue, char* value)
{
    Plat_GetProfileString(LANE_CONFIG_SECTION, key, defaultValue, value, READ_SIZE, LANE_CONFIG_FILE);
}

// A read of the lane file where the default applies only to an absent key.
void ReadMarked(const char* key, const char* defaultValue, char* value)
{
    ReadIniSetting(key, defaultValue, value, READ_SIZE, LANE_CONFIG_SECTION, LANE_CONFIG_FILE);
}

void ReadLayered(const char* key, const char* defaultValue, char* value)
{
    if (!ReadBannerSetting(ProgramConfig.m_SystemOperationMode, key, value, LAYER_READ_SIZE))
        CopyText(value, LAYER_READ_SIZE, defaultValue);
}

int ReadLayeredNumber(const char* key, int defaultValue)
{
    char value[LAYER_READ_SIZE];
    if (!ReadBannerSetting(ProgramConfig.m_SystemOperationMode, key, value, sizeof value))
        return defaultValue;
    return DecimalValue(value);
}

int ReadMarkedNumber(const char* key, const char* defaultValue)
{
    char value[READ_SIZE];
    ReadMarked(key, defaultValue, value);
    return DecimalValue(value);
}

// Longer values are cut to the field's width.
template <size_t N>
void StoreText(char (&field)[N], const char* value)
{
    CopyText(field, N, value);
}

// Read and dropped: the lane's loader lists these files' sections too.
void ReadSectionList(const char* file)
{
    char names[SECTION_LIST_SIZE];
    Plat_GetProfileSectionNames(names, sizeof names, file);
}

// --------------------------------------------------------------- the keys

void LoadMachineName()
{
    char name[READ_SIZE];
    if (!Plat_GetComputerName(name, sizeof name)) CopyText(name, sizeof name, "Unknown");
    StoreText(ProgramConfig.m_MachineName, name);
}

void LoadDirectories()
{
    char value[READ_SIZE];
    ReadPlain("OrvikBaseDirectoryName", "C:\\ORVIK Lane", value);
    StoreText(ProgramConfig.m_OrvikBaseDirectoryName, value);
    TraceText("m_OrvikBaseDirectoryName", ProgramConfig.m_OrvikBaseDirectoryName);

    ReadPlain("OrvikAppsDirectoryName", "C:\\ORVIK Lane\\Applications", value);
    StoreText(ProgramConfig.m_OrvikAppsDirectoryName, value);
    TraceText("m_OrvikAppsDirectoryName", ProgramConfig.m_OrvikAppsDirectoryName);
}

void LoadRegionalSettings()
{
    char value[READ_SIZE];
    ReadPlain("CountryCode", "USA", value);
    if (!CountryCodeOf(value, &ProgramConfig.m_CountryCode)) {
        TRACE(ERROR_LEVEL, MODULE_CONFIG,
              "Invalid Setting for Country Code, ( '%s' )'.\n*** Program Exiting ***", value);
        EndProcess();
    }
    TraceTextAndCode("m_CountryCode", value, ProgramConfig.m_CountryCode);

    ReadPlain("WeightMeasure", "ENGLISH", value);
    if (!WeightMeasureOf(value, &ProgramConfig.m_WeightMeasure)) {
        TRACE(ERROR_LEVEL, MODULE_CONFIG,
              "Invalid Setting for Weight Measure, ( '%s' )'.\n*** Program Exiting ***", value);
        EndProcess();
    }
    TraceTextAndCode("m_WeightMeasure", value, ProgramConfig.m_WeightMeasure);

    ReadPlain("CurrencySymbol", "USD", value);
    if (!CurrencySymbolOf(value, &ProgramConfig.m_CurrencySymbol)) {
        TRACE(ERROR_LEVEL, MODULE_CONFIG,
              "Invalid Setting for Currency Symbol, ( '%s' )'.\n*** Program Exiting ***", value);
        EndProcess();
    }
    StoreText(ProgramConfig.m_CurrencySymbolText, CurrencySymbolText(ProgramConfig.m_CurrencySymbol));
    TraceTextAndCode("m_CurrencySymbol", value, ProgramConfig.m_CurrencySymbol);
}

void LoadSecurityModuleType()
{
    char value[READ_SIZE];
    if (!ReadLaneRegistryValue("SecurityModuleType", value, sizeof value)) {
        TRACE(TL_WARNING, MODULE_CONFIG,
              "No Registry Entry for Security Module Type, Default = USB Board...");
        CopyText(value, sizeof value, "ORBA_SECURITY_MODULE");
    }
    if (!SecurityModuleTypeOf(value, &ProgramConfig.m_SecurityModuleType)) {
        TRACE(ERROR_LEVEL, MODULE_CONFIG,
              "Invalid Setting for Security Module Type, ( '%s' )'.\n*** Program Exiting ***", value);
        EndProcess();
    }
    TRACE(TL_WARNING, MODULE_CONFIG, "Config: %-60s : %s ( %d )", "m_SecurityModuleType", value,
          ProgramConfig.m_SecurityModuleType);
}

void LoadLaneType()
{
    char value[READ_SIZE];
    ReadMarked("LaneType", "FULL-LANE", value);
    if (!LaneTypeOf(value, &ProgramConfig.m_LaneType)) {
        TRACE(ERROR_LEVEL, MODULE_CONFIG,
              "System Lane Type Not Configured Properly for Installation\n*** Program Exiting ***");
        EndProcess();
    }
    TraceCodeAndText("m_LaneType", ProgramConfig.m_LaneType, value);
}

void LoadOperatingMode()
{
    char value[READ_SIZE];
    ReadMarked("SystemOperatingMode", "SMODE_SUSPEND", value);
    if (!OperatingModeOf(value, &ProgramConfig.m_SystemOperationMode)) {
        TRACE(ERROR_LEVEL, MODULE_CONFIG,
              "SystemOperatingMode Not Configured Properly for Installation\n*** Program Exiting ***");
        EndProcess();
    }
    TraceCodeAndText("m_SystemOperationMode", ProgramConfig.m_SystemOperationMode, value);
}

void LoadScannerSettings()
{
    char value[READ_SIZE];
    ReadMarked("ScannerScale_Type", "NCR_7870", value);
    if (!ScannerScaleTypeOf(value, &ProgramConfig.m_ScannerScaleType)) {
        TRACE(ERROR_LEVEL, MODULE_CONFIG,
              "Invalid Configuration Setting: m_ScannerScaleType.\n*** Program Exiting ***");
        EndProcess();
    }
    TraceCodeAndText("m_ScannerScaleType", ProgramConfig.m_ScannerScaleType, value);

    ReadMarked("HandScanner_Type", "None", value);
    if (!HandScannerTypeOf(value, &ProgramConfig.m_HandScannerType)) {
        TRACE(ERROR_LEVEL, MODULE_CONFIG,
              "Invalid Hand Scanner Type in configuration file.\n*** Program Exiting ***");
        EndProcess();
    }
    TraceCodeAndText("m_HandScannerType", ProgramConfig.m_HandScannerType, value);

    int port = ReadMarkedNumber("HandScanner_Port", "2");
    if (port != 2 && port != 4) {
        TRACE(ERROR_LEVEL, MODULE_CONFIG,
              "Invalid Hand Scanner Port in configuration file.\n*** Program Exiting ***");
        EndProcess();
    }
    ProgramConfig.m_HandScannerPort = port;
    TraceNumber("m_HandScannerPort", ProgramConfig.m_HandScannerPort);
}

void LoadLaneIdentity()
{
    char value[READ_SIZE];
    ReadPlain("PointOfSaleInterface", "UNKNOWN", value);
    StoreText(ProgramConfig.m_PointOfSaleInterface, value);
    TraceText("m_PointOfSaleInterface", ProgramConfig.m_PointOfSaleInterface);

    ProgramConfig.m_EnableSecurityModuleThroughputTesting = ReadBannerBool(
        ProgramConfig.m_SystemOperationMode, "EnableSecurityModuleThroughputTesting", false);

    ReadMarked("ComputerName", "<< Not Availiable>>", value);
    StoreText(ProgramConfig.m_ConfigComputerName, value);
    TraceText("m_ConfigComputerName", ProgramConfig.m_ConfigComputerName);

    ProgramConfig.m_OrvikLaneNumber = ReadMarkedNumber("OrvikLaneNumber", "0");
    TraceNumber("m_OrvikLaneNumber", ProgramConfig.m_OrvikLaneNumber);
    ProgramConfig.m_PosTerminalNumber = ReadMarkedNumber("PosTerminalNumber", "0");
    TraceNumber("m_PosTerminalNumber", ProgramConfig.m_PosTerminalNumber);

    ReadPlain("StoreChain", "Not Configured", value);
    StoreText(ProgramConfig.m_StoreChain, value);
    TraceText("m_StoreChain", ProgramConfig.m_StoreChain);

    ProgramConfig.m_StoreNumber = ReadMarkedNumber("StoreNumber", "0");
    TraceNumber("m_StoreNumber", ProgramConfig.m_StoreNumber);

    ReadPlain("OrvikSoftwareDistDirectoryName", "C:\\Software Distribution", value);
    StoreText(ProgramConfig.m_OrvikSoftwareDistDirectoryName, value);
    TraceText("m_OrvikSoftwareDistDirectoryName", ProgramConfig.m_OrvikSoftwareDistDirectoryName);
}

void LoadNetwork()
{
    char value[READ_SIZE];
    ReadMarked("Lane_IP_Address", "0.0.0.0", value);
    StoreText(ProgramConfig.m_LaneIPAddress, value);
    TraceText("m_LaneIPAddress", ProgramConfig.m_LaneIPAddress);

    ReadMarked("Lane_IP_Mask", "0.0.0.0", value);
    StoreText(ProgramConfig.m_LaneIPMask, value);
    TraceText("m_LaneIPMask", ProgramConfig.m_LaneIPMask);

    ReadMarked("Boss_IP_Address", "0.0.0.0", value);
    StoreText(ProgramConfig.m_BossIPAddress, value);
    TraceText("m_BossIPAddress", ProgramConfig.m_BossIPAddress);

    ProgramConfig.m_BossIPPort = ReadMarkedNumber("Boss_IP_Port", "4000");
    TraceNumber("m_BossIPPort", ProgramConfig.m_BossIPPort);

    ProgramConfig.m_TCPWatchDogTimeout = ReadLayeredNumber("TCPWatchdogTimeout", 10);
    TraceNumber("m_TCPWatchDogTimeout", ProgramConfig.m_TCPWatchDogTimeout);

    char layered[LAYER_READ_SIZE];
    ReadLayered("ODBC_SecurityDatabaseName", "LaneSec", layered);
    StoreText(ProgramConfig.m_ODBC_SecurityDatabaseName, layered);
    TraceText("m_ODBC_SecurityDatabaseName", ProgramConfig.m_ODBC_SecurityDatabaseName);
}

void LoadSwitches()
{
    ProgramConfiguration& c = ProgramConfig;
    c.m_ResetLaneManager = ReadBannerBool(ProgramConfig.m_SystemOperationMode, "ResetLaneManager", true);
    c.m_ScannerScaleAvailable =
        ReadBannerBool(ProgramConfig.m_SystemOperationMode, "ScannerScaleAvailable", true);
    c.m_EnableProgramTestButtons =
        ReadBannerBool(ProgramConfig.m_SystemOperationMode, "EnableProgramTestButtons", false);
    c.m_SimulateNewItemsForBossTesting =
        ReadBannerBool(ProgramConfig.m_SystemOperationMode, "SimulateNewItemsForBossTesting", false);
    if (c.m_SimulateNewItemsForBossTesting && !c.m_EnableProgramTestButtons) {
        TRACE(ERROR_LEVEL, MODULE_CONFIG,
              "Invalid Setting for SimulateNewItemsForBossTesting in Config File");
        EndProcess();
    }
    c.m_SecurityModuleAvailable =
        ReadBannerBool(ProgramConfig.m_SystemOperationMode, "SecurityModuleAvailable", true);
    c.m_EnableProtocolAnalyzerTrigger =
        ReadBannerBool(ProgramConfig.m_SystemOperationMode, "EnableProtocolAnalyzerTrigger", false);
    c.m_SimulateSigCapture =
        ReadBannerBool(ProgramConfig.m_SystemOperationMode, "SimulateSigCapture", false);
    c.m_SimulateCouponBox =
        ReadBannerBool(ProgramConfig.m_SystemOperationMode, "SimulateCouponBox", false);
    c.m_SimulateCashMachine =
        ReadBannerBool(ProgramConfig.m_SystemOperationMode, "SimulateCashMachine", false);
    c.m_ForceCaptureToLocalHardDisk =
        ReadBannerBool(ProgramConfig.m_SystemOperationMode, "ForceCaptureToLocalHardDisk", false);
    // Magellan scanner scales sleep until they are woken.
    bool magellan = c.m_ScannerScaleType == SCANNER_SCALE_MAGELLAN ||
                    c.m_ScannerScaleType == SCANNER_SCALE_MAGELLAN_DUAL_CABLE ||
                    c.m_ScannerScaleType == SCANNER_SCALE_MAGELLAN_SCANNER_ONLY;
    c.m_ScannerScale_SendWakeUp =
        ReadBannerBool(ProgramConfig.m_SystemOperationMode, "ScannerScale_SendWakeUp", magellan);
    c.m_ExpandTypeEToTypeA =
        ReadBannerBool(ProgramConfig.m_SystemOperationMode, "ExpandTypeEToTypeA", false);
}

void LoadCaptureLevels()
{
    ProgramConfig.m_Capture_Logging_Level = ReadLayeredNumber("Capture_Logging_Level", 2);
    TraceCaptureLevel("m_Capture_Logging_Level", ProgramConfig.m_Capture_Logging_Level);
    ProgramConfig.m_Capture_Display_Level = ReadLayeredNumber("Capture_Display_Level", 2);
    TraceCaptureLevel("m_Capture_Display_Level", ProgramConfig.m_Capture_Display_Level);
}

void LoadSpawnPrograms()
{
    char value[LAYER_READ_SIZE];
    ReadLayered("SpawnProgram_Directory", ProgramConfig.m_OrvikAppsDirectoryName, value);
    StoreText(ProgramConfig.m_SpawnProgram_Directory, value);
    TraceText("SpawnProgram_Directory", ProgramConfig.m_SpawnProgram_Directory);

    char shutdown[sizeof ProgramConfig.m_OrvikAppsDirectoryName + 16];
    std::snprintf(shutdown, sizeof shutdown, "%s\\Shutdown.exe", ProgramConfig.m_OrvikAppsDirectoryName);
    ReadLayered("SpawnProgram_ShutDown", shutdown, value);
    StoreText(ProgramConfig.m_SpawnProgram_ShutDown, value);
    TraceText("SpawnProgram_ShutDown", ProgramConfig.m_SpawnProgram_ShutDown);

    ReadLayered("SpawnProgram_Calibrate", "C:\\WinNT\\System32\\elocal32.exe", value);
    StoreText(ProgramConfig.m_SpawnProgram_Calibrate, value);
    TraceText("SpawnProgram_Calibrate", ProgramConfig.m_SpawnProgram_Calibrate);
}

bool InRange(int value, int low, int high) { return value >= low && value <= high; }

// The power event handling times; any rule broken ends the process.
void LoadPowerEventHandling()
{
    int down = ReadLayeredNumber("PEH_PowerDownTime", PEH_DOWN_DEFAULT);
    if (!InRange(down, 5, 60)) {
        TRACE(TL_WARNING, MODULE_CONFIG,
              "Invalid Setting for Configuration field : PEH_PowerDownTime Value: %d", down);
        EndProcess();
    }
    ProgramConfig.m_PEH_PowerDownTime = down;
    TraceNumber("PEH_PowerDownTime", down);

    int recovery = ReadLayeredNumber("PEH_RecoveryTime", PEH_RECOVERY_DEFAULT);
    if (!InRange(recovery, 5, 60)) {
        TRACE(TL_WARNING, MODULE_CONFIG,
              "Invalid Setting for Configuration field : PEH_RecoveryTime Value: %d", recovery);
        TRACE(TL_WARNING, MODULE_CONFIG,
              "Using Default Setting for Configuration field : PEH_RecoveryTime Value: %d",
              static_cast<int>(PEH_RECOVERY_DEFAULT));
        EndProcess();
    }
    ProgramConfig.m_PEH_RecoveryTime = recovery;
    TraceNumber("PEH_RecoveryTime", recovery);

    int alternating = ReadLayeredNumber("PEH_PowerAlternating", PEH_ALTERNATING_DEFAULT);
    if (!InRange(alternating, 10, 120)) {
        TRACE(TL_WARNING, MODULE_CONFIG,
              "Invalid Setting for Configuration field : PEH_PowerAlternating Value: %d", alternating);
        TRACE(TL_WARNING, MODULE_CONFIG,
              "Using Default Setting for Configuration field : PEH_PowerAlternating Value: %d",
              static_cast<int>(PEH_ALTERNATING_DEFAULT));
        EndProcess();
    }
    if (alternating < 2 * down || alternating < 2 * recovery) {
        TRACE(TL_WARNING, MODULE_CONFIG,
              "Adjusting Setting for Configuration field : PEH_PowerAlternating Value: %d",
              static_cast<int>(PEH_ALTERNATING_DEFAULT));
        EndProcess();
    }
    ProgramConfig.m_PEH_PowerAlternating = alternating;
    TraceNumber("PEH_PowerAlternating", alternating);
}

void LoadProgramConfig()
{
    TRACE(TL_DETAIL, MODULE_CONFIG, "Loading Program Config Variables...");
    LoadMachineName();
    ReadSectionList(LANE_CONFIG_FILE);
    LoadDirectories();
    LoadRegionalSettings();
    // Read before the operating mode, so from the suspend section.
    ProgramConfig.m_DisableForceLaneApplicationToFrontOfScreen = ReadBannerBool(
        ProgramConfig.m_SystemOperationMode, "DisableForceLaneApplicationToFrontOfScreen", false);
    LoadSecurityModuleType();
    LoadLaneType();
    ReadSectionList(CHAIN_CONFIG_FILE);
    LoadOperatingMode();
    LoadScannerSettings();
    LoadLaneIdentity();
    LoadNetwork();
    LoadSwitches();
    LoadCaptureLevels();
    LoadSpawnPrograms();
    LoadPowerEventHandling();
    TRACE(TL_DETAIL, MODULE_CONFIG, "-- Done loading program configuration variables. --");
}

}  // namespace

void AccessProgramConfig()
{
    if (callCount.fetch_add(1) == 0) {
        loadingThread.store(Plat_CurrentThreadId());
        ProgramConfig.m_SpawnProgram_Directory[0] = '\0';
        ProgramConfig.m_SpawnProgram_ShutDown[0] = '\0';
        ProgramConfig.m_SpawnProgram_Calibrate[0] = '\0';
        void (*hook)() = loadHook.load();
        if (hook != nullptr) hook();
        LoadProgramConfig();
        loaded.store(true);
        return;
    }
    // The loader's own traces come back here and must not wait for themselves.
    while (!loaded.load()) {
        if (loadingThread.load() == Plat_CurrentThreadId()) return;
        Plat_Sleep(100);
    }
}

void ProgramConfigSetLoadHookForTests(void (*hook)()) { loadHook.store(hook); }

void ProgramConfigUseDefaultsForTests()
{
    callCount.fetch_add(1);
    loaded.store(true);
}
