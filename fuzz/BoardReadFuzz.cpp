// Bytes from the board: one driver read delivering the input goes through
// the transport's checks and the reader's classification. The reader queues
// at most one record, and what it queues is zero past DL.
//
// The reader pauses a second after a bad packet; the target skips the waits
// so that a run tries inputs, not waits.
#include "config/PgmCnfgTestHooks.h"
#include "fuzz/FuzzSupport.h"
#include "link/ReceiveQueue.h"
#include "link/USB_Standalone.h"
#include "link/securitymodule.h"
#include "platform/Platform.h"

#include <cstring>

namespace {

const uint8_t* pendingData = nullptr;
size_t pendingSize = 0;
bool pending = false;

PlatDevice Open(const char*, int access, unsigned long*) { return 100 + access; }

// The input once, as the board's read with its full size as the count;
// then the board is gone, which ends the reader.
bool Read(PlatDevice, void* buffer, unsigned size, unsigned* count, unsigned long* errorCode)
{
    if (!pending) {
        *errorCode = 0x1F;
        return false;
    }
    pending = false;
    std::memcpy(buffer, pendingData, pendingSize < size ? pendingSize : size);
    *count = static_cast<unsigned>(pendingSize);
    return true;
}

bool Write(PlatDevice, const void*, unsigned size, unsigned* written, unsigned long*)
{
    *written = size;
    return true;
}

bool Control(PlatDevice, unsigned long, void*, unsigned, unsigned long*) { return true; }

const PlatDeviceOps board = {Open, Read, Write, Control};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool opened = false;
    if (!opened) {
        fuzzsupport::SetUpOnce();
        fuzzsupport::SkipWaits();
        ProgramConfigUseDefaultsForTests();
        Plat_SetDevice(&board);
        if (USB_OpenSecurityModule() != 0) fuzzsupport::Fail("open");
        opened = true;
    }
    pendingData = data;
    pendingSize = size;
    pending = true;
    if (SerialPortReaderThread(nullptr) == 0) fuzzsupport::Fail("reader ended without a failed read");
    if (pending) fuzzsupport::Fail("the input was never read");

    if (ReceivedPacketCount() > 1) fuzzsupport::Fail("more than one record from one read");
    ModulePacket packet;
    if (DequeueReceivedPacket(&packet)) {
        if (packet.DL > USB_PACKET_MAX_DL) fuzzsupport::Fail("queued DL above 60");
        for (size_t i = packet.DL; i < sizeof packet.data; ++i)
            if (packet.data[i] != 0) fuzzsupport::Fail("queued record not zero past DL");
        if (size > 0 && packet.DA != ORBA_PORT_SYSTEM_PORT && packet.DC != ORBA_DC_DATA)
            fuzzsupport::Fail("queued a port packet that is not data");
    }
    return 0;
}
