// What the menus share: the key handling and the screen pieces, and the
// sub-menus of both trees.
#ifndef FRAME_MENUSCREEN_H
#define FRAME_MENUSCREEN_H

#include <cstddef>

// How a sub-menu was left.
enum MenuExit {
    MENU_BACK,     // back to the menu that opened it
    MENU_ABANDON,  // port 6 failed: the menus end without the closing sequence
};

// What follows an item's action.
enum MenuAfter {
    AFTER_PAUSE,            // "press any key", then the menu again
    AFTER_REDRAW,           // the menu again at once
    AFTER_PAUSE_AND_LEAVE,  // "press any key", then back to the menu above
    AFTER_LEAVE,            // back to the menu above at once
};

// One menu line and what its key does.
struct MenuItem {
    char key;          // upper case: the key read is upper-cased
    const char* text;  // shown as " key - text"
    void (*action)();  // nullptr: nothing to run
    int firstVersion;  // older board firmware: no action, only the pause
    MenuAfter after;
};

enum { ANY_VERSION = 0 };

enum MenuTitleEnd { TITLE_ONLY, TITLE_THEN_BLANK };
enum MenuKeyClear { KEEP_SCREEN, CLEAR_AFTER_KEY };

// A menu screen and its keys. Keys it does not list only redraw it.
struct MenuTable {
    const char* title;
    MenuTitleEnd titleEnd;
    const MenuItem* items;
    size_t itemCount;
    char (*readKey)();
    MenuKeyClear afterKey;
    // Shown between the screen clear and the title; false: port 6 failed.
    bool (*head)();
};

// Shows the menu and runs its keys until one leaves it.
MenuExit RunMenuTable(const MenuTable& menu);

// The menu key, upper-cased and echoed; 'X' without reading anything while
// results are not acknowledged.
char ReadMenuKey();
// The menu key read whatever the acknowledgement setting, upper-cased and
// echoed like ReadMenuKey's.
char ReadMenuKeyAlways();
// An empty menu line.
void MenuEmptyLine();
// The prompt; the key echo follows on its line.
void MenuPrompt();
// The functions menus' upload item: the upload over the USB board only, then
// the pause either way.
void RunUploadFirmwareItem();

// su_utility tree.
MenuExit RunSuFunctionsMenu();
MenuExit RunSuTestMenu();

// cu_utility tree.
MenuExit RunCuFunctionsMenu();
MenuExit RunCurtainMenu();
MenuExit RunCuTestMenu();

// Both trees.
MenuExit RunSensormaticMenu();

#endif
