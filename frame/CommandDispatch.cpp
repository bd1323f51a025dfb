#include "frame/CommandDispatch.h"

#include "commands/Command_Carousel.h"
#include "commands/Command_HardwareVersionRequest.h"
#include "commands/Command_Lights.h"
#include "commands/Command_SecurityModuleUpload.h"
#include "commands/Command_SetSensors.h"
#include "base/ProgramOptions.h"
#include "base/Variant.h"
#include "trace/Trace.h"

#include <cstring>

namespace {

int RunUpload()
{
    if (SecurityModuleUpload() == 0) return 0;
    TRACE(TL_INFO | TF_CONSOLE, MODULE_COMMANDS, "ERROR 14, Upload Failed.");
    return g_Variant.exitUploadFailed;
}

// The identity the start-up has shown is the whole answer.
int RunGetVersion() { return 0; }

// The other commands report their outcome in their own messages; a script
// sees a failed setting in the output, not in the exit status.
int RunSafetySwitch() { return SetSafetySwitch(), 0; }
int RunEBoxRound02() { return SetEBoxRound02(), 0; }
int RunHardwareVersionRequest() { return WriteHardwareVersionReport(), 0; }
int RunCurtainBreakWindow() { return SetCurtainBreakWindow(), 0; }
int RunFlatpack() { return SetFlatpack(), 0; }
int RunEpsFlash() { return SetAllEasAsLaneLight(), 0; }
int RunTopEpsLl() { return SetTopEasAsLaneLight(), 0; }
int RunEpsLlFlash() { return SetAllEasAsLaneLight(), SetTopEasAsLaneLight(), 0; }

struct AutomatedCommand {
    const char* name;
    int (*run)();
};

// Compared exactly, in this order.
const AutomatedCommand commands[] = {
    {"SecurityModuleUpload", RunUpload},
    {"GetVersion", RunGetVersion},
    {"SetSafetySwitch", RunSafetySwitch},
    {"EBoxRound02", RunEBoxRound02},
    {"HardwareVersionRequest", RunHardwareVersionRequest},
    {"SetCurtainBreakWindow", RunCurtainBreakWindow},
    {"SetFlatpack", RunFlatpack},
    {"EPSFlash", RunEpsFlash},
    {"TopEPSLL", RunTopEpsLl},
    {"EPSLLFlash", RunEpsLlFlash},
};

}  // namespace

int CommandDispatch()
{
    for (const AutomatedCommand& command : commands)
        if (std::strcmp(g_ProgramOptions.m_CommandName, command.name) == 0) return command.run();
    return 0;
}
