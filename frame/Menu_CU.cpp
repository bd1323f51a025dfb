// The cu_utility menus below the main menu (the Sensormatic menu is shared).
#include "frame/MenuScreen.h"

#include "commands/Command_ConveyorTests.h"
#include "commands/Command_ModuleService.h"
#include "commands/Command_SetSensors.h"
#include "link/Port6Session.h"
#include "link/securitymodule_commands.h"

#include <iterator>

namespace {

const MenuItem cuFunctionsItems[] = {
    {'1', "Upload Firmware to CU", RunUploadFirmwareItem, ANY_VERSION, AFTER_REDRAW},
    {'X', "Exit This Menu", nullptr, ANY_VERSION, AFTER_LEAVE},
};

const MenuTable cuFunctionsMenu = {
    "**** CU Functions Menu ****\n",
    TITLE_ONLY,
    cuFunctionsItems,
    std::size(cuFunctionsItems),
    ReadMenuKey,
    CLEAR_AFTER_KEY,
    nullptr,
};

const MenuItem curtainItems[] = {
    {'1', "Enable/Disable Flatpack", CuFlatpackStep, ANY_VERSION, AFTER_PAUSE},
    {'X', "Exit This Menu", nullptr, ANY_VERSION, AFTER_LEAVE},
};

// This menu always waits for a key.
const MenuTable curtainMenu = {
    "**** Curtain Menu ****", TITLE_THEN_BLANK, curtainItems, std::size(curtainItems),
    ReadMenuKeyAlways,        KEEP_SCREEN,      nullptr,
};

const MenuItem cuTestItems[] = {
    {'1', "Conveyor Safety Switches", ConveyorSafetySwitchesTest, ANY_VERSION, AFTER_PAUSE},
    {'6', "USB Testing", UsbTest, ANY_VERSION, AFTER_PAUSE},
    {'9', "Curtain testing", StaticCurtainTest, ANY_VERSION, AFTER_PAUSE},
    {'A', "Soft Reset", SoftReset, ANY_VERSION, AFTER_PAUSE},
    {'B', "Display ORBA Packets", DisplayModulePacketsTest, ANY_VERSION, AFTER_REDRAW},
    {'X', "Exit This Menu", nullptr, ANY_VERSION, AFTER_LEAVE},
};

const MenuTable cuTestMenu = {
    "**** Test Menu ****", TITLE_THEN_BLANK, cuTestItems, std::size(cuTestItems),
    ReadMenuKey,           KEEP_SCREEN,      nullptr,
};

}  // namespace

MenuExit RunCuFunctionsMenu() { return RunMenuTable(cuFunctionsMenu); }

// Port 6 stays open from the entry to X.
MenuExit RunCurtainMenu()
{
    const Port6Session port6;
    if (!port6.IsOpen()) return MENU_ABANDON;
    RunMenuTable(curtainMenu);
    return MENU_BACK;
}

MenuExit RunCuTestMenu() { return RunMenuTable(cuTestMenu); }
