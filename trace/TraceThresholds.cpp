#include "trace/Trace.h"

// Until the lane configuration is loaded both thresholds keep their default.
void TraceGetThresholds(int moduleId, int* loggingLevel, int* displayLevel)
{
    (void)moduleId;
    *loggingLevel = 2;
    *displayLevel = 2;
}
