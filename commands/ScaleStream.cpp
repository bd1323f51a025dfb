#include "commands/ScaleStream.h"

#include "commands/ScaleValues.h"
#include "link/securitymodule.h"
#include "link/securitymodule_commands.h"
#include "trace/Trace.h"

#include <cstring>

ModulePacket ScaleReadingBuffer;

namespace {

const int SHOWN = TL_INFO | TF_CONSOLE;
const int CONFIG_WAIT_COUNT = 10;
const int MAX_PACKETS_PER_REPLY = 100;
const int READING_WAIT_COUNT = 1;

// The reply's text: from data[2] to the first zero byte (the record is zero
// past DL, so there always is one).
void ConfigText(const ModulePacket* reply, char* text, size_t size)
{
    size_t length = 0;
    while (length + 1 < size && length + 2 < MODULE_PACKET_DATA_SIZE && reply->data[length + 2] != 0) {
        text[length] = static_cast<char>(reply->data[length + 2]);
        ++length;
    }
    text[length] = '\0';
}

}  // namespace

void RequestScaleConfig()
{
    ModulePacket packet;
    std::memset(&packet, 0, sizeof packet);
    packet.DA = ORBA_PORT_MODULE;
    packet.DC = ORBA_DC_DATA;
    packet.DL = 2;
    packet.data[0] = 'S';
    packet.data[1] = 'G';
    if (WritePacketToSecurityModule(&packet) != 0) {
        TRACE(SHOWN, MODULE_COMMANDS, "ERROR 11: Writing Security Module Data Failed.");
        CloseSecurityModulePort6();
    }
    for (int packets = 1;; ++packets) {
        if (!ReadPacketFromSecurityModule(&packet, CONFIG_WAIT_COUNT)) {
            TRACE(SHOWN, MODULE_COMMANDS, "ERROR 10: Request EU Failed.");
            return;
        }
        if (packets >= MAX_PACKETS_PER_REPLY) {
            TRACE(SHOWN, MODULE_COMMANDS, "ERROR 12: Request EU Failed.");
            return;
        }
        if (packet.data[0] == 's' && packet.data[1] == 'G') break;
    }
    char text[MODULE_PACKET_DATA_SIZE];
    ConfigText(&packet, text, sizeof text);
    TRACE(TL_INFO, MODULE_COMMANDS, "SU Scale Config :%s\n", text);
    ParseScaleConfig(text);
}

bool PollScaleReading()
{
    if (!ReadPacketFromSecurityModule(&ScaleReadingBuffer, READING_WAIT_COUNT)) return false;
    return IsScaleReading(&ScaleReadingBuffer);
}
