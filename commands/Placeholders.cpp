// Commands not built yet. Each says so plainly and does nothing else; each
// goes away when its command is built.
#include "commands/Command_ConveyorTests.h"
#include "commands/Command_CouponBox.h"
#include "commands/Command_ModuleService.h"
#include "commands/Command_Sensormatic.h"
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

void SetSuModel() { NotAvailable("Setting the SU model"); }
void CalibrateProximitySensor() { NotAvailable("Proximity sensor calibration"); }
void UsbTest() { NotAvailable("USB testing"); }
void SoftReset() { NotAvailable("Soft reset"); }

char SensormaticControllerType = '0';
int ConfigureSensormaticControllerType()
{
    NotAvailable("Setting the controller type");
    return 0;
}
int EnableSensormaticController()
{
    NotAvailable("Enabling the controller");
    return 0;
}
int DisableSensormaticController()
{
    NotAvailable("Disabling the controller");
    return 0;
}
int ShowHardtagStatus()
{
    NotAvailable("The hardtag detection status");
    return 0;
}
// Silent: the menu asks on every pass and shows "None" for the type '0'.
int RequestSensormaticStatus() { return 0; }

int CouponBoxTest()
{
    NotAvailable("The coupon box test");
    return 0;
}

void ConveyorSafetySwitchesTest() { NotAvailable("The conveyor safety switches test"); }
void StaticCurtainTest() { NotAvailable("Curtain testing"); }
void DisplayModulePacketsTest() { NotAvailableWithPause("The packet display"); }
