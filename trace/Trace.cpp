#include "trace/Trace.h"

#include "base/ProgramOptions.h"
#include "platform/Platform.h"
#include "trace/CaptureFile.h"
#include "trace/TraceTestHooks.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>

namespace {

enum { MESSAGE_LIMIT = 132, LINE_LIMIT = 132 };

// Never deleted, for the same reason as the capture lock.
PlatLock traceLock = nullptr;
std::once_flag traceLockOnce;

std::atomic<unsigned> errorHoldMs{1000};

// Set while static objects are initialised; read by every tracing thread.
std::atomic<TraceThresholdSource> thresholdSource{nullptr};

const char* const severityPrefix[] = {"<E>", " W ", "   ", "   "};

// The file's own name: the text after the last path separator.
const char* BaseName(const char* path)
{
    if (path == nullptr) return "";
    const char* base = path;
    for (const char* p = path; *p != '\0'; ++p)
        if (*p == '\\' || *p == '/') base = p + 1;
    return base;
}

}  // namespace

void TraceSetThresholdSource(TraceThresholdSource source) noexcept { thresholdSource.store(source); }

void TraceGetThresholds(int moduleId, int* loggingLevel, int* displayLevel)
{
    *loggingLevel = 2;
    *displayLevel = 2;
    const TraceThresholdSource source = thresholdSource.load();
    if (moduleId != MODULE_CONFIG && source != nullptr) source(moduleId, loggingLevel, displayLevel);
}

void TraceWrite(int levelMask, int moduleId, const char* sourceFile, unsigned line, const char* format,
                ...)
{
    std::call_once(traceLockOnce, [] { traceLock = Plat_CreateLock(); });

    bool toConsole = false;
    bool inlineEcho = false;
    if (levelMask & TF_CONSOLE) {
        levelMask &= ~TF_CONSOLE;
        toConsole = true;
    }
    if (levelMask & TF_INLINE) {
        levelMask &= ~TF_INLINE;
        toConsole = true;
        inlineEcho = true;
    }
    levelMask &= ~TF_ALERT;
    const int severity = levelMask;

    // The configuration's own lines pass before it is loaded, whatever the
    // thresholds say.
    int loggingLevel = 2;
    int displayLevel = 2;
    if (moduleId != MODULE_CONFIG) {
        TraceGetThresholds(moduleId, &loggingLevel, &displayLevel);
        if (loggingLevel < severity) return;
    }
    if (severity < TL_ERROR || severity > TL_DETAIL) return;

    char message[MESSAGE_LIMIT + 1];
    message[0] = '\0';
    Plat_EnterLock(traceLock);
    if (format != nullptr) {
        va_list arguments;
        va_start(arguments, format);
        // A longer message is cut at the limit; the line is written either way.
        (void)vsnprintf(message, sizeof message, format, arguments);
        va_end(arguments);
    }
    if (toConsole && g_ProgramOptions.m_ConsoleDisplay && moduleId != MODULE_CONFIG &&
        displayLevel >= severity) {
        Plat_ConsoleWrite(message, std::strlen(message));
        if (!inlineEcho) Plat_ConsoleWrite("\n", 1);
    }
    Plat_LeaveLock(traceLock);

    // The head takes at most 27 characters (a 10-digit line number); the
    // message gets what is left of the 132.
    char captureLine[LINE_LIMIT + 4];
    const int head = std::snprintf(captureLine, sizeof captureLine, "%-12.12s:%5u:%s",
                                   BaseName(sourceFile), line, severityPrefix[severity]);
    const size_t used = head > 0 ? static_cast<size_t>(head) : 0;
    const size_t messageLength = strnlen(message, LINE_LIMIT - used);
    std::memcpy(captureLine + used, message, messageLength);
    captureLine[used + messageLength] = '\0';
    CaptureWriteLine(captureLine);

    if (severity == TL_ERROR) {
        CaptureFlush();
        Plat_Sleep(errorHoldMs.load());
    }
}

void TraceFlush() { CaptureFlush(); }

void TraceSetErrorHoldForTests(unsigned milliseconds) { errorHoldMs.store(milliseconds); }
