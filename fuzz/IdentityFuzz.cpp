// The board's identity replies (firmware version, checksum, model, serial
// number): the start-up runs "HardwareVersionRequest" against a board whose
// answers come from the input. The run ends with a status the start-up may
// give, and the report file holds the report's own section and keys only,
// each with a value the board sent, whatever bytes the board put in them.
#include "frame/MainSequence.h"
#include "base/ProgramOptions.h"
#include "base/Variant.h"
#include "fuzz/FuzzBoard.h"
#include "fuzz/FuzzSupport.h"
#include "link/securitymodule_commands.h"
#include "platform/Platform.h"

#include <cstring>
#include <string>

namespace {

const char REPORT_FILE[] = "c:\\FirmwareUpdate\\Versions.Ini";
const char SECTION[] = "HardwareVersions";
const char KEY_PREFIX[] = "ScanningController_";

void ForgetIdentity()
{
    SecurityModuleVersion[0] = '\0';
    SecurityModuleVersionNumber = 0;
    SecurityModuleChecksum[0] = '\0';
    SecurityModuleChecksumStatus = '1';
    SecurityModuleModel[0] = '\0';
    SecurityModuleSerialNumber[0] = '\0';
}

// Every line is the section's head or one of the report's keys.
void CheckReportLines(const std::string& text)
{
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const bool head = line == std::string("[") + SECTION + "]";
        const bool key = line.compare(0, sizeof KEY_PREFIX - 1, KEY_PREFIX) == 0;
        if (!line.empty() && !head && !key) fuzzsupport::Fail("report file holds a line of its own");
        start = end + 1;
    }
}

// A key reads back as nothing or as part of what was written.
void CheckReportValue(const char* key, const char* written)
{
    char value[256];
    const std::string name = std::string(KEY_PREFIX) + key;
    Plat_GetProfileString(SECTION, name.c_str(), "", value, sizeof value, REPORT_FILE);
    if (std::strstr(written, value) == nullptr) fuzzsupport::Fail("report value not the board's");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzboard::Start(data, size, "");
    const std::string reportPath = fuzzsupport::Scratch() + "/drive_c/FirmwareUpdate/Versions.Ini";
    fuzzsupport::WriteFile(reportPath, nullptr, 0);
    ForgetIdentity();
    ResetProgramOptions();
    g_ProgramOptions.m_AutomatedMode = true;
    g_ProgramOptions.m_CommandName = "HardwareVersionRequest";
    g_ProgramOptions.m_HardwareVersionFile = REPORT_FILE;

    const int status = RunMainSequence();
    if (status != 0 && status != g_Variant.exitVersion && status != g_Variant.exitChecksum &&
        status != g_Variant.exitModel)
        fuzzsupport::Fail("exit status the start-up does not give");
    const std::string report = fuzzboard::ReadFile(reportPath);
    if (status != 0 && !report.empty()) fuzzsupport::Fail("report written after a failed start-up");
    CheckReportLines(report);
    CheckReportValue("Version", SecurityModuleVersion);
    CheckReportValue("SerialNumber", SecurityModuleSerialNumber);
    return 0;
}
