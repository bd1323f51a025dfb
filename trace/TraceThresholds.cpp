#include "config/PgmCnfg.h"
#include "trace/Trace.h"

// The configuration's own lines keep the defaults: they are traced while it
// loads. Any other module makes sure it is loaded first.
void TraceGetThresholds(int moduleId, int* loggingLevel, int* displayLevel)
{
    if (moduleId == MODULE_CONFIG) {
        *loggingLevel = 2;
        *displayLevel = 2;
        return;
    }
    AccessProgramConfig();
    *loggingLevel = ProgramConfig.m_Capture_Logging_Level;
    *displayLevel = ProgramConfig.m_Capture_Display_Level;
}
