// The Sensormatic menu, the same in both trees.
#include "frame/MenuScreen.h"

#include "commands/Command_Sensormatic.h"
#include "link/Port6Session.h"
#include "link/securitymodule_commands.h"
#include "trace/Trace.h"

#include <iterator>

namespace {

void ShowControllerType()
{
    TRACE(TL_INFO | TF_INLINE, MODULE_COMMANDS, "Current Controller type :");
    if (SensormaticControllerType == '1')
        TRACE(TL_INFO | TF_CONSOLE, MODULE_COMMANDS, "1 - ScanMax\n");
    else if (SensormaticControllerType == '2')
        TRACE(TL_INFO | TF_INLINE, MODULE_COMMANDS, "2 - ScanMax Pro\n");
    else
        TRACE(TL_INFO | TF_CONSOLE, MODULE_COMMANDS, "None\n\n\n");
}

// Every pass asks the board afresh for the controller type it shows.
bool ShowCurrentControllerType()
{
    Port6Session port6;
    if (!port6.IsOpen()) return false;
    RequestSensormaticStatus();
    port6.Close();
    ShowControllerType();
    return true;
}

// The results are in the commands' own messages.
void RunSetControllerType() { ConfigureSensormaticControllerType(); }
void RunEnableController() { EnableSensormaticController(); }
void RunDisableController() { DisableSensormaticController(); }
void RunHardtagStatus() { ShowHardtagStatus(); }

const MenuItem sensormaticItems[] = {
    {'1', "Set Controller Type", RunSetControllerType, ANY_VERSION, AFTER_PAUSE},
    {'2', "Enable Controller", RunEnableController, ANY_VERSION, AFTER_PAUSE},
    {'3', "Disable Controller", RunDisableController, ANY_VERSION, AFTER_PAUSE},
    {'4', "Hardtag Detection Status", RunHardtagStatus, ANY_VERSION, AFTER_PAUSE},
    {'X', "Exit This Menu", nullptr, ANY_VERSION, AFTER_LEAVE},
};

const MenuTable sensormaticMenu = {
    "**** Sensormatic Menu ****", TITLE_THEN_BLANK, sensormaticItems,
    std::size(sensormaticItems),  ReadMenuKey,      KEEP_SCREEN,
    ShowCurrentControllerType,
};

}  // namespace

MenuExit RunSensormaticMenu() { return RunMenuTable(sensormaticMenu); }
