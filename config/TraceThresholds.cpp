#include "config/PgmCnfg.h"
#include "trace/Trace.h"

namespace {

// Any module but the configuration's own makes sure it is loaded first.
void ConfiguredThresholds(int /*moduleId*/, int* loggingLevel, int* displayLevel)
{
    AccessProgramConfig();
    *loggingLevel = ProgramConfig.m_Capture_Logging_Level;
    *displayLevel = ProgramConfig.m_Capture_Display_Level;
}

}  // namespace

bool RegisterTraceThresholds() noexcept
{
    TraceSetThresholdSource(ConfiguredThresholds);
    return true;
}
