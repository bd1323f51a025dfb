// The switched A/C power relay (su_utility's Test menu).
#include "commands/Command_SetSensors.h"

#include "commands/SettingExchange.h"
#include "base/ProgramOptions.h"
#include "link/Port6Session.h"
#include "link/securitymodule_commands.h"
#include "platform/Platform.h"
#include "trace/Trace.h"

#include <cctype>

namespace {

const int SHOWN = TL_INFO | TF_CONSOLE;
const int INLINE = TL_INFO | TF_INLINE;

const SettingRequest powerRelayStatus = {
    'R',
    '0',
    "",
    10,
    "Requesting Security Module Power Relay Status",
    "ERROR 11: Get Security Module Power Relay Status Failed.",
    "ERROR 10: Get Security Module Power Relay Status Failed.",
    "ERROR 12: Get Security Module Power Relay Status Failed.",
};

const char* const powerRelayNotSet = "ERROR 11: Writing Security Module power relay Status Failed.";

}  // namespace

void SetPowerRelay()
{
    static const char* const banner[] = {"", "**** USB Security Module Set Power Relay ****", ""};
    if (!StartSettingCommand("ERROR 1D: System is not USB!", banner, 3)) return;
    Port6Session port6;
    if (!port6.IsOpen()) return;
    ModulePacket answer;
    if (SettingExchange(powerRelayStatus, NO_VALUE, &answer) != 0) return;
    if (answer.data[2] == '1')
        TRACE(SHOWN, MODULE_COMMANDS, "Current Status of power relay is Enabled");
    else
        TRACE(SHOWN, MODULE_COMMANDS, "Current Status of power relay is Disabled");

    TRACE(SHOWN, MODULE_COMMANDS, "%s", "");
    TRACE(INLINE, MODULE_COMMANDS, "Enter E to Enable or D to Disable Power Relay :");
    char line[4];
    Plat_GetLine(line, sizeof line);
    TRACE(TL_INFO, MODULE_COMMANDS, "Entered Answer : %s", line);
    const int choice = std::toupper(static_cast<unsigned char>(line[0]));
    // Anything but E or D would send whatever value an earlier command left.
    if (choice != 'E' && choice != 'D') {
        TRACE(SHOWN, MODULE_COMMANDS, "No Change!");
        return;
    }
    // NOLINTNEXTLINE(bugprone-signed-char-misuse,cert-str34-c): ASCII digits, never negative
    g_ProgramOptions.m_SettingValue = choice == 'E' ? '1' : '0';
    TRACE(TL_INFO, MODULE_COMMANDS, "Setting Security Module Power Relay");
    TRACE(TL_INFO, MODULE_COMMANDS, "Value = %c", g_ProgramOptions.m_SettingValue);
    SendSettingValue('R', '1', static_cast<uint8_t>(g_ProgramOptions.m_SettingValue), powerRelayNotSet);
}
