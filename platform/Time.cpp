// Routes the tick count, the sleep and the event wait to the native clock or
// to a test's.
#include "platform/Platform.h"

#include <atomic>

namespace {

std::atomic<const PlatTimeOps*> currentTime{nullptr};

const PlatTimeOps* Time()
{
    const PlatTimeOps* ops = currentTime.load();
    return ops != nullptr ? ops : Plat_NativeTime();
}

}  // namespace

void Plat_SetTime(const PlatTimeOps* ops) { currentTime.store(ops); }

uint32_t Plat_TickCountMs() { return Time()->tickCountMs(); }

void Plat_Sleep(unsigned milliseconds) { Time()->sleep(milliseconds); }

int Plat_WaitEventOnClock(PlatEvent event, unsigned timeoutMs, unsigned long* errorCode)
{
    return Time()->waitEvent(event, timeoutMs, errorCode);
}
