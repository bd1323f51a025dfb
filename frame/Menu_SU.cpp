// The su_utility menus below the main menu (the Sensormatic menu is shared).
#include "frame/MenuScreen.h"

#include "commands/Command_CouponBox.h"
#include "commands/Command_Lights.h"
#include "commands/Command_ModuleService.h"
#include "commands/Command_ScaleTest.h"
#include "commands/Command_SetSensors.h"
#include "link/securitymodule_commands.h"
#include "platform/Platform.h"
#include "trace/Trace.h"

#include <cctype>

namespace {

enum {
    FIRST_VERSION_WITH_PROXIMITY = 409,
    FIRST_VERSION_WITH_SCALE_TEST = 439,
};

void ShowSuFunctionsMenu()
{
    ClearScreen();
    TRACE(TL_INFO | TF_CONSOLE, MODULE_COMMANDS, "**** SU Functions Menu ****\n");
    TRACE(TL_INFO | TF_CONSOLE, MODULE_COMMANDS, " 1 - Upload Firmware to SU");
    TRACE(TL_INFO | TF_CONSOLE, MODULE_COMMANDS, " 2 - Set SU Model 700/500/300");
    TRACE(TL_INFO | TF_CONSOLE, MODULE_COMMANDS, " 3 - Calibrate Proximity Sensor");
    TRACE(TL_INFO | TF_CONSOLE, MODULE_COMMANDS, " X - Exit This Menu");
    MenuEmptyLine();
    MenuPrompt();
}

void ShowSuTestMenu()
{
    ClearScreen();
    TRACE(TL_INFO | TF_CONSOLE, MODULE_COMMANDS, "**** Test Menu ****");
    MenuEmptyLine();
    TRACE(TL_INFO | TF_CONSOLE, MODULE_COMMANDS, " 2 - Coupon Box");
    TRACE(TL_INFO | TF_CONSOLE, MODULE_COMMANDS, " 4 - Scale Testing");
    TRACE(TL_INFO | TF_CONSOLE, MODULE_COMMANDS, " 5 - Lane Light / TAL-1 lights Test");
    TRACE(TL_INFO | TF_CONSOLE, MODULE_COMMANDS, " 6 - USB Testing");
    TRACE(TL_INFO | TF_CONSOLE, MODULE_COMMANDS, " 7 - TAL-2 lights testing");
    TRACE(TL_INFO | TF_CONSOLE, MODULE_COMMANDS, " 8 - Switched A/C power testing");
    TRACE(TL_INFO | TF_CONSOLE, MODULE_COMMANDS, " A - Soft Reset");
    TRACE(TL_INFO | TF_CONSOLE, MODULE_COMMANDS, " X - Exit This Menu");
    MenuEmptyLine();
    MenuPrompt();
}

void ShowScaleTestMenu()
{
    ClearScreen();
    TRACE(TL_INFO | TF_CONSOLE, MODULE_COMMANDS, "**** Scale Test Menu ****\n\n");
    TRACE(TL_INFO | TF_CONSOLE, MODULE_COMMANDS, " 1 - Display/Capture Scale Values");
    TRACE(TL_INFO | TF_CONSOLE, MODULE_COMMANDS, " 2 - Analyze Scale Data");
    TRACE(TL_INFO | TF_CONSOLE, MODULE_COMMANDS, " X - Exit This Menu");
    TRACE(TL_INFO | TF_INLINE, MODULE_COMMANDS, "\nEnter Command :");
}

// Always reads a key, and echoes it straight to the console.
void RunScaleTestMenu()
{
    for (;;) {
        ShowScaleTestMenu();
        const char key = static_cast<char>(std::toupper(Plat_GetKey() & 0xFF));
        Plat_ConsolePrintf("%c\n", key);
        if (key == '1') ScaleTest();
        if (key == '2') AnalyzeScaleData();
        if (key == 'X') return;
    }
}

}  // namespace

MenuExit RunSuFunctionsMenu()
{
    for (;;) {
        ShowSuFunctionsMenu();
        const char key = ReadMenuKey();
        ClearScreen();
        switch (key) {
        case '1': RunUploadFirmwareItem(); break;
        case '2':
            SetSuModel();
            PressAnyKeyToContinue();
            break;
        case '3':
            if (SecurityModuleVersionNumber >= FIRST_VERSION_WITH_PROXIMITY) CalibrateProximitySensor();
            PressAnyKeyToContinue();
            break;
        case 'X': return MENU_BACK;
        default: break;
        }
    }
}

MenuExit RunSuTestMenu()
{
    for (;;) {
        ShowSuTestMenu();
        const char key = ReadMenuKey();
        switch (key) {
        case '2': CouponBoxTest(); break;
        case '4':
            if (SecurityModuleVersionNumber >= FIRST_VERSION_WITH_SCALE_TEST) {
                // The X that leaves the Scale Test menu leaves this one too.
                RunScaleTestMenu();
                PressAnyKeyToContinue();
                return MENU_BACK;
            }
            break;
        case '5': LaneLightTest(); break;
        case '6': UsbTest(); break;
        case '7': Tal2LightsTest(); break;
        case '8': SetPowerRelay(); break;
        case 'A': SoftReset(); break;
        case 'X': return MENU_BACK;
        default: continue;  // not listed: shown again, no pause
        }
        PressAnyKeyToContinue();
    }
}
