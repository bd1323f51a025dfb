// The receive queue between the reader thread and the main thread: a FIFO of
// heap records under one lock. Internal to the link.
#ifndef LINK_RECEIVEQUEUE_H
#define LINK_RECEIVEQUEUE_H

#include "link/ORBA_Support.h"
#include "platform/Platform.h"

#include <cstddef>

// Far above anything a working board leaves waiting; a board that floods
// the link faster than packets are taken loses what exceeds it rather than
// the program its memory.
const size_t RECEIVE_QUEUE_LIMIT = 10000;

// Creates ReceiveQueueLock on the first call (every queue operation calls it
// too, so the lock exists before anyone can take it) and returns it. The lock
// is never deleted: the reader thread may still use it while the process ends.
PlatLock ReceiveQueueLock();

// Appends a copy of the record (the reader thread); a full queue drops it.
void QueueReceivedPacket(const ModulePacket* record);
// Takes the oldest record; false (and an all-zero record) when none waits.
bool DequeueReceivedPacket(ModulePacket* record);

// Records waiting now.
size_t ReceivedPacketCount();

// Waits up to timeoutMs for the reader to queue a packet: PLAT_WAIT_SET when
// one was queued since the last wait (it may already have been taken, so the
// caller looks at the queue again either way), PLAT_WAIT_TIMED_OUT, or
// PLAT_WAIT_FAILED at once with *errorCode the system's code.
int WaitForQueuedPacket(unsigned timeoutMs, unsigned long* errorCode);

#endif
