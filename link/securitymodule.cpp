// Start and end of the link, the synchronous write and the bounded read.
#include "link/securitymodule.h"

#include "config/PgmCnfg.h"
#include "base/Variant.h"
#include "link/ReceiveQueue.h"
#include "link/USB_Standalone.h"
#include "platform/Platform.h"
#include "trace/Trace.h"

#include <atomic>
#include <cstdint>
#include <cstring>

namespace {

const int SHOWN_ERROR = TL_ERROR | TF_CONSOLE | TF_ALERT;
const unsigned POLL_STEP_MS = 100;

std::atomic<bool> fastLink{false};
// Set once a wait for the reader has failed: the reads sleep their steps
// from then on, as polling reads do, instead of spinning on a broken wait.
std::atomic<bool> readerWaitFailed{false};

// Fixed per deliverable: only cu_utility dumps its packets.
bool PacketTrace() { return g_Variant.packetTrace; }

// Always six data bytes, whatever DL says: the record is zero past DL.
void TracePacket(const char* direction, const ModulePacket* packet)
{
    TRACE(TL_INFO, MODULE_LINK, "%s:%.2x.%.2x.%.2x - %.2x.%.2x.%.2x.%.2x.%.2x.%.2x", direction,
          packet->DA, packet->DC, packet->DL, packet->data[0], packet->data[1], packet->data[2],
          packet->data[3], packet->data[4], packet->data[5]);
}

// One polling step: sleeps 100 ms while the count lasts. False when the count
// after this step would be 0 or less (tested before decreasing, so no count
// can overflow).
bool PollStep(int* waitCount)
{
    if (*waitCount >= 1) Plat_Sleep(POLL_STEP_MS);
    if (*waitCount <= 1) return false;
    --*waitCount;
    return true;
}

// The end of a fast-link read, kept by the tick count rather than by counting
// waits: it is over once more than waitCount x 100 ms have passed since the
// call. The tick counts whole milliseconds, so "more than" keeps the read
// from giving up before its time. The time is summed step by step, so the
// tick may wrap during a read.
struct FastWait {
    unsigned long long lengthMs;
    unsigned long long passedMs;
    uint32_t lastTick;
};

FastWait StartFastWait(int waitCount)
{
    const unsigned long long steps = waitCount >= 1 ? static_cast<unsigned long long>(waitCount) : 0;
    return FastWait{steps * POLL_STEP_MS, 0, Plat_TickCountMs()};
}

// Waits for the reader to queue a packet, or sleeps once such a wait has
// failed. The failure is shown once, as the link's other failures are.
void AwaitReader(unsigned milliseconds)
{
    if (readerWaitFailed.load()) {
        Plat_Sleep(milliseconds);
        return;
    }
    unsigned long errorCode = 0;
    if (WaitForQueuedPacket(milliseconds, &errorCode) != PLAT_WAIT_FAILED) return;
    readerWaitFailed = true;
    TRACE(SHOWN_ERROR, MODULE_LINK, "ERROR: Waiting for the Serial Port Reader Returned:%0x.",
          static_cast<unsigned>(errorCode));
}

// One fast-link step: waits for the reader to queue a packet, at most one
// polling step at a time, until the end of the wait. False once it is over.
bool WakeStep(FastWait* wait)
{
    if (wait->lengthMs == 0) return false;
    const uint32_t now = Plat_TickCountMs();
    wait->passedMs += static_cast<uint32_t>(now - wait->lastTick);
    wait->lastTick = now;
    if (wait->passedMs > wait->lengthMs) return false;
    const unsigned long long left = wait->lengthMs + 1 - wait->passedMs;
    AwaitReader(left < POLL_STEP_MS ? static_cast<unsigned>(left) : POLL_STEP_MS);
    return true;
}

}  // namespace

void SetFastLink(bool on) { fastLink = on; }

bool FastLinkOn() { return fastLink; }

int InitializeSecurityModule()
{
    AccessProgramConfig();
    PlatLock lock = ReceiveQueueLock();
    Plat_EnterLock(lock);
    TRACE(TL_INFO, MODULE_LINK, "USB Security Module Configued....");
    TRACE(TL_INFO, MODULE_LINK, "Starting up Serial Port Reader Thread..");
    const bool started = Plat_BeginThread(SerialPortReaderThread, nullptr);
    Plat_LeaveLock(lock);
    // Without its reader the link could send but never hear the board.
    if (!started) {
        TRACE(SHOWN_ERROR, MODULE_LINK, "Error Starting Serial Port Reader Thread");
        return 201;
    }
    if (USB_OpenSecurityModule() != 0) {
        TRACE(SHOWN_ERROR, MODULE_LINK, "Error Opening USB Device Driver");
        return 201;
    }
    return 0;
}

int CloseSecurityModule()
{
    AccessProgramConfig();
    if (USB_CloseSecurityModule() != 0) {
        TRACE(SHOWN_ERROR, MODULE_LINK, "Error Closing Down the USB Security Module");
        return 242;
    }
    return 0;
}

int WritePacketToSecurityModule(const ModulePacket* packet)
{
    AccessProgramConfig();
    const int result = USB_WritePacketToSecurityModule(packet);
    if (result != 0) {
        TRACE(SHOWN_ERROR, MODULE_LINK,
              "ERROR: During Call to USB_WritePacketToSecurityModule() Rtn: %d", result);
        return result;
    }
    if (PacketTrace()) TracePacket("Data Out", packet);
    return 0;
}

bool ReadPacketFromSecurityModule(ModulePacket* packet, int waitCount)
{
    const bool fast = fastLink;
    FastWait wait = fast ? StartFastWait(waitCount) : FastWait{0, 0, 0};
    TRACE(TL_DETAIL | TF_CONSOLE, MODULE_LINK, "ReadPacketFromSecurityModule() - WaitCount = %d",
          waitCount);
    for (;;) {
        if (DequeueReceivedPacket(packet)) {
            if (PacketTrace()) TracePacket("Data In", packet);
            return true;
        }
        const bool waitGoesOn = fast ? WakeStep(&wait) : PollStep(&waitCount);
        if (!waitGoesOn) {
            TRACE(TL_INFO, MODULE_LINK, "** No Data Received before Wait Count Expired **");
            return false;
        }
    }
}

void FlushReceivedPackets()
{
    ModulePacket scratch;
    while (ReadPacketFromSecurityModule(&scratch, 10)) {
    }
}
