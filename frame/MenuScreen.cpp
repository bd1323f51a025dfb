#include "frame/MenuScreen.h"

#include "commands/Command_SecurityModuleUpload.h"
#include "config/PgmCnfg.h"
#include "base/ProgramOptions.h"
#include "link/securitymodule_commands.h"
#include "platform/Platform.h"
#include "trace/Trace.h"

#include <cctype>

namespace {

enum { USB_SECURITY_MODULE = 200 };

}  // namespace

char ReadMenuKeyAlways()
{
    const char key = static_cast<char>(std::toupper(Plat_GetKey() & 0xFF));
    TRACE(TL_INFO | TF_CONSOLE, MODULE_COMMANDS, "%c", key);
    MenuEmptyLine();
    return key;
}

char ReadMenuKey()
{
    if (!g_ProgramOptions.m_AcknowledgeResults) return 'X';
    return ReadMenuKeyAlways();
}

void MenuEmptyLine() { TRACE(TL_INFO | TF_CONSOLE, MODULE_COMMANDS, "%s", ""); }

void MenuPrompt() { TRACE(TL_INFO | TF_INLINE, MODULE_COMMANDS, "Enter Command:"); }

void RunUploadFirmwareItem()
{
    AccessProgramConfig();
    if (ProgramConfig.m_SecurityModuleType == USB_SECURITY_MODULE) SecurityModuleUpload();
    PressAnyKeyToContinue();
}

namespace {

void ShowMenuTable(const MenuTable& menu)
{
    TRACE(TL_INFO | TF_CONSOLE, MODULE_COMMANDS, "%s", menu.title);
    if (menu.titleEnd == TITLE_THEN_BLANK) MenuEmptyLine();
    for (size_t i = 0; i < menu.itemCount; ++i)
        TRACE(TL_INFO | TF_CONSOLE, MODULE_COMMANDS, " %c - %s", menu.items[i].key, menu.items[i].text);
    MenuEmptyLine();
    MenuPrompt();
}

const MenuItem* FindMenuItem(const MenuTable& menu, char key)
{
    for (size_t i = 0; i < menu.itemCount; ++i)
        if (menu.items[i].key == key) return &menu.items[i];
    return nullptr;
}

// The item's action and what follows it; true when the menu is left.
bool RunMenuItem(const MenuItem& item)
{
    if (item.firstVersion != ANY_VERSION && SecurityModuleVersionNumber < item.firstVersion) {
        PressAnyKeyToContinue();
        return false;
    }
    if (item.action != nullptr) item.action();
    if (item.after == AFTER_PAUSE || item.after == AFTER_PAUSE_AND_LEAVE) PressAnyKeyToContinue();
    return item.after == AFTER_LEAVE || item.after == AFTER_PAUSE_AND_LEAVE;
}

}  // namespace

MenuExit RunMenuTable(const MenuTable& menu)
{
    for (;;) {
        ClearScreen();
        if (menu.head != nullptr && !menu.head()) return MENU_ABANDON;
        ShowMenuTable(menu);
        const char key = menu.readKey();
        if (menu.afterKey == CLEAR_AFTER_KEY) ClearScreen();
        const MenuItem* item = FindMenuItem(menu, key);
        if (item != nullptr && RunMenuItem(*item)) return MENU_BACK;
    }
}
