// The packet helpers over any 64 wire bytes: a packet that passes the
// checksum check copies into a record zero past DL, and that record goes
// back to the same wire bytes.
#include "fuzz/FuzzSupport.h"
#include "link/ORBA_Support.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    UsbPacketBuffer buffer;
    std::memset(buffer.bytes, 0, sizeof buffer.bytes);
    std::memcpy(buffer.bytes, data, size < sizeof buffer.bytes ? size : sizeof buffer.bytes);
    if (!VerifyPacketChecksum(&buffer)) return 0;
    if (buffer.bytes[2] > USB_PACKET_MAX_DL) fuzzsupport::Fail("checksum passed with DL above 60");

    ModulePacket packet;
    std::memset(&packet, 0xA5, sizeof packet);
    CopyUsbBufferToPacket(&buffer, &packet);
    if (packet.DA != buffer.bytes[0] || packet.DC != buffer.bytes[1] || packet.DL != buffer.bytes[2])
        fuzzsupport::Fail("header not copied");
    if (std::memcmp(packet.data, buffer.bytes + 3, packet.DL) != 0) fuzzsupport::Fail("data not copied");
    for (size_t i = packet.DL; i < sizeof packet.data; ++i)
        if (packet.data[i] != 0) fuzzsupport::Fail("record not zero past DL");

    UsbPacketBuffer again;
    std::memset(again.bytes, 0x5A, sizeof again.bytes);
    CopyPacketToUsbBuffer(&again, &packet);
    int length = SetPacketChecksum(&again);
    if (length != packet.DL + 4) fuzzsupport::Fail("length is not DL + 4");
    if (std::memcmp(again.bytes, buffer.bytes, static_cast<size_t>(length)) != 0)
        fuzzsupport::Fail("round trip changed the wire bytes");
    if (!VerifyPacketChecksum(&again)) fuzzsupport::Fail("own checksum rejected");
    return 0;
}
