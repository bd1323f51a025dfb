#include "platform/Platform.h"

#include <cerrno>
#include <cstdio>
#include <ctime>

namespace {

uint32_t NativeTickCountMs()
{
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    uint64_t ms = static_cast<uint64_t>(now.tv_sec) * 1000u +
                  static_cast<uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(ms);
}

void NativeSleep(unsigned milliseconds)
{
    struct timespec wait;
    wait.tv_sec = milliseconds / 1000;
    wait.tv_nsec = static_cast<long>(milliseconds % 1000) * 1000000L;
    while (nanosleep(&wait, &wait) != 0 && errno == EINTR) {
    }
}

const PlatTimeOps nativeTime = {NativeTickCountMs, NativeSleep, Plat_WaitEvent};

void LocalNow(struct tm* out)
{
    time_t now = time(nullptr);
    localtime_r(&now, out);
}

unsigned TwoDigits(int value) { return static_cast<unsigned>(value) % 100u; }

}  // namespace

const PlatTimeOps* Plat_NativeTime() { return &nativeTime; }

void Plat_LocalDateText(char* out)
{
    struct tm now;
    LocalNow(&now);
    std::snprintf(out, 9, "%02u/%02u/%02u", TwoDigits(now.tm_mon + 1), TwoDigits(now.tm_mday),
                  TwoDigits(now.tm_year));
}

void Plat_LocalTimeText(char* out)
{
    struct tm now;
    LocalNow(&now);
    std::snprintf(out, 9, "%02u:%02u:%02u", TwoDigits(now.tm_hour), TwoDigits(now.tm_min),
                  TwoDigits(now.tm_sec));
}

long long Plat_CalendarSeconds() { return static_cast<long long>(time(nullptr)); }
