// The one logging call of both utilities: console echo and the rotating
// capture files in the firmware-update folder.
#ifndef TRACE_TRACE_H
#define TRACE_TRACE_H

// Severities.
enum { TL_ERROR = 0, TL_WARNING = 1, TL_INFO = 2, TL_DETAIL = 3 };

// Flags added to a severity.
enum { TF_ALERT = 0x400, TF_CONSOLE = 0x800, TF_INLINE = 0x1000 };

// Module ids: who is tracing.
enum { MODULE_CONFIG = 2, MODULE_LINK = 5, MODULE_COMMANDS = 25 };

void TraceWrite(int levelMask, int moduleId, const char* sourceFile, unsigned line, const char* format,
                ...) __attribute__((format(printf, 5, 6)));

// Flushes the capture file.
void TraceFlush();

// Every call site passes its own source location.
#define TRACE(levelMask, moduleId, ...) \
    TraceWrite((levelMask), (moduleId), __FILE__, __LINE__, __VA_ARGS__)

// Supplies the two thresholds of a module other than the configuration's own.
// The configuration registers one (it loads itself on the first call); until
// then, and always for module 2, both thresholds are 2.
using TraceThresholdSource = void (*)(int moduleId, int* loggingLevel, int* displayLevel);
void TraceSetThresholdSource(TraceThresholdSource source) noexcept;
void TraceGetThresholds(int moduleId, int* loggingLevel, int* displayLevel);

#endif
