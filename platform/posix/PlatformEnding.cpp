// How the process ends on a signal. The handler only does what is safe in a
// signal handler: it puts the terminal back and, for SIGINT, SIGTERM and
// SIGHUP once the program has an ending handler, hands the signal to a
// thread of its own through a pipe. That thread runs the ending handler,
// which may take locks, and then lets the same signal end the process as it
// would have: same signal, same status. A second signal while the handler
// runs ends the process at once.
#include "platform/Platform.h"
#include "platform/posix/PosixSupport.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <mutex>
#include <pthread.h>
#include <unistd.h>

namespace {

std::atomic<PlatEndingHandler> endingHandler{nullptr};
std::once_flag endingThreadOnce;
// Written once before the signal handlers that read them are installed.
std::atomic<int> endingPipeIn{-1};
int endingPipeOut = -1;
std::atomic<bool> endingUnderway{false};

const int HANDED_OVER_SIGNALS[] = {SIGINT, SIGTERM, SIGHUP};

bool IsHandedOver(int signalNumber)
{
    for (int handed : HANDED_OVER_SIGNALS)
        if (handed == signalNumber) return true;
    return false;
}

// The signal's own default action ends the process. In a signal handler the
// signal stays blocked until the handler returns, and takes effect then.
void EndBySignal(int signalNumber)
{
    (void)signal(signalNumber, SIG_DFL);
    (void)raise(signalNumber);
}

// Async-signal-safe: atomics, write, signal and raise only.
void OnSignal(int signalNumber)
{
    const int savedErrno = errno;
    PosixRestoreTerminal();
    const int pipeIn = endingPipeIn.load();
    if (IsHandedOver(signalNumber) && pipeIn >= 0 && !endingUnderway.exchange(true)) {
        const unsigned char byte = static_cast<unsigned char>(signalNumber);
        if (write(pipeIn, &byte, 1) == 1) {
            errno = savedErrno;
            return;
        }
    }
    EndBySignal(signalNumber);
    errno = savedErrno;
}

unsigned RunEnding(void* unused)
{
    (void)unused;
    unsigned char byte = 0;
    ssize_t count;
    do {
        count = read(endingPipeOut, &byte, 1);
    } while (count < 0 && errno == EINTR);
    // The pipe cannot fail while the process lives; should it, SIGTERM ends
    // the process as it would without a handler.
    const int signalNumber = count == 1 ? byte : SIGTERM;
    const PlatEndingHandler handler = endingHandler.load();
    if (handler != nullptr) handler();
    PosixRestoreTerminal();
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signalNumber);
    pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
    EndBySignal(signalNumber);
    _exit(128 + signalNumber);
}

// A program that reaches its normal end while a signal's ending is under way
// waits for it, so that the caller learns the signal's status and not the
// end's. Registered after the static objects were made, it runs before their
// teardown, so the capture file is not closed as after a normal run.
void AwaitEndingUnderway()
{
    if (!endingUnderway.load()) return;
    for (;;) pause();
}

void StartEndingThread()
{
    int ends[2];
    if (pipe(ends) != 0) return;
    (void)fcntl(ends[0], F_SETFD, FD_CLOEXEC);
    (void)fcntl(ends[1], F_SETFD, FD_CLOEXEC);
    endingPipeOut = ends[0];
    if (!Plat_BeginThread(RunEnding, nullptr)) {
        close(ends[0]);
        close(ends[1]);
        return;
    }
    endingPipeIn.store(ends[1]);
    (void)std::atexit(AwaitEndingUnderway);
    // A forked child has no ending thread: its signals end it at once.
    (void)pthread_atfork(nullptr, nullptr, [] { endingPipeIn.store(-1); });
    for (int signalNumber : HANDED_OVER_SIGNALS) PosixCatchSignal(signalNumber);
}

}  // namespace

void PosixCatchSignal(int signalNumber)
{
    // A signal the process was told to ignore (nohup, a background job)
    // stays ignored.
    struct sigaction previous = {};
    if (sigaction(signalNumber, nullptr, &previous) != 0 || previous.sa_handler == SIG_IGN) return;
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a signal that ends the process at once must interrupt a
    // blocking read under the thread sanitizer too. While the ending handler
    // runs, the program goes on for a moment: its reads and waits go back to
    // waiting when interrupted, and a write to the capture file (a regular
    // file) is not interrupted.
    action.sa_flags = 0;
    sigaction(signalNumber, &action, nullptr);
}

void Plat_SetEndingHandler(PlatEndingHandler handler)
{
    endingHandler.store(handler);
    std::call_once(endingThreadOnce, StartEndingThread);
}
