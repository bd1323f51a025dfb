#include "link/ORBA_Support.h"

#include "platform/Platform.h"
#include "trace/Trace.h"

#include <cstring>

namespace {

uint8_t ChecksumOf(const uint8_t* bytes, unsigned count)
{
    unsigned sum = 0;
    for (unsigned i = 0; i < count; ++i) sum += bytes[i];
    return static_cast<uint8_t>(sum & 0xFF);
}

}  // namespace

int SetPacketChecksum(UsbPacketBuffer* buffer)
{
    unsigned dl = buffer->bytes[2];
    // A DL above 60 never reaches here: the copy into the buffer stops it.
    if (dl > USB_PACKET_MAX_DL) dl = USB_PACKET_MAX_DL;
    buffer->bytes[3 + dl] = ChecksumOf(buffer->bytes, 3 + dl);
    return static_cast<int>(dl) + 4;
}

bool VerifyPacketChecksum(const UsbPacketBuffer* buffer)
{
    unsigned dl = buffer->bytes[2];
    if (dl > USB_PACKET_MAX_DL) return false;
    return buffer->bytes[3 + dl] == ChecksumOf(buffer->bytes, 3 + dl);
}

void CopyPacketToUsbBuffer(UsbPacketBuffer* buffer, const ModulePacket* packet)
{
    std::memset(buffer->bytes, 0, sizeof buffer->bytes);
    if (packet->DL > USB_PACKET_MAX_DL) {
        TRACE(TL_ERROR | TF_CONSOLE | TF_ALERT, MODULE_LINK,
              "Data Packet Size ( %d ) to Large for USB Interface...", packet->DL);
        Plat_ExitNow(EXIT_PACKET_TOO_LARGE);
    }
    buffer->bytes[0] = packet->DA;
    buffer->bytes[1] = packet->DC;
    buffer->bytes[2] = packet->DL;
    std::memcpy(buffer->bytes + 3, packet->data, packet->DL);
}

void CopyUsbBufferToPacket(const UsbPacketBuffer* buffer, ModulePacket* packet)
{
    std::memset(packet, 0, sizeof *packet);
    packet->DA = buffer->bytes[0];
    packet->DC = buffer->bytes[1];
    packet->DL = buffer->bytes[2];
    // A DL the wire cannot hold copies no more than the wire buffer has.
    unsigned dl = packet->DL;
    if (dl > USB_PACKET_SIZE - 3) dl = USB_PACKET_SIZE - 3;
    std::memcpy(packet->data, buffer->bytes + 3, dl);
}
