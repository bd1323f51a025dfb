// The values the command line sets; written only while it is parsed.
#ifndef BASE_PROGRAMOPTIONS_H
#define BASE_PROGRAMOPTIONS_H

#include <cstdint>

struct ProgramOptions {
    bool m_ConsoleDisplay;
    bool m_AcknowledgeResults;
    bool m_AutomatedMode;
    const char* m_CommandName;
    int m_SettingValue;
    int m_CurtainBreakWindow;
    // False when "-SetCurtainBreakWindow" came without a readable number.
    bool m_CurtainBreakWindowGiven;
    const char* m_InputFile;
    const char* m_HardwareVersionFile;
    bool m_AutoUpdate;
    bool m_InternalFileChecksumCheck;
    const char* m_CreateSuccFile;
    const char* m_OutputFile;
    uint32_t m_InputFileChecksum;
    uint32_t m_UpLoadChecksum;
    char m_TargetType;
    int m_MinSecurityModuleVersion;
    // "-FastLink": an automated command takes each reply as it arrives.
    bool m_FastLink;
};

extern ProgramOptions g_ProgramOptions;

// Puts every field back to its initial value (start of a run, and tests).
void ResetProgramOptions();

#endif
