#include "frame/MenuScreen.h"

#include "commands/Command_SecurityModuleUpload.h"
#include "config/PgmCnfg.h"
#include "base/ProgramOptions.h"
#include "link/securitymodule_commands.h"
#include "platform/Platform.h"
#include "trace/Trace.h"

#include <cctype>

namespace {

enum { USB_SECURITY_MODULE = 200 };

}  // namespace

char ReadMenuKeyAlways()
{
    const char key = static_cast<char>(std::toupper(Plat_GetKey() & 0xFF));
    TRACE(TL_INFO | TF_CONSOLE, MODULE_COMMANDS, "%c", key);
    MenuEmptyLine();
    return key;
}

char ReadMenuKey()
{
    if (!g_ProgramOptions.m_AcknowledgeResults) return 'X';
    return ReadMenuKeyAlways();
}

void MenuEmptyLine() { TRACE(TL_INFO | TF_CONSOLE, MODULE_COMMANDS, "%s", ""); }

void MenuPrompt() { TRACE(TL_INFO | TF_INLINE, MODULE_COMMANDS, "Enter Command:"); }

void RunUploadFirmwareItem()
{
    AccessProgramConfig();
    if (ProgramConfig.m_SecurityModuleType == USB_SECURITY_MODULE) SecurityModuleUpload();
    PressAnyKeyToContinue();
}
