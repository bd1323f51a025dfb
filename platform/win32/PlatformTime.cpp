#include "platform/Platform.h"

#include <cstdio>
#include <ctime>
#include <windows.h>
#include <mmsystem.h>

namespace {

uint32_t NativeTickCountMs() { return static_cast<uint32_t>(timeGetTime()); }

void NativeSleep(unsigned milliseconds) { Sleep(milliseconds); }

const PlatTimeOps nativeTime = {NativeTickCountMs, NativeSleep, Plat_WaitEvent};

unsigned TwoDigits(WORD value) { return static_cast<unsigned>(value) % 100u; }

}  // namespace

const PlatTimeOps* Plat_NativeTime() { return &nativeTime; }

void Plat_LocalDateText(char* out)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    std::snprintf(out, 9, "%02u/%02u/%02u", TwoDigits(now.wMonth), TwoDigits(now.wDay),
                  TwoDigits(now.wYear));
}

void Plat_LocalTimeText(char* out)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    std::snprintf(out, 9, "%02u:%02u:%02u", TwoDigits(now.wHour), TwoDigits(now.wMinute),
                  TwoDigits(now.wSecond));
}

long long Plat_CalendarSeconds() { return static_cast<long long>(std::time(nullptr)); }
