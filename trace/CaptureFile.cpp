#include "trace/CaptureFile.h"

#include "base/Variant.h"
#include "platform/Platform.h"

#include <cstdio>
#include <mutex>

namespace {

const char* const captureNames[] = {
    "c:\\FirmwareUpdate\\Utility01.Txt", "c:\\FirmwareUpdate\\Utility02.Txt",
    "c:\\FirmwareUpdate\\Utility03.Txt", "c:\\FirmwareUpdate\\Utility04.Txt",
    "c:\\FirmwareUpdate\\Utility05.Txt",
};

struct CaptureFileRecord {
    FILE* stream;
    int state;
    int lineCount;
    char dateTime[48];
};

// Constant-initialised, so that a line traced before main finds it ready.
CaptureFileRecord CaptureFile = {nullptr, CAPTURE_NOT_OPENED, CAPTURE_LINE_LIMIT + 1, {0}};

// Never deleted: the link's reader thread may still trace while the process
// ends, and a lock must not be used after it is destroyed.
PlatLock captureLock = nullptr;
std::once_flag captureLockOnce;

void EnterCapture()
{
    std::call_once(captureLockOnce, [] { captureLock = Plat_CreateLock(); });
    Plat_EnterLock(captureLock);
}

void LeaveCapture() { Plat_LeaveLock(captureLock); }

// " mm/dd/yy : hh:mm:ss : ms" as used by the header and the footer.
const char* DateTimeText()
{
    char date[9];
    char time[9];
    Plat_LocalDateText(date);
    Plat_LocalTimeText(time);
    std::snprintf(CaptureFile.dateTime, sizeof CaptureFile.dateTime, "%s : %s : %u", date, time,
                  static_cast<unsigned>(Plat_TickCountMs()));
    return CaptureFile.dateTime;
}

// Footer and close of a full file; false when the stream failed.
bool CloseFullFile()
{
    std::fprintf(CaptureFile.stream,
                 "\n*** Continued in next capture file ***\n\n Current Date / Time : %s\n\n",
                 DateTimeText());
    bool failed = std::ferror(CaptureFile.stream) != 0;
    failed = (std::fclose(CaptureFile.stream) != 0) || failed;
    CaptureFile.stream = nullptr;
    return !failed;
}

void ShiftOlderFiles()
{
    for (int index = 3; index >= 0; --index)
        Plat_MoveFileReplace(captureNames[index], captureNames[index + 1]);
}

// Capture stays off for the run without a word on the console; a script
// learns of it on standard error.
void NoteOpenFailure()
{
    char reason[200];
    Plat_LastErrorText(reason, sizeof reason);
    char path[600];
    if (!Plat_NativePath(captureNames[0], path, sizeof path))
        std::snprintf(path, sizeof path, "%s", captureNames[0]);
    Plat_ErrorPrintf(
        "%s: cannot open the capture file \"%s\": %s; nothing more of this run is recorded\n",
        g_Variant.programName, path, reason);
}

bool OpenNewFile()
{
    ShiftOlderFiles();
    CaptureFile.stream = Plat_OpenFile(captureNames[0], "w");
    if (CaptureFile.stream == nullptr) {
        NoteOpenFailure();
        return false;
    }
    std::fprintf(CaptureFile.stream, "\n --- File Opened : Date / Time : %s ---\n\n", DateTimeText());
    return true;
}

// Starts the next file; false when the line must be dropped.
bool StartNewFile()
{
    CaptureFile.lineCount = 0;
    if (CaptureFile.state == CAPTURE_OPEN) {
        if (!CloseFullFile()) {
            CaptureFile.state = CAPTURE_FAILED;
            return false;
        }
        CaptureFile.state = CAPTURE_NOT_OPENED;
    }
    if (CaptureFile.state == CAPTURE_NOT_OPENED) {
        if (!OpenNewFile()) {
            CaptureFile.state = CAPTURE_FAILED;
            return false;
        }
        CaptureFile.state = CAPTURE_OPEN;
    }
    return true;
}

// ---------------------------------------------------------------- flusher
//
// Lines wait in the stream's buffer, so that packet dumps cost little, but
// never much longer than FLUSH_DELAY_MS: what was handed to the system
// survives the process, however it ends. The first line after a flush wakes
// the flusher, which waits the delay and flushes what has gathered. When the
// process is being ended (a signal, a console event) everything waiting is
// flushed, and every later line as it is written.

const unsigned FLUSH_DELAY_MS = 25;
const unsigned FLUSHER_IDLE_MS = 60000;

// Guarded by the capture lock.
bool flusherStarted = false;
bool linesWaiting = false;   // written since the last flush
bool flushEachLine = false;  // no flusher, or the process is being ended
PlatEvent linesWritten = nullptr;

void FlushAllFromNowOn()
{
    EnterCapture();
    flushEachLine = true;
    linesWaiting = false;
    if (CaptureFile.state == CAPTURE_OPEN) std::fflush(CaptureFile.stream);
    LeaveCapture();
}

unsigned RunFlusher(void* unused)
{
    (void)unused;
    // Real time, whatever clock the program's own waits run on.
    const PlatTimeOps* clock = Plat_NativeTime();
    for (;;) {
        unsigned long errorCode = 0;
        const int woken = clock->waitEvent(linesWritten, FLUSHER_IDLE_MS, &errorCode);
        if (woken == PLAT_WAIT_FAILED) break;
        if (woken != PLAT_WAIT_SET) continue;
        clock->sleep(FLUSH_DELAY_MS);
        CaptureFlush();
    }
    // Without its wake the flusher cannot keep the delay: lines go out as
    // they are written.
    FlushAllFromNowOn();
    return 0;
}

void StartFlusher()
{
    flusherStarted = true;
    Plat_SetEndingHandler(FlushAllFromNowOn);
    linesWritten = Plat_CreateEvent();
    flushEachLine = linesWritten == nullptr || !Plat_BeginThread(RunFlusher, nullptr);
}

// Under the capture lock, after a line went into the stream: true when it is
// the first to wait, and the flusher is to be woken once the lock is left.
bool LineWaits()
{
    if (!flusherStarted) StartFlusher();
    if (flushEachLine) {
        std::fflush(CaptureFile.stream);
        return false;
    }
    if (linesWaiting) return false;
    linesWaiting = true;
    return true;
}

// Closes the file when the program ends normally (static teardown).
struct CaptureFileLifetime {
    ~CaptureFileLifetime() { CaptureClose(); }
};
CaptureFileLifetime captureFileLifetime;

}  // namespace

void CaptureWriteLine(const char* line)
{
    EnterCapture();
    bool writable = true;
    if (CaptureFile.lineCount > CAPTURE_LINE_LIMIT) writable = StartNewFile();
    bool wakeFlusher = false;
    if (writable && CaptureFile.state == CAPTURE_OPEN) {
        std::fputs(line, CaptureFile.stream);
        std::fputc('\n', CaptureFile.stream);
        ++CaptureFile.lineCount;
        wakeFlusher = LineWaits();
    }
    LeaveCapture();
    if (wakeFlusher) Plat_SetEvent(linesWritten);
}

void CaptureFlush()
{
    EnterCapture();
    linesWaiting = false;
    if (CaptureFile.state == CAPTURE_OPEN) std::fflush(CaptureFile.stream);
    LeaveCapture();
}

void CaptureClose()
{
    EnterCapture();
    if (CaptureFile.state == CAPTURE_OPEN) {
        std::fputs("\n*** Program closing ***\n\n", CaptureFile.stream);
        bool failed = std::ferror(CaptureFile.stream) != 0;
        failed = (std::fclose(CaptureFile.stream) != 0) || failed;
        CaptureFile.stream = nullptr;
        CaptureFile.state = failed ? CAPTURE_FAILED : CAPTURE_CLOSED;
    } else if (CaptureFile.state == CAPTURE_NOT_OPENED) {
        // A thread still tracing after the end must not start a new file.
        CaptureFile.state = CAPTURE_CLOSED;
    }
    LeaveCapture();
}

int CaptureState()
{
    EnterCapture();
    int state = CaptureFile.state;
    LeaveCapture();
    return state;
}

int CaptureLineCount()
{
    EnterCapture();
    int count = CaptureFile.lineCount;
    LeaveCapture();
    return count;
}
