// The conveyor safety switches and the curtain break window.
#include "commands/Command_SetSensors.h"

#include "commands/SettingExchange.h"
#include "base/ProgramOptions.h"
#include "link/Port6Session.h"
#include "link/securitymodule_commands.h"
#include "trace/Trace.h"

namespace {

const int SHOWN = TL_INFO | TF_CONSOLE;
const int SETTING_WAIT_COUNT = 10;

const unsigned SAFETY_SWITCH_VERSION = 335;
const unsigned CURTAIN_BREAK_WINDOW_VERSION = 336;
// From this version the board takes 0, 1 and 2 for the safety switches;
// before it, E and D.
const unsigned SAFETY_SWITCH_TYPES_VERSION = 405;

const SettingRequest safetySwitchStatus = {
    'Z',
    'C',
    "?",
    SETTING_WAIT_COUNT,
    "Requesting Security Module Safety Switch Status",
    "ERROR 11: Get Security Module Switch Status Failed.",
    "ERROR 10: Get Security Module Safety Switch Failed.",
    "ERROR 12: Get Security Module Switch Status Failed.",
};

const SettingRequest safetySwitchSet = {
    'Z',
    'C',
    "",
    SETTING_WAIT_COUNT,
    "Setting Security Module Safety Switch",
    "ERROR 11: Writing Security Module Switch Status Failed.",
    "ERROR 10: Get Security Module Safety Switch Failed.",
    "ERROR 12: Get Security Module Switch Status Failed.",
};

const SettingRequest curtainBreakWindowStatus = {
    'A',
    '5',
    "",
    SETTING_WAIT_COUNT,
    "Requesting Security Module Curtain Break Window",
    "ERROR 11: Get Security Module Curtain Break Window Failed.",
    "ERROR 10: Get Security Module Curtain Break Window Failed.",
    "ERROR 12: Get Security Module Curtain Break Window Failed.",
};

const char* const curtainBreakWindowNotSet =
    "ERROR 11: Writing Security Module Curtain Break Window Failed.";

void ShowSafetySwitchStatus(uint8_t status)
{
    if (status == '1' || status == 'E')
        TRACE(SHOWN, MODULE_COMMANDS, "Current Status of Conveyor Safety Switch is Enabled Type 1");
    else if (status == '2')
        TRACE(SHOWN, MODULE_COMMANDS, "Current Status of Conveyor Safety Switch is Enabled Type 2");
    else
        TRACE(SHOWN, MODULE_COMMANDS, "Current Status of Conveyor Safety Switch is Disabled");
}

// Older firmware knows enabled and disabled only, so type 2 goes out as D.
uint8_t SafetySwitchValueByte(int setting)
{
    if (!FirmwareVersionAtLeast(SAFETY_SWITCH_TYPES_VERSION)) return setting == 1 ? 'E' : 'D';
    if (setting == 2) return '2';
    return setting == 1 ? '1' : '0';
}

// Shows the window in force; 0 or the exchange's failure.
int ShowCurtainBreakWindow()
{
    ModulePacket answer;
    const int result = SettingExchange(curtainBreakWindowStatus, NO_VALUE, &answer);
    if (result != 0) return result;
    TRACE(SHOWN, MODULE_COMMANDS, "%s", "");
    TRACE(SHOWN, MODULE_COMMANDS, "Current Curtain Break Window Value:%d", answer.data[2]);
    TRACE(SHOWN, MODULE_COMMANDS, "%s", "");
    return 0;
}

}  // namespace

void SetSafetySwitch()
{
    static const char* const banner[] = {
        "", "**** USB Security Module Set Conveyor Safety Switches ****", ""};
    if (!StartSettingCommand("ERROR 1D: System is not USB!", banner, 3)) return;
    Port6Session port6;
    if (!port6.IsOpen()) return;
    if (!FirmwareVersionAtLeast(SAFETY_SWITCH_VERSION)) {
        TRACE(SHOWN, MODULE_COMMANDS, "ERROR 1E: Security Module Version Must be >= 3.35");
        port6.LeaveOpen();
        return;
    }
    ModulePacket answer;
    if (SettingExchange(safetySwitchStatus, NO_VALUE, &answer) != 0) return;
    ShowSafetySwitchStatus(answer.data[2]);
    const uint8_t value = SafetySwitchValueByte(g_ProgramOptions.m_SettingValue);
    if (SettingExchange(safetySwitchSet, value, &answer) == 0) {
        TRACE(SHOWN, MODULE_COMMANDS, "%s", "");
        ShowSafetySwitchStatus(answer.data[2]);
    }
}

void SetCurtainBreakWindow()
{
    static const char* const banner[] = {"", "**** USB Security Module Set Curtain Break Window ****",
                                         ""};
    if (!StartSettingCommand("ERROR 1D: System is not USB!", banner, 3)) return;
    Port6Session port6;
    if (!port6.IsOpen()) return;
    if (!FirmwareVersionAtLeast(CURTAIN_BREAK_WINDOW_VERSION)) {
        TRACE(SHOWN, MODULE_COMMANDS, "ERROR 1E: Security Module Version Must be >= 3.36");
        port6.LeaveOpen();
        return;
    }
    if (ShowCurtainBreakWindow() != 0) {
        TRACE(SHOWN, MODULE_COMMANDS, "ERROR 13: USB Secureity Module.");
        return;
    }
    // Without a number there is nothing to set: sending 0 would quietly put
    // the board back to its default window.
    if (!g_ProgramOptions.m_CurtainBreakWindowGiven) {
        TRACE(SHOWN, MODULE_COMMANDS,
              "ERROR 13: No Curtain Break Window value given, the window is not changed.");
        return;
    }
    const int window = g_ProgramOptions.m_CurtainBreakWindow;
    TRACE(TL_INFO, MODULE_COMMANDS, "Setting Security Module Curtain Break Window");
    TRACE(TL_INFO, MODULE_COMMANDS, "Value = %d", window);
    SendSettingValue('A', '4', static_cast<uint8_t>(window & 0xFF), curtainBreakWindowNotSet);
    ShowCurtainBreakWindow();
}
