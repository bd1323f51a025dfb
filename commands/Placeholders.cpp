// Commands not built yet. Each says so plainly and does nothing else; each
// goes away when its command is built.
#include "commands/Command_Carousel.h"
#include "commands/Command_HardwareVersionRequest.h"
#include "commands/Command_Lights.h"
#include "commands/Command_ScaleTest.h"
#include "commands/Command_SecurityModuleUpload.h"
#include "commands/Command_SetSensors.h"
#include "link/securitymodule_commands.h"
#include "trace/Trace.h"

namespace {

void NotAvailable(const char* what)
{
    TRACE(TL_INFO | TF_CONSOLE, MODULE_COMMANDS, "%s is not available in this build.", what);
}

// For the menu items after which the menus do not pause: the message would
// otherwise scroll away at once.
void NotAvailableWithPause(const char* what)
{
    NotAvailable(what);
    PressAnyKeyToContinue();
}

}  // namespace

int SecurityModuleUpload()
{
    NotAvailable("Firmware upload");
    return 1;
}

void SetSafetySwitch() { NotAvailable("Setting the safety switches"); }
void SetCurtainBreakWindow() { NotAvailable("Setting the curtain break window"); }
void SetFlatpack() { NotAvailable("Setting the flatpack sensor"); }
void CuFlatpackStep() { NotAvailable("Setting the flatpack sensor"); }
void SetPowerRelay() { NotAvailable("Switched A/C power testing"); }

void LaneLightTest() { NotAvailable("The lane light / TAL-1 lights test"); }
void Tal2LightsTest() { NotAvailable("The TAL-2 lights test"); }
void SetAllEasAsLaneLight() { NotAvailable("Setting all 3 EAS lights as lane light"); }
void SetTopEasAsLaneLight() { NotAvailable("Setting the top EAS light as lane light"); }

void WriteHardwareVersionReport() { NotAvailable("The hardware version report"); }
void SetEBoxRound02() { NotAvailable("Setting the E-Box weight rounding"); }

int ScaleTest()
{
    NotAvailableWithPause("The scale test");
    return 0;
}
void AnalyzeScaleData() { NotAvailableWithPause("The scale data analysis"); }
