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
    if (writable && CaptureFile.state == CAPTURE_OPEN) {
        std::fputs(line, CaptureFile.stream);
        std::fputc('\n', CaptureFile.stream);
        ++CaptureFile.lineCount;
    }
    LeaveCapture();
}

void CaptureFlush()
{
    EnterCapture();
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
