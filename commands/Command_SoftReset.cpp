// Soft reset of the board from the Test menu.
#include "commands/Command_ModuleService.h"

#include "link/Port6Session.h"
#include "link/securitymodule_commands.h"
#include "trace/Trace.h"

namespace {

const int SHOWN = TL_INFO | TF_CONSOLE;
const int SOFT_RESET_WAIT_COUNT = 10;

}  // namespace

// After a failure port 6 stays open; the next command opens it again.
void SoftReset()
{
    Port6Session port6;
    if (!port6.IsOpen()) return;
    port6.LeaveOpen();
    TRACE(TL_INFO, MODULE_COMMANDS, "Sending Soft Reset");
    static const RequestFailureTexts failures = {"ERROR 11: Writing Security Module Soft Reset",
                                                 "ERROR 10: Security Module Soft Reset Timeout",
                                                 "ERROR 12: Get Security Module Soft Reset"};
    ModulePacket reply;
    if (ShownExchange('Z', '3', nullptr, 0, SOFT_RESET_WAIT_COUNT, failures, &reply) != EXCHANGE_OK)
        return;
    port6.Close();
    TRACE(SHOWN, MODULE_COMMANDS, "Reset Complete");
}
