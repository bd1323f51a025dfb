// The flatpack sensor: the command of both deliverables and cu_utility's own
// step.
#include "commands/Command_SetSensors.h"

#include "commands/SettingExchange.h"
#include "base/ProgramOptions.h"
#include "base/Variant.h"
#include "link/Port6Session.h"
#include "link/securitymodule_commands.h"
#include "platform/Platform.h"
#include "trace/Trace.h"

namespace {

const int SHOWN = TL_INFO | TF_CONSOLE;
const int INLINE = TL_INFO | TF_INLINE;
const unsigned FLATPACK_VERSION = 336;

const SettingRequest flatpackStatus = {
    'Z',
    'F',
    "?",
    10,
    "Requesting Security Module Flatpack Sensor Status",
    "ERROR 11: Get Security Module Flatpack Status Failed.",
    "ERROR 10: Get Security Module Flatpack status.",
    "ERROR 12: Get Security Module Flatpack Status Failed.",
};

const SettingRequest flatpackSet = {
    'Z',
    'F',
    "",
    20,
    "Setting Security Module Flatpack Sensor",
    "ERROR 11: Writing Security Module Flatpack Sensor Status Failed.",
    "ERROR 10: Get Security Module Flatpack status.",
    "ERROR 12: Get Security Module Flatpack Sensor Status Failed.",
};

const SettingRequest cuFlatpackQuery = {
    'A',
    '7',
    "?",
    20,
    nullptr,
    "ERROR 11: Writing Security Module Flatpack Sensor Status Failed.",
    "ERROR 10: Get Security Module Flatpack status.",
    "ERROR 12: Get Security Module Flatpack Sensor Status Failed.",
};

const char* const cuFlatpackNotSet = "ERROR 11: Writing Security Module Flatpack Sensor Status Failed.";

void ShowFlatpackStatus(uint8_t status)
{
    if (status == '1')
        TRACE(SHOWN, MODULE_COMMANDS, "Current Status of Flatpack Sensor is Enabled");
    else
        TRACE(SHOWN, MODULE_COMMANDS, "Current Status of Flatpack Sensor is Disabled");
}

// The gate needs the version the board has now, not the one read at start.
// Too old a version leaves the port open.
bool AskFreshIdentity(Port6Session* port6)
{
    if (GetSecurityModuleVersion() != 0) {
        TRACE(SHOWN, MODULE_COMMANDS, "ERROR 13: USB Security Module.");
        return false;
    }
    TRACE(SHOWN, MODULE_COMMANDS, "Security Module Version %s", SecurityModuleVersion);
    if (!FirmwareVersionAtLeast(FLATPACK_VERSION)) {
        TRACE(SHOWN, MODULE_COMMANDS, "ERROR 1E: Security Module Version Must be >= 3.36");
        port6->LeaveOpen();
        return false;
    }
    if (GetSecurityModuleChecksum() != 0) {
        TRACE(SHOWN, MODULE_COMMANDS, "ERROR 13: USB Security Module.");
        return false;
    }
    TRACE(INLINE, MODULE_COMMANDS, "USB Security Module Checksum %s", SecurityModuleChecksum);
    TRACE(SHOWN, MODULE_COMMANDS, "%s", SecurityModuleChecksumStatus == '0' ? " PASSED!" : " FAILED!");
    return true;
}

// A script has nobody to press a key: the command line's choice stands.
uint8_t CuFlatpackChoiceFromCommandLine()
{
    if (g_ProgramOptions.m_SettingValue == 1) {
        TRACE(SHOWN, MODULE_COMMANDS, "Current Status of Flatpack Sensor is Enabled");
        return 'E';
    }
    TRACE(SHOWN, MODULE_COMMANDS, "Current Status of Flatpack Sensor is Disabled");
    return 'D';
}

uint8_t CuFlatpackChoiceFromKey()
{
    TRACE(INLINE, MODULE_COMMANDS, "Enter E to enable or D to Disable :");
    const int key = Plat_GetKey();
    if (key == 'E') {
        TRACE(SHOWN, MODULE_COMMANDS, "\n\nCurrent Status of Flatpack Sensor is Enabled");
        return 'E';
    }
    if (key == 'D') {
        TRACE(SHOWN, MODULE_COMMANDS, "\n\nCurrent Status of Flatpack Sensor is Disabled");
        return 'D';
    }
    return 'E';
}

}  // namespace

void CuFlatpackStep()
{
    TRACE(SHOWN, MODULE_COMMANDS, "CU Flatpack Sensor Enable/Disable");
    ModulePacket answer;
    // What the board has now is not known: change nothing.
    if (SettingExchange(cuFlatpackQuery, NO_VALUE, &answer) != 0) return;
    if (answer.data[2] == 'D')
        TRACE(SHOWN, MODULE_COMMANDS, "Current Setting: Flatpacks Disabled");
    else
        TRACE(SHOWN, MODULE_COMMANDS, "Current Setting: Flatpacks Enabled");
    const uint8_t value = g_ProgramOptions.m_AutomatedMode ? CuFlatpackChoiceFromCommandLine()
                                                           : CuFlatpackChoiceFromKey();
    SendSettingValue('A', '7', value, cuFlatpackNotSet);
}

void SetFlatpack()
{
    static const char* const banner[] = {"USB Security Module Set Flatpack Sensor Enable/Disable"};
    if (!StartSettingCommand("ERROR 1D: System is not USB.", banner, 1)) return;
    Port6Session port6;
    if (!port6.IsOpen()) return;
    if (!AskFreshIdentity(&port6)) return;
    ModulePacket answer;
    if (SettingExchange(flatpackStatus, NO_VALUE, &answer) != 0) return;
    ShowFlatpackStatus(answer.data[2]);
    if (IsCuUtility()) {
        CuFlatpackStep();
    } else {
        const uint8_t value = g_ProgramOptions.m_SettingValue == 1 ? '1' : '0';
        if (SettingExchange(flatpackSet, value, &answer) == 0) ShowFlatpackStatus(answer.data[2]);
    }
}
