// The auto-reset event that wakes a waiting read, on either platform: the
// native wait, whatever clock the program's own waits run on. The checks hold
// what the event decides (a time-out, a kept set, a wake before a poll could
// look), never how soon a loaded machine runs the test's threads.
#include "platform/Platform.h"

#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// The link's polling step.
const long long STEP_MS = 100;

long long UsBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration_cast<std::chrono::microseconds>(to - from).count();
}

TEST(PlatformEvent, WaitTimesOutOnItsOwnAndASetIsKeptForOneWait)
{
    PlatEvent event = Plat_CreateEvent();
    ASSERT_NE(event, nullptr);
    unsigned long errorCode = 0;
    EXPECT_EQ(Plat_WaitEvent(event, 0, &errorCode), PLAT_WAIT_TIMED_OUT) << "created clear";

    const Clock::time_point start = Clock::now();
    EXPECT_EQ(Plat_WaitEvent(event, STEP_MS, &errorCode), PLAT_WAIT_TIMED_OUT);
    // Windows may end a timed-out wait up to one clock tick (15.6 ms) early.
    EXPECT_GE(UsBetween(start, Clock::now()), (STEP_MS - 16) * 1000);

    // Set twice while nobody waits: one wait takes it, and clears it.
    Plat_SetEvent(event);
    Plat_SetEvent(event);
    EXPECT_EQ(Plat_WaitEvent(event, 5000, &errorCode), PLAT_WAIT_SET);
    EXPECT_EQ(Plat_WaitEvent(event, 0, &errorCode), PLAT_WAIT_TIMED_OUT);
    Plat_DeleteEvent(event);
}

// One long wait that another thread sets 20 ms after it began. The time
// from the set to the wake, in microseconds, or -1 where the setter ran 10 ms
// or more late: such a round cannot tell a wake from a poll.
const long long SET_AFTER_MS = 20;
const long long SETTER_LATE_MS = 10;

long long WakeAfterSet(PlatEvent event)
{
    Clock::time_point setAt;
    const Clock::time_point waitStart = Clock::now();
    std::thread setter([event, waitStart, &setAt] {
        std::this_thread::sleep_until(waitStart + milliseconds(SET_AFTER_MS));
        setAt = Clock::now();
        Plat_SetEvent(event);
    });
    unsigned long errorCode = 0;
    const int result = Plat_WaitEvent(event, 5000, &errorCode);
    const Clock::time_point wokeAt = Clock::now();
    setter.join();
    EXPECT_EQ(result, PLAT_WAIT_SET);
    if (setAt - waitStart >= milliseconds(SET_AFTER_MS + SETTER_LATE_MS)) return -1;
    return UsBetween(setAt, wokeAt);
}

// A set from another thread wakes a wait at once. A wait that looked every
// 100 ms would look first 84 ms or more after it began (Windows may end a
// sleep a tick early), so at least 54 ms after a set made before 30 ms. A
// loaded machine only ever delays a wake and never brings a poll forward, so
// the quickest of a few wakes is what tells the two apart.
TEST(PlatformEvent, SetFromAnotherThreadWakesAWaitBeforeAPollCouldLook)
{
    const long long wakeLimitUs = 40 * 1000;
    PlatEvent event = Plat_CreateEvent();
    ASSERT_NE(event, nullptr);
    long long quickestUs = LLONG_MAX;
    int rounds = 0;
    for (int attempt = 0; attempt < 20 && quickestUs >= wakeLimitUs; ++attempt) {
        const long long us = WakeAfterSet(event);
        if (us < 0) continue;
        ++rounds;
        if (us < quickestUs) quickestUs = us;
    }
    Plat_DeleteEvent(event);
    ASSERT_GT(rounds, 0) << "the setter never ran within " << SETTER_LATE_MS << " ms of its time";
    EXPECT_LT(quickestUs, wakeLimitUs) << "woken by the set, not at a step (" << rounds << " rounds)";
}

}  // namespace
