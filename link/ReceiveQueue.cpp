// Storage is a singly linked list reached only through plain pointers, so
// nothing is torn down at process end while the reader thread may still
// append. Records still queued then are left to the operating system.
#include "link/ReceiveQueue.h"

#include "trace/Trace.h"

#include <cstring>
#include <mutex>
#include <new>

namespace {

struct QueuedPacket {
    QueuedPacket* next;
    ModulePacket packet;
};

PlatLock receiveQueueLock = nullptr;
// Set by the reader each time it queues a packet; a waiting read wakes on it.
PlatEvent packetQueued = nullptr;
std::once_flag receiveQueueOnce;

// Guarded by the lock.
QueuedPacket* queueHead = nullptr;
QueuedPacket* queueTail = nullptr;
size_t queuedCount = 0;
// Set while packets are being dropped, so that a flood is told once and not
// once per packet (it would flood the capture file in turn).
bool overflowing = false;

// Copies the header and DL data bytes; everything past DL stays zero.
void CopyRecord(ModulePacket* to, const ModulePacket* from)
{
    std::memset(to, 0, sizeof *to);
    to->DA = from->DA;
    to->DC = from->DC;
    to->DL = from->DL;
    size_t count = from->DL;
    if (count > sizeof to->data) count = sizeof to->data;
    std::memcpy(to->data, from->data, count);
}

}  // namespace

PlatLock ReceiveQueueLock()
{
    std::call_once(receiveQueueOnce, [] {
        receiveQueueLock = Plat_CreateLock();
        packetQueued = Plat_CreateEvent();
    });
    return receiveQueueLock;
}

void QueueReceivedPacket(const ModulePacket* record)
{
    PlatLock lock = ReceiveQueueLock();
    Plat_EnterLock(lock);
    bool overflowBegins = false;
    bool queued = false;
    if (queuedCount >= RECEIVE_QUEUE_LIMIT) {
        overflowBegins = !overflowing;
        overflowing = true;
    } else {
        QueuedPacket* node = new (std::nothrow) QueuedPacket;
        // Out of memory the packet is lost, as any packet the board sends
        // while nobody can hold it; the reader must not stop for it.
        if (node != nullptr) {
            node->next = nullptr;
            CopyRecord(&node->packet, record);
            if (queueTail != nullptr)
                queueTail->next = node;
            else
                queueHead = node;
            queueTail = node;
            ++queuedCount;
            overflowing = false;
            queued = true;
        }
    }
    Plat_LeaveLock(lock);
    // After the queue's lock is left, so that it never holds the event's.
    if (queued && packetQueued != nullptr) Plat_SetEvent(packetQueued);
    if (overflowBegins)
        TRACE(TL_WARNING, MODULE_LINK,
              "Receive queue full (%u packets): received packets are dropped until it drains.",
              static_cast<unsigned>(RECEIVE_QUEUE_LIMIT));
}

bool DequeueReceivedPacket(ModulePacket* record)
{
    std::memset(record, 0, sizeof *record);
    PlatLock lock = ReceiveQueueLock();
    Plat_EnterLock(lock);
    QueuedPacket* head = queueHead;
    if (head != nullptr) {
        queueHead = head->next;
        if (queueHead == nullptr) queueTail = nullptr;
        --queuedCount;
        CopyRecord(record, &head->packet);
        delete head;
    }
    Plat_LeaveLock(lock);
    return head != nullptr;
}

size_t ReceivedPacketCount()
{
    PlatLock lock = ReceiveQueueLock();
    Plat_EnterLock(lock);
    size_t count = queuedCount;
    Plat_LeaveLock(lock);
    return count;
}

int WaitForQueuedPacket(unsigned timeoutMs, unsigned long* errorCode)
{
    ReceiveQueueLock();
    // Without its event (no memory at start) the wait is the plain sleep of
    // a polling read.
    if (packetQueued == nullptr) {
        Plat_Sleep(timeoutMs);
        return PLAT_WAIT_TIMED_OUT;
    }
    return Plat_WaitEventOnClock(packetQueued, timeoutMs, errorCode);
}
