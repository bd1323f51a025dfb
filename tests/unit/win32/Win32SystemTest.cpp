// Threads, time and the process end on Windows.
#include "platform/Platform.h"

#include <gtest/gtest.h>

#include <atomic>

namespace {

struct ThreadProbe {
    std::atomic<unsigned long> threadId{0};
};

unsigned RecordThread(void* argument)
{
    static_cast<ThreadProbe*>(argument)->threadId.store(Plat_CurrentThreadId());
    return 0;
}

TEST(Win32Threads, ThreadRunsWithItsArgumentOnItsOwnThread)
{
    static ThreadProbe probe;  // outlives the thread, however late it runs
    ASSERT_TRUE(Plat_BeginThread(RecordThread, &probe));
    for (int i = 0; i < 500 && probe.threadId.load() == 0; ++i) Plat_Sleep(10);
    EXPECT_NE(probe.threadId.load(), 0u);
    EXPECT_NE(probe.threadId.load(), Plat_CurrentThreadId());
}

TEST(Win32Time, SleepAndTickCountAgree)
{
    uint32_t before = Plat_TickCountMs();
    Plat_Sleep(100);
    uint32_t elapsed = Plat_TickCountMs() - before;
    EXPECT_GE(elapsed, 90u);
    EXPECT_LT(elapsed, 1000u);
}

TEST(Win32Process, FrameworkStartsAndImmediateExitKeepsTheStatus)
{
    EXPECT_TRUE(Plat_FrameworkInit());
    EXPECT_EXIT(Plat_ExitNow(202), ::testing::ExitedWithCode(202), "");
}

}  // namespace
