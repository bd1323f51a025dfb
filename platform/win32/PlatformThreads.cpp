#include "platform/Platform.h"

#include <new>
#include <process.h>
#include <windows.h>

struct PlatLockImpl {
    CRITICAL_SECTION section;
};

PlatLock Plat_CreateLock()
{
    PlatLockImpl* lock = new (std::nothrow) PlatLockImpl;
    if (lock == nullptr) return nullptr;
    InitializeCriticalSection(&lock->section);
    return lock;
}

void Plat_EnterLock(PlatLock lock) { EnterCriticalSection(&lock->section); }

void Plat_LeaveLock(PlatLock lock) { LeaveCriticalSection(&lock->section); }

void Plat_DeleteLock(PlatLock lock)
{
    if (lock == nullptr) return;
    DeleteCriticalSection(&lock->section);
    delete lock;
}

struct PlatEventImpl {
    HANDLE handle;
};

PlatEvent Plat_CreateEvent()
{
    // Automatic reset, initially clear, unnamed.
    HANDLE handle = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (handle == nullptr) return nullptr;
    PlatEventImpl* event = new (std::nothrow) PlatEventImpl{handle};
    if (event == nullptr) CloseHandle(handle);
    return event;
}

void Plat_SetEvent(PlatEvent event) { SetEvent(event->handle); }

int Plat_WaitEvent(PlatEvent event, unsigned timeoutMs, unsigned long* errorCode)
{
    // INFINITE would never time out; one millisecond short of it does.
    const DWORD timeout = timeoutMs == INFINITE ? INFINITE - 1 : static_cast<DWORD>(timeoutMs);
    const DWORD result = WaitForSingleObject(event->handle, timeout);
    if (result == WAIT_OBJECT_0) return PLAT_WAIT_SET;
    if (result == WAIT_TIMEOUT) return PLAT_WAIT_TIMED_OUT;
    *errorCode = result == WAIT_FAILED ? GetLastError() : result;
    return PLAT_WAIT_FAILED;
}

void Plat_DeleteEvent(PlatEvent event)
{
    if (event == nullptr) return;
    CloseHandle(event->handle);
    delete event;
}

unsigned long Plat_CurrentThreadId() { return static_cast<unsigned long>(GetCurrentThreadId()); }

namespace {

struct ThreadStart {
    PlatThreadProc proc;
    void* argument;
};

unsigned __stdcall RunThread(void* raw)
{
    ThreadStart start = *static_cast<ThreadStart*>(raw);
    delete static_cast<ThreadStart*>(raw);
    return start.proc(start.argument);
}

}  // namespace

bool Plat_BeginThread(PlatThreadProc proc, void* argument)
{
    ThreadStart* start = new (std::nothrow) ThreadStart{proc, argument};
    if (start == nullptr) return false;
    // _beginthreadex rather than CreateThread: the thread uses the C runtime.
    uintptr_t thread = _beginthreadex(nullptr, 0, RunThread, start, 0, nullptr);
    if (thread == 0) {
        delete start;
        return false;
    }
    // Never joined: the handle is not needed.
    CloseHandle(reinterpret_cast<HANDLE>(thread));
    return true;
}
