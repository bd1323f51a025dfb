// Threads, locks, time and the process end on Windows.
#include "platform/Platform.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cctype>
#include <string>

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
    ThreadProbe probe;
    ASSERT_TRUE(Plat_BeginThread(RecordThread, &probe));
    for (int i = 0; i < 500 && probe.threadId.load() == 0; ++i) Plat_Sleep(10);
    EXPECT_NE(probe.threadId.load(), 0u);
    EXPECT_NE(probe.threadId.load(), Plat_CurrentThreadId());
}

TEST(Win32Threads, LockMayBeEnteredAgainByItsHolder)
{
    PlatLock lock = Plat_CreateLock();
    ASSERT_NE(lock, nullptr);
    Plat_EnterLock(lock);
    Plat_EnterLock(lock);
    Plat_LeaveLock(lock);
    Plat_LeaveLock(lock);
    Plat_DeleteLock(lock);
}

TEST(Win32Time, SleepAndTickCountAgree)
{
    uint32_t before = Plat_TickCountMs();
    Plat_Sleep(100);
    uint32_t elapsed = Plat_TickCountMs() - before;
    EXPECT_GE(elapsed, 90u);
    EXPECT_LT(elapsed, 1000u);
}

bool MatchesPattern(const char* text, const char* pattern)
{
    std::string value(text);
    if (value.size() != std::string(pattern).size()) return false;
    for (size_t i = 0; i < value.size(); ++i) {
        bool digitWanted = pattern[i] == '9';
        if (digitWanted != (std::isdigit(static_cast<unsigned char>(value[i])) != 0)) return false;
        if (!digitWanted && value[i] != pattern[i]) return false;
    }
    return true;
}

TEST(Win32Time, LocalDateAndTimeTexts)
{
    char date[9];
    char time[9];
    Plat_LocalDateText(date);
    Plat_LocalTimeText(time);
    EXPECT_TRUE(MatchesPattern(date, "99/99/99")) << date;
    EXPECT_TRUE(MatchesPattern(time, "99:99:99")) << time;
}

TEST(Win32Process, FrameworkStartsAndImmediateExitKeepsTheStatus)
{
    EXPECT_TRUE(Plat_FrameworkInit());
    EXPECT_EXIT(Plat_ExitNow(202), ::testing::ExitedWithCode(202), "");
}

}  // namespace
