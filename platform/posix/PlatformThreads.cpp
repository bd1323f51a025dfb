#include "platform/Platform.h"

#include <cerrno>
#include <ctime>
#include <new>
#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

struct PlatLockImpl {
    pthread_mutex_t mutex;
};

PlatLock Plat_CreateLock()
{
    PlatLockImpl* lock = new (std::nothrow) PlatLockImpl;
    if (lock == nullptr) return nullptr;
    // Recursive, like a critical section.
    pthread_mutexattr_t attributes;
    pthread_mutexattr_init(&attributes);
    pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE);
    pthread_mutex_init(&lock->mutex, &attributes);
    pthread_mutexattr_destroy(&attributes);
    return lock;
}

void Plat_EnterLock(PlatLock lock) { pthread_mutex_lock(&lock->mutex); }

void Plat_LeaveLock(PlatLock lock) { pthread_mutex_unlock(&lock->mutex); }

void Plat_DeleteLock(PlatLock lock)
{
    if (lock == nullptr) return;
    pthread_mutex_destroy(&lock->mutex);
    delete lock;
}

struct PlatEventImpl {
    pthread_mutex_t mutex;
    pthread_cond_t changed;
    bool set;  // guarded by the mutex
};

PlatEvent Plat_CreateEvent()
{
    PlatEventImpl* event = new (std::nothrow) PlatEventImpl;
    if (event == nullptr) return nullptr;
    pthread_mutex_init(&event->mutex, nullptr);
    // Timed waits run on the monotonic clock, so that a change of the
    // calendar clock neither lengthens nor cuts them.
    pthread_condattr_t attributes;
    pthread_condattr_init(&attributes);
    pthread_condattr_setclock(&attributes, CLOCK_MONOTONIC);
    pthread_cond_init(&event->changed, &attributes);
    pthread_condattr_destroy(&attributes);
    event->set = false;
    return event;
}

void Plat_SetEvent(PlatEvent event)
{
    pthread_mutex_lock(&event->mutex);
    event->set = true;
    pthread_cond_signal(&event->changed);
    pthread_mutex_unlock(&event->mutex);
}

int Plat_WaitEvent(PlatEvent event, unsigned timeoutMs, unsigned long* errorCode)
{
    struct timespec deadline;
    clock_gettime(CLOCK_MONOTONIC, &deadline);
    deadline.tv_sec += static_cast<time_t>(timeoutMs / 1000);
    deadline.tv_nsec += static_cast<long>(timeoutMs % 1000) * 1000000L;
    if (deadline.tv_nsec >= 1000000000L) {
        deadline.tv_sec += 1;
        deadline.tv_nsec -= 1000000000L;
    }
    pthread_mutex_lock(&event->mutex);
    // Spurious wake-ups go back to waiting until the deadline; any error
    // other than the time-out cannot be waited through.
    int result = 0;
    while (!event->set && result == 0)
        result = pthread_cond_timedwait(&event->changed, &event->mutex, &deadline);
    const bool wasSet = event->set;
    event->set = false;
    pthread_mutex_unlock(&event->mutex);
    if (wasSet) return PLAT_WAIT_SET;
    if (result == ETIMEDOUT) return PLAT_WAIT_TIMED_OUT;
    *errorCode = static_cast<unsigned long>(result);
    return PLAT_WAIT_FAILED;
}

void Plat_DeleteEvent(PlatEvent event)
{
    if (event == nullptr) return;
    pthread_cond_destroy(&event->changed);
    pthread_mutex_destroy(&event->mutex);
    delete event;
}

unsigned long Plat_CurrentThreadId() { return static_cast<unsigned long>(syscall(SYS_gettid)); }

namespace {

struct ThreadStart {
    PlatThreadProc proc;
    void* argument;
};

void* RunThread(void* raw)
{
    ThreadStart start = *static_cast<ThreadStart*>(raw);
    delete static_cast<ThreadStart*>(raw);
    start.proc(start.argument);
    return nullptr;
}

}  // namespace

bool Plat_BeginThread(PlatThreadProc proc, void* argument)
{
    // The new thread takes it over and deletes it.
    // cppcheck-suppress[unreadVariable,unusedAllocatedMemory] ; handed to pthread_create below
    ThreadStart* start = new (std::nothrow) ThreadStart{proc, argument};
    if (start == nullptr) return false;
    pthread_t thread;
    if (pthread_create(&thread, nullptr, RunThread, start) != 0) {
        delete start;
        return false;
    }
    pthread_detach(thread);
    return true;
}
