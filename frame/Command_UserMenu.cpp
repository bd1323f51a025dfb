#include "frame/Command_UserMenu.h"

#include "commands/Command_Lights.h"
#include "frame/MenuScreen.h"
#include "base/Variant.h"
#include "link/Port6Session.h"
#include "link/securitymodule_commands.h"
#include "trace/Trace.h"

namespace {

enum { TAL2_ALL_OFF = 0 };

void ShowIdentityLines()
{
    if (IsCuUtility())
        TRACE(TL_INFO | TF_INLINE, MODULE_COMMANDS, "CU Firmware Version %s", SecurityModuleVersion);
    else
        TRACE(TL_INFO | TF_INLINE, MODULE_COMMANDS, "SU Firmware Version %s", SecurityModuleVersion);
    TRACE(TL_INFO | TF_INLINE, MODULE_COMMANDS, ", Model %s", SecurityModuleModel);
    TRACE(TL_INFO | TF_INLINE, MODULE_COMMANDS, ", Checksum %s", SecurityModuleChecksum);
    TRACE(TL_INFO | TF_CONSOLE, MODULE_COMMANDS, "%s",
          SecurityModuleChecksumStatus == '0' ? " Passed!" : " Failed!");
    TRACE(TL_INFO | TF_CONSOLE, MODULE_COMMANDS, "Serial Number :%s\n", SecurityModuleSerialNumber);
    MenuEmptyLine();
}

void ShowItems()
{
    if (IsCuUtility()) {
        TRACE(TL_INFO | TF_CONSOLE, MODULE_COMMANDS, "**** CU Utility Main Menu ****\n");
        TRACE(TL_INFO | TF_CONSOLE, MODULE_COMMANDS, " 1 - CU Functions");
        TRACE(TL_INFO | TF_CONSOLE, MODULE_COMMANDS, " 2 - Curtain Functions");
    } else {
        TRACE(TL_INFO | TF_CONSOLE, MODULE_COMMANDS, "**** SU Utility Main Menu ****\n");
        TRACE(TL_INFO | TF_CONSOLE, MODULE_COMMANDS, " 1 - SU Functions");
    }
    TRACE(TL_INFO | TF_CONSOLE, MODULE_COMMANDS, " 3 - Sensormatic Functions");
    TRACE(TL_INFO | TF_CONSOLE, MODULE_COMMANDS, " T - Test Menu");
    TRACE(TL_INFO | TF_CONSOLE, MODULE_COMMANDS, " X - Exit Program");
}

void ShowMainMenu()
{
    ClearScreen();
    TRACE(TL_INFO | TF_CONSOLE, MODULE_COMMANDS, "%s\n\n\n\n\n\n\n\n", g_Variant.banner);
    ShowIdentityLines();
    ShowItems();
    MenuEmptyLine();
    MenuEmptyLine();
    MenuPrompt();
}

// A key the menu does not list does nothing: the menu is shown again.
MenuExit RunMainMenuItem(char key)
{
    if (key == '1') return IsCuUtility() ? RunCuFunctionsMenu() : RunSuFunctionsMenu();
    if (key == '2' && IsCuUtility()) return RunCurtainMenu();
    if (key == '3') return RunSensormaticMenu();
    if (key == 'T') return IsCuUtility() ? RunCuTestMenu() : RunSuTestMenu();
    return MENU_BACK;
}

// Leaves the lane dark: whatever a test switched on stays on otherwise.
void RunClosingSequence()
{
    const Port6Session port6;
    if (!port6.IsOpen()) return;
    if (!IsCuUtility()) {
        // Lane light, yellow, green and red off; a failed write is reported
        // by the request and the others still go.
        const char offCodes[] = {'0', '3', '6', '9'};
        for (char code : offCodes) SendLaneLightRequest(code);
        SendTal2SetRequest(TAL2_ALL_OFF);
    }
}

}  // namespace

void RunMainMenu()
{
    for (;;) {
        ShowMainMenu();
        const char key = ReadMenuKey();
        if (key == 'X') {
            CloseSecurityModulePort6();
            break;
        }
        if (RunMainMenuItem(key) == MENU_ABANDON) return;
    }
    RunClosingSequence();
}
