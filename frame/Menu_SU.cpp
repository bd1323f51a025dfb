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
#include <iterator>

namespace {

enum {
    FIRST_VERSION_WITH_PROXIMITY = 409,
    FIRST_VERSION_WITH_SCALE_TEST = 439,
};

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

const MenuItem suFunctionsItems[] = {
    {'1', "Upload Firmware to SU", RunUploadFirmwareItem, ANY_VERSION, AFTER_REDRAW},
    {'2', "Set SU Model 700/500/300", SetSuModel, ANY_VERSION, AFTER_PAUSE},
    {'3', "Calibrate Proximity Sensor", CalibrateProximitySensor, FIRST_VERSION_WITH_PROXIMITY,
     AFTER_PAUSE},
    {'X', "Exit This Menu", nullptr, ANY_VERSION, AFTER_LEAVE},
};

const MenuTable suFunctionsMenu = {
    "**** SU Functions Menu ****\n",
    TITLE_ONLY,
    suFunctionsItems,
    std::size(suFunctionsItems),
    ReadMenuKey,
    CLEAR_AFTER_KEY,
    nullptr,
};

// The result is in the test's own messages.
void RunCouponBoxTest() { CouponBoxTest(); }

const MenuItem suTestItems[] = {
    {'2', "Coupon Box", RunCouponBoxTest, ANY_VERSION, AFTER_PAUSE},
    // The X that leaves the Scale Test menu leaves this one too.
    {'4', "Scale Testing", RunScaleTestMenu, FIRST_VERSION_WITH_SCALE_TEST, AFTER_PAUSE_AND_LEAVE},
    {'5', "Lane Light / TAL-1 lights Test", LaneLightTest, ANY_VERSION, AFTER_PAUSE},
    {'6', "USB Testing", UsbTest, ANY_VERSION, AFTER_PAUSE},
    {'7', "TAL-2 lights testing", Tal2LightsTest, ANY_VERSION, AFTER_PAUSE},
    {'8', "Switched A/C power testing", SetPowerRelay, ANY_VERSION, AFTER_PAUSE},
    {'A', "Soft Reset", SoftReset, ANY_VERSION, AFTER_PAUSE},
    {'X', "Exit This Menu", nullptr, ANY_VERSION, AFTER_LEAVE},
};

const MenuTable suTestMenu = {
    "**** Test Menu ****", TITLE_THEN_BLANK, suTestItems, std::size(suTestItems),
    ReadMenuKey,           KEEP_SCREEN,      nullptr,
};

}  // namespace

MenuExit RunSuFunctionsMenu() { return RunMenuTable(suFunctionsMenu); }

MenuExit RunSuTestMenu() { return RunMenuTable(suTestMenu); }
