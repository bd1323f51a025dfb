#include "commands/Command_HardwareVersionRequest.h"

#include "base/ProgramOptions.h"
#include "base/Variant.h"
#include "link/securitymodule_commands.h"
#include "platform/Platform.h"
#include "trace/Trace.h"

namespace {

const int SHOWN = TL_INFO | TF_CONSOLE;
const char SECTION[] = "HardwareVersions";

// The attributes of a file the report may write into: a plain file, with or
// without the archive mark, and nothing else (not read-only, not hidden).
const long FILE_ATTRIBUTE_ARCHIVE = 0x20;
const long FILE_ATTRIBUTE_NORMAL = 0x80;

// Each board's firmware numbers; another board's firmware means the
// report would describe the wrong unit.
struct ReportVariant {
    int firstVersion;
    int lastVersion;
    const char* keyPrefix;
    const char* description;
};

const ReportVariant suReport = {500, 599, "ScanningController_", "Scanning Unit"};
const ReportVariant cuReport = {600, 699, "ConveyorController_", "Conveyor Unit"};

const char* ReportFile()
{
    return g_ProgramOptions.m_HardwareVersionFile != nullptr ? g_ProgramOptions.m_HardwareVersionFile
                                                             : "";
}

}  // namespace

int WriteHardwareVersionKey(const std::string& key, const std::string& value)
{
    if (value.empty()) return 0;
    if (Plat_WriteProfileString(SECTION, key.c_str(), value.c_str(), ReportFile())) return 0;
    // The script only sees the exit status, which stays 0; the technician
    // and the capture file must learn that the report is incomplete.
    TRACE(SHOWN, MODULE_COMMANDS, "ERROR 13: Writing %s to Config File %s Failed.", key.c_str(),
          ReportFile());
    return 1;
}

void WriteHardwareVersionReport()
{
    const char* file = ReportFile();
    const long attributes = Plat_GetFileAttributes(file);
    if (attributes != FILE_ATTRIBUTE_NORMAL && attributes != FILE_ATTRIBUTE_ARCHIVE) {
        TRACE(SHOWN, MODULE_COMMANDS, "Error %d with Config File %s", static_cast<int>(attributes),
              file);
        return;
    }
    const ReportVariant& report = IsCuUtility() ? cuReport : suReport;
    if (SecurityModuleVersionNumber < report.firstVersion ||
        SecurityModuleVersionNumber > report.lastVersion)
        return;

    const std::string prefix = report.keyPrefix;
    // Every key is tried, whatever became of the one before.
    WriteHardwareVersionKey(prefix + "Description", report.description);
    WriteHardwareVersionKey(prefix + "Manufacturer", "VAV");
    WriteHardwareVersionKey(prefix + "Type", "USB");
    WriteHardwareVersionKey(prefix + "Version", SecurityModuleVersion);
    WriteHardwareVersionKey(prefix + "SerialNumber", SecurityModuleSerialNumber);
}
