// The platform layer: every operating-system call the utilities make goes
// through here. Each function maps one to one onto the Win32 call named in
// its comment; platform/posix/ stands in for Windows elsewhere, and
// platform/win32/ makes the real calls. Nothing outside platform/ may test
// which platform it runs on.
#ifndef PLATFORM_PLATFORM_H
#define PLATFORM_PLATFORM_H

#include <cstddef>
#include <cstdint>
#include <cstdio>

// ---------------------------------------------------------------- start-up

// AfxWinInit. False when the process cannot be initialised (off Windows:
// the current directory can no longer be resolved).
bool Plat_FrameworkInit();

// ------------------------------------------------------------------- paths

// Turns a path as the program writes it ("c:\FirmwareUpdate\x.Txt",
// "..\Config\LaneConfig.Ini") into the path the OS opens. Creates the stand-in
// drive root on first use. False when the result does not fit.
bool Plat_NativePath(const char* path, char* out, size_t outSize);

// ------------------------------------------------------------------- files

// CreateDirectoryA. False when the folder was not created (it exists, or
// its parent is missing).
bool Plat_CreateDirectory(const char* path);

// MoveFileExA with MOVEFILE_REPLACE_EXISTING.
bool Plat_MoveFileReplace(const char* from, const char* to);

// fopen on the mapped path; mode as for fopen ("w", "rb", ...).
FILE* Plat_OpenFile(const char* path, const char* mode);

// The system's reason for the last failed file call of this thread, as
// FormatMessageA gives it for GetLastError (off Windows strerror of errno),
// without a line end.
void Plat_LastErrorText(char* out, size_t size);

// GetFileAttributesA: -1 when the path is missing, else the attribute bits
// (0x10 folder, 0x20 archive, 0x01 read-only, 0x80 normal, ...).
long Plat_GetFileAttributes(const char* path);

// -------------------------------------------------------------------- time

// The tick count, the sleep and the wait for an event go through an
// operations table so that a test that is not about timing, or a fuzz
// target, can run on a clock of its own. Further waits of the platform
// belong in this table too.

// An event (below).
struct PlatEventImpl;
typedef PlatEventImpl* PlatEvent;

struct PlatTimeOps {
    uint32_t (*tickCountMs)();             // timeGetTime
    void (*sleep)(unsigned milliseconds);  // Sleep
    // WaitForSingleObject on an event: Plat_WaitEvent on the native clock.
    int (*waitEvent)(PlatEvent event, unsigned timeoutMs, unsigned long* errorCode);
};

// The real clock of this platform.
const PlatTimeOps* Plat_NativeTime();
// Replaces the clock (nullptr restores the native one).
void Plat_SetTime(const PlatTimeOps* ops);

// timeGetTime: milliseconds since system start, 32 bits, wrapping.
uint32_t Plat_TickCountMs();

// Sleep.
void Plat_Sleep(unsigned milliseconds);

// Plat_WaitEvent on the installed clock, for the program's own waits.
int Plat_WaitEventOnClock(PlatEvent event, unsigned timeoutMs, unsigned long* errorCode);

// Local date as "mm/dd/yy" and time of day as "hh:mm:ss" (24-hour); each
// buffer holds at least 9 bytes.
void Plat_LocalDateText(char* out);
void Plat_LocalTimeText(char* out);

// time(): seconds of the calendar clock.
long long Plat_CalendarSeconds();

// ------------------------------------------------------- locks and threads

// A critical section (InitializeCriticalSection / Enter / Leave / Delete).
struct PlatLockImpl;
typedef PlatLockImpl* PlatLock;
PlatLock Plat_CreateLock();
void Plat_EnterLock(PlatLock lock);
void Plat_LeaveLock(PlatLock lock);
void Plat_DeleteLock(PlatLock lock);

// An auto-reset event (CreateEventA with automatic reset, initially clear /
// SetEvent / WaitForSingleObject / CloseHandle). A set releases one wait and
// clears the event; set while nobody waits, it stays set until the next wait
// takes it, so a set is never lost. nullptr when it cannot be created.
PlatEvent Plat_CreateEvent();
void Plat_SetEvent(PlatEvent event);
// Waits until the event is set or timeoutMs have passed: PLAT_WAIT_SET (it
// is clear again), PLAT_WAIT_TIMED_OUT, or PLAT_WAIT_FAILED at once, with
// *errorCode the system's code, when the wait itself fails. Windows may end a
// timed-out wait up to one clock tick early: a caller keeping a deadline
// checks its own clock.
enum { PLAT_WAIT_SET = 0, PLAT_WAIT_TIMED_OUT = 1, PLAT_WAIT_FAILED = 2 };
int Plat_WaitEvent(PlatEvent event, unsigned timeoutMs, unsigned long* errorCode);
void Plat_DeleteEvent(PlatEvent event);

// GetCurrentThreadId.
unsigned long Plat_CurrentThreadId();

// AfxBeginThread: starts a thread running at once, never joined. False when
// it could not be started.
typedef unsigned (*PlatThreadProc)(void* argument);
bool Plat_BeginThread(PlatThreadProc proc, void* argument);

// ------------------------------------------------------------------ process

// Ends the process at once with the status: no static teardown, but the
// console is put back as it was found.
[[noreturn]] void Plat_ExitNow(int status);

// SetConsoleCtrlHandler: the handler runs when the process is being ended by
// Ctrl-C, Ctrl-Break, the console closed, a log-off or a shut-down (off
// Windows: SIGINT, SIGTERM, SIGHUP), on a thread of its own where it may
// take locks; the process then ends as it would have without it, with the
// same status. A later call replaces the handler.
typedef void (*PlatEndingHandler)();
void Plat_SetEndingHandler(PlatEndingHandler handler);

// -------------------------------------------------------------------- console
//
// All console traffic goes through an operations table so that tests can
// script keys and lines and capture what is printed.

struct PlatConsoleOps {
    bool (*keyHit)();                            // _kbhit
    int (*getKey)();                             // _getch
    void (*getLine)(char* buffer, size_t size);  // gets, bounded
    void (*write)(const char* text, size_t length);
};

// The real console of this platform.
const PlatConsoleOps* Plat_NativeConsole();
// Replaces the console (nullptr restores the native one).
void Plat_SetConsole(const PlatConsoleOps* ops);

bool Plat_KeyHit();
int Plat_GetKey();
// Reads one line without its line end, at most size - 1 characters; the rest
// of a longer line is read and dropped.
void Plat_GetLine(char* buffer, size_t size);
void Plat_ConsoleWrite(const char* text, size_t length);
void Plat_ConsolePrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));

// ---------------------------------------------------------- standard error
//
// Notes for the calling script beside the console, never on it: what the
// console shows, the capture file and the exit status stay as they are.

// fputs to stderr, at once. The console's pending output goes out first, so
// that on one terminal the two keep their order.
void Plat_ErrorWrite(const char* text, size_t length);
void Plat_ErrorPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));

// --------------------------------------------------------- profile files
//
// What the Windows profile calls do, by our own INI code on every platform
// (platform/Profile.cpp), except that a file name without a folder is the
// current directory's, never the Windows folder's.

// GetPrivateProfileStringA: copies the value (or the default) into buffer,
// cut to size - 1 and terminated; returns the number of characters copied.
unsigned Plat_GetProfileString(const char* section, const char* key, const char* defaultValue,
                               char* buffer, unsigned size, const char* file);

// WritePrivateProfileStringA (section, key and value all non-null).
bool Plat_WriteProfileString(const char* section, const char* key, const char* value, const char* file);

// GetPrivateProfileSectionNamesA: the section names, each terminated, the list
// ended by an empty name; returns the number of characters copied.
unsigned Plat_GetProfileSectionNames(char* buffer, unsigned size, const char* file);

// -------------------------------------------------------------- registry

// RegOpenKeyExA (HKEY_LOCAL_MACHINE, KEY_READ) / RegQueryValueExA / RegCloseKey.
struct PlatRegKeyImpl;
typedef PlatRegKeyImpl* PlatRegKey;
bool Plat_RegOpenLocalMachineKey(const char* keyPath, PlatRegKey* key);
// Raw bytes of the value into buffer; false when missing or longer than
// size - 1 (Windows refuses such a query rather than cutting the value).
bool Plat_RegQueryValue(PlatRegKey key, const char* valueName, char* buffer, unsigned size);
void Plat_RegCloseKey(PlatRegKey key);

// GetComputerNameA.
bool Plat_GetComputerName(char* buffer, unsigned size);

// ---------------------------------------------------------- board device
//
// The board's kernel driver. Like the console, the device goes through an
// operations table so that tests can inject faults the socket cannot produce.

typedef intptr_t PlatDevice;
const PlatDevice PLAT_INVALID_DEVICE = -1;
enum { PLAT_DEVICE_READ = 1, PLAT_DEVICE_WRITE = 2 };

struct PlatDeviceOps {
    // CreateFileA on the device name; on failure PLAT_INVALID_DEVICE and
    // *errorCode the system error code.
    PlatDevice (*open)(const char* deviceName, int access, unsigned long* errorCode);
    // ReadFile of up to size bytes. On success *count is the count read.
    bool (*read)(PlatDevice device, void* buffer, unsigned size, unsigned* count,
                 unsigned long* errorCode);
    // WriteFile.
    bool (*write)(PlatDevice device, const void* buffer, unsigned size, unsigned* written,
                  unsigned long* errorCode);
    // DeviceIoControl with no input buffer and the given output buffer.
    bool (*control)(PlatDevice device, unsigned long code, void* outBuffer, unsigned outSize,
                    unsigned long* errorCode);
};

const PlatDeviceOps* Plat_NativeDevice();
void Plat_SetDevice(const PlatDeviceOps* ops);
const PlatDeviceOps* Plat_Device();

#endif
