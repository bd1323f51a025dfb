// The console off Windows. On a terminal, single-key no-echo input is switched
// on only while keys are awaited, and the terminal is always put back: after
// a key read, at a line read, at exit, at an immediate exit and on a fatal
// signal. Input that is not a terminal is read byte by byte; once it ends,
// every key is X and every line is empty, so a scripted run ends like a
// technician pressing X.
#include "platform/Platform.h"
#include "platform/posix/PosixSupport.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

// The reader thread may print before the main thread ever waits for a key.
std::once_flag setUpOnce;
bool inputIsTerminal = false;
struct termios originalTerminal;
std::atomic<bool> keyModeOn{false};
bool inputEnded = false;
int pushedBack = -1;

void RestoreAtExit() { PosixRestoreTerminal(); }

void SetUpOnce()
{
    inputIsTerminal = isatty(STDIN_FILENO) == 1 && tcgetattr(STDIN_FILENO, &originalTerminal) == 0;
    (void)signal(SIGPIPE, SIG_IGN);
    if (!inputIsTerminal) return;
    // Without the hook only a normal end leaves the terminal as it was.
    (void)std::atexit(RestoreAtExit);
    const int fatalSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGABRT};
    for (int signalNumber : fatalSignals) PosixCatchSignal(signalNumber);
}

void SetUpConsole() { std::call_once(setUpOnce, SetUpOnce); }

void EnterKeyMode()
{
    if (!inputIsTerminal || keyModeOn.load()) return;
    struct termios keys = originalTerminal;
    keys.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
    keys.c_cc[VMIN] = 1;
    keys.c_cc[VTIME] = 0;
    // Marked first: a signal that arrives just after the switch must find
    // the mark and put the terminal back.
    keyModeOn.store(true);
    if (tcsetattr(STDIN_FILENO, TCSANOW, &keys) != 0) keyModeOn.store(false);
}

void LeaveKeyMode() { PosixRestoreTerminal(); }

void FlushOutput() { std::fflush(stdout); }

// One byte of input, or -1 at its end.
int ReadByte()
{
    if (pushedBack >= 0) {
        int byte = pushedBack;
        pushedBack = -1;
        return byte;
    }
    if (inputEnded) return -1;
    for (;;) {
        unsigned char byte;
        ssize_t count = read(STDIN_FILENO, &byte, 1);
        if (count == 1) return byte;
        if (count < 0 && errno == EINTR) continue;
        inputEnded = true;
        return -1;
    }
}

bool NativeKeyHit()
{
    SetUpConsole();
    FlushOutput();
    if (pushedBack >= 0 || inputEnded) return true;
    EnterKeyMode();
    struct pollfd input = {STDIN_FILENO, POLLIN, 0};
    int ready = poll(&input, 1, 0);
    if (ready == 0) return false;
    if (ready < 0) return false;
    // Ready: a byte, or the end of the input, which also counts as a key.
    int byte = ReadByte();
    if (byte >= 0) pushedBack = byte;
    return true;
}

// The terminal is back in its own mode as soon as the key is read.
int NativeGetKey()
{
    SetUpConsole();
    FlushOutput();
    if (pushedBack < 0) EnterKeyMode();
    int byte = ReadByte();
    LeaveKeyMode();
    return byte < 0 ? 'X' : byte;
}

void NativeGetLine(char* buffer, size_t size)
{
    SetUpConsole();
    FlushOutput();
    LeaveKeyMode();
    size_t length = 0;
    bool endsInReturn = false;  // the last byte read was a kept '\r'
    for (;;) {
        int byte = ReadByte();
        if (byte < 0 || byte == '\n') break;
        endsInReturn = false;
        if (length + 1 < size) {
            buffer[length++] = static_cast<char>(byte);
            endsInReturn = byte == '\r';
        }
    }
    if (endsInReturn) --length;
    buffer[length] = '\0';
}

void NativeWrite(const char* text, size_t length) { std::fwrite(text, 1, length, stdout); }

const PlatConsoleOps nativeConsole = {NativeKeyHit, NativeGetKey, NativeGetLine, NativeWrite};

}  // namespace

void PosixRestoreTerminal()
{
    if (inputIsTerminal && keyModeOn.load()) {
        tcsetattr(STDIN_FILENO, TCSANOW, &originalTerminal);
        keyModeOn.store(false);
    }
}

const PlatConsoleOps* Plat_NativeConsole()
{
    SetUpConsole();
    return &nativeConsole;
}

void Plat_ErrorWrite(const char* text, size_t length)
{
    FlushOutput();
    std::fwrite(text, 1, length, stderr);
    std::fflush(stderr);
}
