// The auto-reset event that wakes a waiting read, on either platform.
#include "platform/Platform.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

long long MsBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(to - from).count();
}

TEST(PlatformEvent, SetIsKeptForOneWaitAndWakesAWaitingThread)
{
    PlatEvent event = Plat_CreateEvent();
    ASSERT_NE(event, nullptr);

    // Set while nobody waits: the next wait takes it at once, and clears it.
    Plat_SetEvent(event);
    Plat_SetEvent(event);
    unsigned long errorCode = 0;
    Clock::time_point start = Clock::now();
    EXPECT_EQ(Plat_WaitEvent(event, 5000, &errorCode), PLAT_WAIT_SET);
    EXPECT_LT(MsBetween(start, Clock::now()), 50);

    start = Clock::now();
    EXPECT_EQ(Plat_WaitEvent(event, 60, &errorCode), PLAT_WAIT_TIMED_OUT);
    const long long waited = MsBetween(start, Clock::now());
    // Windows may end a timed-out wait up to one clock tick (15.6 ms) early.
    EXPECT_GE(waited, 60 - 16);
    EXPECT_LT(waited, 150);

    Clock::time_point setAt;
    std::thread setter([event, &setAt] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        setAt = Clock::now();
        Plat_SetEvent(event);
    });
    const int woken = Plat_WaitEvent(event, 5000, &errorCode);
    const Clock::time_point wokeAt = Clock::now();
    setter.join();
    EXPECT_EQ(woken, PLAT_WAIT_SET);
    // Woken by the set, long before the time-out; the margin is for a
    // loaded machine's scheduling.
    EXPECT_LT(MsBetween(setAt, wokeAt), 500);
    Plat_DeleteEvent(event);
}

}  // namespace
