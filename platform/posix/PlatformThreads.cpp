#include "platform/Platform.h"

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
