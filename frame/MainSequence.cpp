#include "frame/MainSequence.h"

#include "frame/Command_UserMenu.h"
#include "frame/CommandDispatch.h"
#include "base/ProgramOptions.h"
#include "base/Variant.h"
#include "link/securitymodule.h"
#include "link/securitymodule_commands.h"
#include "trace/Trace.h"

namespace {

// The version, the checksum and its verdict share one console line.
void ShowIdentity()
{
    TRACE(TL_INFO | TF_CONSOLE, MODULE_COMMANDS, "%s", "");
    TRACE(TL_INFO | TF_CONSOLE, MODULE_COMMANDS, "%s", "");
    TRACE(TL_INFO | TF_INLINE, MODULE_COMMANDS, "Firmware Version %s", SecurityModuleVersion);
    TRACE(TL_INFO | TF_INLINE, MODULE_COMMANDS, ", Checksum %s", SecurityModuleChecksum);
    TRACE(TL_INFO | TF_CONSOLE, MODULE_COMMANDS, "%s",
          SecurityModuleChecksumStatus == '0' ? " Passed!" : " Failed!");
    TRACE(TL_INFO | TF_CONSOLE, MODULE_COMMANDS, "Serial Number :%s\n", SecurityModuleSerialNumber);
}

// Reads the identity with port 6 open; 0 or the exit status of the failure.
int ReadIdentity()
{
    if (OpenSecurityModulePort6() != 0) return g_Variant.exitPort6Open;
    // A scale stream left running by an earlier run would bury the replies.
    SendScaleCommand('5');
    SendScaleCommand('8');
    FlushReceivedPackets();
    if (GetSecurityModuleVersion() != 0) return g_Variant.exitVersion;
    if (GetSecurityModuleChecksum() != 0) return g_Variant.exitChecksum;
    if (GetSecurityModuleModel() != 0) return g_Variant.exitModel;
    GetSerialNumber();
    if (CloseSecurityModulePort6() != 0) return g_Variant.exitPort6Close;
    return 0;
}

}  // namespace

int RunMainSequence()
{
    // A script may take its replies as they arrive, start-up included; the
    // menus keep their polls, whose live displays a person watches.
    SetFastLink(g_ProgramOptions.m_AutomatedMode && g_ProgramOptions.m_FastLink);
    TRACE(TL_INFO | TF_CONSOLE, MODULE_COMMANDS, "%s", g_Variant.banner);
    int status = ReadIdentity();
    if (status != 0) return status;
    ShowIdentity();
    if (!g_ProgramOptions.m_AutomatedMode) {
        RunMainMenu();
        return 0;
    }
    return CommandDispatch();
}
