// The reader thread: blocks in the driver read, checks each packet and queues
// what a caller may be waiting for. Started once, never stopped; it ends for
// good at its first failed driver read.
#include "link/securitymodule.h"
#include "link/ReceiveQueue.h"

#include "config/PgmCnfg.h"
#include "link/USB_Standalone.h"
#include "platform/Platform.h"
#include "trace/Trace.h"

#include <cstring>

namespace {

const unsigned DRIVER_POLL_MS = 500;
const unsigned BAD_PACKET_PAUSE_MS = 1000;
const unsigned READER_EXIT_CODE = 598;

// A system-port packet is unusual enough to be told in the trace; it is
// still queued.
void TraceSystemPortPacket(const ModulePacket* packet)
{
    const int warning = TL_WARNING | TF_ALERT;
    switch (packet->DC) {
    case ORBA_DC_RESET_USB_BUFFERS:
        TRACE(warning, MODULE_LINK,
              "ORBA_PORT_SYSTEM_PORT :: ORBA_DC_RESET_USB_BUFFERS Packet Received...Lenght = %u",
              packet->DL);
        break;
    case ORBA_DC_SYSTEM_LOOPBACK:
        TRACE(warning, MODULE_LINK,
              "ORBA_PORT_SYSTEM_PORT :: ORBA_DC_SYSTEM_LOOPBACK Packet Received...Lenght = %u",
              packet->DL);
        break;
    case ORBA_DC_RESET_BUTTON:
        TRACE(warning, MODULE_LINK,
              "ORBA_PORT_SYSTEM_PORT :: ORBA_DC_RESET_BUTTON Packet Received...Lenght = %u", packet->DL);
        break;
    case ORBA_DC_POWER_COMMAND:
        TRACE(warning, MODULE_LINK,
              "ORBA_PORT_SYSTEM_PORT :: ORBA_DC_POWER_COMMAND Packet Received...Lenght = %u",
              packet->DL);
        break;
    default:
        TRACE(TL_ERROR | TF_CONSOLE | TF_ALERT, MODULE_LINK,
              "ORBA_PORT_SYSTEM_PORT :: << UNKNOWN >> Packet Received...Lenght = %u", packet->DL);
        break;
    }
}

// What one successful driver read leaves: queue it, or drop it and pause.
void ClassifyPacket(const ModulePacket* packet, int size)
{
    // An empty read (or one skipped while the link closes) is queued as the
    // all-zero record it is; callers skip it like any other mismatch.
    if (size == 0) {
        QueueReceivedPacket(packet);
        return;
    }
    if (size < 3 || size >= MODULE_PACKET_SIZE + 1 || size != packet->DL + 3) {
        Plat_Sleep(BAD_PACKET_PAUSE_MS);
        return;
    }
    if (packet->DA == ORBA_PORT_SYSTEM_PORT) {
        TraceSystemPortPacket(packet);
        QueueReceivedPacket(packet);
        return;
    }
    if (packet->DA <= ORBA_PORT_MODULE && packet->DC == ORBA_DC_DATA) {
        QueueReceivedPacket(packet);
        return;
    }
    Plat_Sleep(BAD_PACKET_PAUSE_MS);
}

}  // namespace

unsigned SerialPortReaderThread(void* unused)
{
    (void)unused;
    AccessProgramConfig();
    for (;;) {
        if (USB_DriverInitialized() != 0) {
            Plat_Sleep(DRIVER_POLL_MS);
            continue;
        }
        ModulePacket packet;
        std::memset(&packet, 0, sizeof packet);
        int size = 0;
        if (USB_ReadPacketFromSecurityModule(&packet, &size) != 0) return READER_EXIT_CODE;
        ClassifyPacket(&packet, size);
    }
}
