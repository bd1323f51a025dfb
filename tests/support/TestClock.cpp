#include "support/TestClock.h"

#include "platform/Platform.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>

namespace testclock {

namespace {

const unsigned REAL_SHARE = 10;

// Milliseconds the waits have skipped, added to the real tick count.
std::atomic<uint32_t> skippedMs{0};

std::mutex hookMutex;
std::function<void(int)> waitHook;
std::thread::id hookedThread;
int hookedWaits = 0;
thread_local bool inHook = false;

uint32_t NativeTickMs() { return Plat_NativeTime()->tickCountMs(); }

uint32_t TickCountMs() { return NativeTickMs() + skippedMs.load(); }

// Runs the hook if this wait is the hooked thread's; never for the waits the
// hook itself makes.
void StartOfWait()
{
    if (inHook) return;
    std::function<void(int)> hook;
    int number = 0;
    {
        std::lock_guard<std::mutex> guard(hookMutex);
        if (!waitHook || hookedThread != std::this_thread::get_id()) return;
        hook = waitHook;
        number = ++hookedWaits;
    }
    inHook = true;
    hook(number);
    inHook = false;
}

// Moves the tick count on so that a wait that began at the native tick
// `start` has taken at least `length` in all (a coarse native tick may not
// have moved for the real part).
void FillUpTo(unsigned length, uint32_t start)
{
    const uint32_t waited = NativeTickMs() - start;
    if (waited < length) skippedMs.fetch_add(length - waited);
}

void Sleep(unsigned milliseconds)
{
    StartOfWait();
    const unsigned real = milliseconds / REAL_SHARE;
    skippedMs.fetch_add(milliseconds - real);
    const uint32_t start = NativeTickMs();
    Plat_NativeTime()->sleep(real);
    FillUpTo(real, start);
}

int WaitEvent(PlatEvent event, unsigned timeoutMs, unsigned long* errorCode)
{
    StartOfWait();
    const uint32_t start = NativeTickMs();
    const int result = Plat_NativeTime()->waitEvent(event, timeoutMs / REAL_SHARE, errorCode);
    if (result == PLAT_WAIT_TIMED_OUT) FillUpTo(timeoutMs, start);
    return result;
}

const PlatTimeOps testTime = {TickCountMs, Sleep, WaitEvent};

}  // namespace

Scope::Scope() { Plat_SetTime(&testTime); }

Scope::~Scope()
{
    Plat_SetTime(nullptr);
    HookWaits(nullptr);
}

void HookWaits(std::function<void(int waitNumber)> hook)
{
    std::lock_guard<std::mutex> guard(hookMutex);
    waitHook = std::move(hook);
    hookedThread = std::this_thread::get_id();
    hookedWaits = 0;
}

}  // namespace testclock
