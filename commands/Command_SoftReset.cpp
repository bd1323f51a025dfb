// Soft reset of the board from the Test menu.
#include "commands/Command_ModuleService.h"

#include "link/securitymodule_commands.h"
#include "trace/Trace.h"

namespace {

const int SHOWN = TL_INFO | TF_CONSOLE;
const int SOFT_RESET_WAIT_COUNT = 10;

}  // namespace

// After a failure port 6 stays open; the next command opens it again.
void SoftReset()
{
    if (OpenSecurityModulePort6() != 0) {
        TRACE(SHOWN, MODULE_COMMANDS, "ERROR 1B: Can not open port 6.");
        return;
    }
    TRACE(TL_INFO, MODULE_COMMANDS, "Sending Soft Reset");
    ModulePacket reply;
    switch (StandardExchange('Z', '3', nullptr, 0, SOFT_RESET_WAIT_COUNT, &reply)) {
    case EXCHANGE_OK:
        CloseSecurityModulePort6();
        TRACE(SHOWN, MODULE_COMMANDS, "Reset Complete");
        return;
    case EXCHANGE_SEND_FAILED:
        TRACE(SHOWN, MODULE_COMMANDS, "ERROR 11: Writing Security Module Soft Reset");
        return;
    case EXCHANGE_NO_REPLY:
        TRACE(SHOWN, MODULE_COMMANDS, "ERROR 10: Security Module Soft Reset Timeout");
        return;
    default: TRACE(SHOWN, MODULE_COMMANDS, "ERROR 12: Get Security Module Soft Reset"); return;
    }
}
