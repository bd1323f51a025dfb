#include "commands/SettingExchange.h"

#include "config/PgmCnfg.h"
#include "link/securitymodule_commands.h"
#include "trace/Trace.h"

namespace {

const int SHOWN = TL_INFO | TF_CONSOLE;

}  // namespace

int SettingExchange(const SettingRequest& request, int value, ModulePacket* answer)
{
    uint8_t arguments[4];
    int count = 0;
    for (const char* a = request.arguments; *a != '\0' && count < 3; ++a)
        arguments[count++] = static_cast<uint8_t>(*a);
    if (request.traceLine != nullptr) TRACE(TL_INFO, MODULE_COMMANDS, "%s", request.traceLine);
    if (value != NO_VALUE) {
        TRACE(TL_INFO, MODULE_COMMANDS, "Value = %c", value);
        arguments[count++] = static_cast<uint8_t>(value);
    }
    return ShownExchange(request.letter, request.subCommand, arguments, count, request.waitCount,
                         {request.notSent, request.noAnswer, request.tooMany}, answer);
}

int SendSettingValue(char letter, char subCommand, uint8_t value, const char* notSent)
{
    if (SendModuleRequest(letter, subCommand, &value, 1) == 0) return 0;
    TRACE(SHOWN, MODULE_COMMANDS, "%s", notSent);
    return EXCHANGE_SEND_FAILED;
}

bool StartSettingCommand(const char* notUsb, const char* const* bannerLines, int lineCount)
{
    AccessProgramConfig();
    if (ProgramConfig.m_SecurityModuleType != SECURITY_MODULE_USB) {
        TRACE(SHOWN, MODULE_COMMANDS, "%s", notUsb);
        return false;
    }
    for (int i = 0; i < lineCount; ++i) TRACE(SHOWN, MODULE_COMMANDS, "%s", bannerLines[i]);
    return true;
}

bool FirmwareVersionAtLeast(unsigned versionNumber)
{
    return static_cast<unsigned>(SecurityModuleVersionNumber) >= versionNumber;
}
