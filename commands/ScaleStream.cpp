#include "commands/ScaleStream.h"

#include "commands/ScaleValues.h"
#include "link/securitymodule.h"
#include "link/securitymodule_commands.h"
#include "trace/Trace.h"

ModulePacket ScaleReadingBuffer;

namespace {

const int CONFIG_WAIT_COUNT = 10;
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
    // A request that did not go out is still waited for.
    SendScaleCommand('G');
    ModulePacket packet;
    const int result = AwaitReply(EchoOf('S', 'G', CONFIG_WAIT_COUNT), &packet);
    if (result != EXCHANGE_OK) {
        ShowRequestFailure(result,
                           {nullptr, "ERROR 10: Request EU Failed.", "ERROR 12: Request EU Failed."});
        return;
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
