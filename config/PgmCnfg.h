// The lane's program configuration, loaded once and validated.
#ifndef CONFIG_PGMCNFG_H
#define CONFIG_PGMCNFG_H

#include "config/ConfigCodes.h"

// Text fields hold their width in characters plus the terminator.
struct ProgramConfiguration {
    char m_MachineName[41];
    char m_OrvikBaseDirectoryName[132];
    char m_OrvikAppsDirectoryName[132];
    int m_CountryCode;
    int m_WeightMeasure;
    int m_CurrencySymbol;
    char m_CurrencySymbolText[16];
    bool m_DisableForceLaneApplicationToFrontOfScreen;
    int m_SecurityModuleType;
    int m_LaneType;
    int m_SystemOperationMode;
    int m_ScannerScaleType;
    int m_HandScannerType;
    int m_HandScannerPort;
    char m_PointOfSaleInterface[24];
    bool m_EnableSecurityModuleThroughputTesting;
    char m_ConfigComputerName[44];
    int m_OrvikLaneNumber;
    int m_PosTerminalNumber;
    char m_StoreChain[44];
    int m_StoreNumber;
    char m_OrvikSoftwareDistDirectoryName[129];
    char m_LaneIPAddress[16];
    char m_LaneIPMask[16];
    char m_BossIPAddress[16];
    int m_BossIPPort;
    int m_TCPWatchDogTimeout;
    char m_ODBC_SecurityDatabaseName[41];
    bool m_ResetLaneManager;
    bool m_ScannerScaleAvailable;
    bool m_EnableProgramTestButtons;
    bool m_SimulateNewItemsForBossTesting;
    bool m_SecurityModuleAvailable;
    bool m_EnableProtocolAnalyzerTrigger;
    bool m_SimulateSigCapture;
    bool m_SimulateCouponBox;
    bool m_SimulateCashMachine;
    bool m_ForceCaptureToLocalHardDisk;
    bool m_ScannerScale_SendWakeUp;
    bool m_ExpandTypeEToTypeA;
    int m_Capture_Logging_Level;
    int m_Capture_Display_Level;
    char m_SpawnProgram_Directory[129];
    char m_SpawnProgram_ShutDown[129];
    char m_SpawnProgram_Calibrate[129];
    int m_PEH_PowerDownTime;
    int m_PEH_RecoveryTime;
    int m_PEH_PowerAlternating;
};

extern ProgramConfiguration ProgramConfig;

// Loads the configuration on the first call; later calls wait until it is
// loaded (the loading thread's own nested calls pass straight through). An
// invalid setting ends the process with status 1.
void AccessProgramConfig();

// Makes trace take its thresholds from this record; true. Done while static
// objects are initialised, so before any line is traced.
bool RegisterTraceThresholds() noexcept;

#endif
