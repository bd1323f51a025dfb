#include "support/TestClock.h"

#include "platform/Platform.h"

#include <atomic>
#include <cstdint>

namespace testclock {

namespace {

const unsigned REAL_SHARE = 10;

// Milliseconds the sleeps have skipped, added to the real tick count.
std::atomic<uint32_t> skippedMs{0};

uint32_t TickCountMs() { return Plat_NativeTime()->tickCountMs() + skippedMs.load(); }

void Sleep(unsigned milliseconds)
{
    const unsigned real = milliseconds / REAL_SHARE;
    skippedMs.fetch_add(milliseconds - real);
    Plat_NativeTime()->sleep(real);
}

const PlatTimeOps testTime = {TickCountMs, Sleep};

}  // namespace

Scope::Scope() { Plat_SetTime(&testTime); }

Scope::~Scope() { Plat_SetTime(nullptr); }

}  // namespace testclock
