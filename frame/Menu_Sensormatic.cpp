// The Sensormatic menu, the same in both trees.
#include "frame/MenuScreen.h"

#include "commands/Command_Sensormatic.h"
#include "link/securitymodule_commands.h"
#include "trace/Trace.h"

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

void ShowSensormaticMenu()
{
    TRACE(TL_INFO | TF_CONSOLE, MODULE_COMMANDS, "**** Sensormatic Menu ****");
    MenuEmptyLine();
    TRACE(TL_INFO | TF_CONSOLE, MODULE_COMMANDS, " 1 - Set Controller Type");
    TRACE(TL_INFO | TF_CONSOLE, MODULE_COMMANDS, " 2 - Enable Controller");
    TRACE(TL_INFO | TF_CONSOLE, MODULE_COMMANDS, " 3 - Disable Controller");
    TRACE(TL_INFO | TF_CONSOLE, MODULE_COMMANDS, " 4 - Hardtag Detection Status");
    TRACE(TL_INFO | TF_CONSOLE, MODULE_COMMANDS, " X - Exit This Menu");
    MenuEmptyLine();
    MenuPrompt();
}

}  // namespace

// Every pass asks the board afresh for the controller type it shows.
MenuExit RunSensormaticMenu()
{
    for (;;) {
        ClearScreen();
        if (!OpenPort6OrShow()) return MENU_ABANDON;
        RequestSensormaticStatus();
        CloseSecurityModulePort6();
        ShowControllerType();
        ShowSensormaticMenu();
        const char key = ReadMenuKey();
        switch (key) {
        case '1': ConfigureSensormaticControllerType(); break;
        case '2': EnableSensormaticController(); break;
        case '3': DisableSensormaticController(); break;
        case '4': ShowHardtagStatus(); break;
        case 'X': return MENU_BACK;
        default: continue;
        }
        PressAnyKeyToContinue();
    }
}
