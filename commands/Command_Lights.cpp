#include "commands/Command_Lights.h"

#include "link/securitymodule.h"
#include "trace/Trace.h"

#include <cstring>

namespace {

// Sends one request to the board's command interpreter without waiting for
// an answer.
int SendModuleData(const uint8_t* data, int count)
{
    ModulePacket packet;
    std::memset(&packet, 0, sizeof packet);
    packet.DA = ORBA_PORT_MODULE;
    packet.DC = ORBA_DC_DATA;
    packet.DL = static_cast<uint8_t>(count);
    std::memcpy(packet.data, data, static_cast<size_t>(count));
    if (WritePacketToSecurityModule(&packet) != 0) {
        TRACE(TL_INFO | TF_CONSOLE, MODULE_COMMANDS, "ERROR 11: Writing Security Module data Failed.");
        return 11;
    }
    return 0;
}

}  // namespace

int SendLaneLightRequest(char code)
{
    const uint8_t request[] = {'L', static_cast<uint8_t>(code)};
    return SendModuleData(request, sizeof request);
}

int SendTal2SetRequest(unsigned char bits)
{
    const uint8_t request[] = {'T', '1', bits};
    return SendModuleData(request, sizeof request);
}
