#include "commands/SettingExchange.h"

#include "config/PgmCnfg.h"
#include "link/securitymodule.h"
#include "link/securitymodule_commands.h"
#include "trace/Trace.h"

#include <cstring>

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
    const int result = StandardExchange(request.letter, request.subCommand, arguments, count,
                                        request.waitCount, answer);
    if (result == EXCHANGE_SEND_FAILED) TRACE(SHOWN, MODULE_COMMANDS, "%s", request.notSent);
    if (result == EXCHANGE_NO_REPLY) TRACE(SHOWN, MODULE_COMMANDS, "%s", request.noAnswer);
    if (result == EXCHANGE_TOO_MANY) TRACE(SHOWN, MODULE_COMMANDS, "%s", request.tooMany);
    return result;
}

int SendSettingValue(char letter, char subCommand, uint8_t value, const char* notSent)
{
    ModulePacket packet;
    std::memset(&packet, 0, sizeof packet);
    packet.DA = ORBA_PORT_MODULE;
    packet.DC = ORBA_DC_DATA;
    packet.DL = 3;
    packet.data[0] = static_cast<uint8_t>(letter);
    packet.data[1] = static_cast<uint8_t>(subCommand);
    packet.data[2] = value;
    if (WritePacketToSecurityModule(&packet) == 0) return 0;
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
    if (OpenSecurityModulePort6() != 0) {
        TRACE(SHOWN, MODULE_COMMANDS, "ERROR 1B: Can not open port 6.");
        return false;
    }
    return true;
}

bool FirmwareVersionAtLeast(unsigned versionNumber)
{
    return static_cast<unsigned>(SecurityModuleVersionNumber) >= versionNumber;
}
