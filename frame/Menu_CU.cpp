// The cu_utility menus below the main menu (the Sensormatic menu is shared).
#include "frame/MenuScreen.h"

#include "commands/Command_ConveyorTests.h"
#include "commands/Command_ModuleService.h"
#include "commands/Command_SetSensors.h"
#include "link/securitymodule_commands.h"
#include "trace/Trace.h"

namespace {

void ShowCuFunctionsMenu()
{
    ClearScreen();
    TRACE(TL_INFO | TF_CONSOLE, MODULE_COMMANDS, "**** CU Functions Menu ****\n");
    TRACE(TL_INFO | TF_CONSOLE, MODULE_COMMANDS, " 1 - Upload Firmware to CU");
    TRACE(TL_INFO | TF_CONSOLE, MODULE_COMMANDS, " X - Exit This Menu");
    MenuEmptyLine();
    MenuPrompt();
}

void ShowCurtainMenu()
{
    ClearScreen();
    TRACE(TL_INFO | TF_CONSOLE, MODULE_COMMANDS, "**** Curtain Menu ****");
    MenuEmptyLine();
    TRACE(TL_INFO | TF_CONSOLE, MODULE_COMMANDS, " 1 - Enable/Disable Flatpack");
    TRACE(TL_INFO | TF_CONSOLE, MODULE_COMMANDS, " X - Exit This Menu");
    MenuEmptyLine();
    MenuPrompt();
}

void ShowCuTestMenu()
{
    ClearScreen();
    TRACE(TL_INFO | TF_CONSOLE, MODULE_COMMANDS, "**** Test Menu ****");
    MenuEmptyLine();
    TRACE(TL_INFO | TF_CONSOLE, MODULE_COMMANDS, " 1 - Conveyor Safety Switches");
    TRACE(TL_INFO | TF_CONSOLE, MODULE_COMMANDS, " 6 - USB Testing");
    TRACE(TL_INFO | TF_CONSOLE, MODULE_COMMANDS, " 9 - Curtain testing");
    TRACE(TL_INFO | TF_CONSOLE, MODULE_COMMANDS, " A - Soft Reset");
    TRACE(TL_INFO | TF_CONSOLE, MODULE_COMMANDS, " B - Display ORBA Packets");
    TRACE(TL_INFO | TF_CONSOLE, MODULE_COMMANDS, " X - Exit This Menu");
    MenuEmptyLine();
    MenuPrompt();
}

}  // namespace

MenuExit RunCuFunctionsMenu()
{
    for (;;) {
        ShowCuFunctionsMenu();
        const char key = ReadMenuKey();
        ClearScreen();
        if (key == '1') RunUploadFirmwareItem();
        if (key == 'X') return MENU_BACK;
    }
}

// Port 6 stays open from the entry to X; this menu always waits for a key.
MenuExit RunCurtainMenu()
{
    if (!OpenPort6OrShow()) return MENU_ABANDON;
    for (;;) {
        ShowCurtainMenu();
        const char key = ReadMenuKeyAlways();
        if (key == '1') {
            CuFlatpackStep();
            PressAnyKeyToContinue();
        }
        if (key == 'X') {
            CloseSecurityModulePort6();
            return MENU_BACK;
        }
    }
}

MenuExit RunCuTestMenu()
{
    for (;;) {
        ShowCuTestMenu();
        const char key = ReadMenuKey();
        switch (key) {
        case '1': ConveyorSafetySwitchesTest(); break;
        case '6': UsbTest(); break;
        case '9': StaticCurtainTest(); break;
        case 'A': SoftReset(); break;
        case 'B': DisplayModulePacketsTest(); continue;  // back to this menu without a pause
        case 'X': return MENU_BACK;
        default: continue;  // not listed: shown again, no pause
        }
        PressAnyKeyToContinue();
    }
}
