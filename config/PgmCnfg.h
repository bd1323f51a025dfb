// The lane's program configuration, loaded once and validated.
#ifndef CONFIG_PGMCNFG_H
#define CONFIG_PGMCNFG_H

struct ProgramConfiguration {
    int m_SecurityModuleType;
    int m_SystemOperationMode;
    int m_ScannerScaleType;
    int m_Capture_Logging_Level;
    int m_Capture_Display_Level;
};

extern ProgramConfiguration ProgramConfig;

// Loads the configuration on the first call; later calls wait until it is
// loaded (the loading thread's own nested calls pass straight through).
void AccessProgramConfig();

#endif
