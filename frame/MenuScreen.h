// What the menus share: the key handling and the screen pieces, and the
// sub-menus of both trees.
#ifndef FRAME_MENUSCREEN_H
#define FRAME_MENUSCREEN_H

// How a sub-menu was left.
enum MenuExit {
    MENU_BACK,     // back to the menu that opened it
    MENU_ABANDON,  // port 6 failed: the menus end without the closing sequence
};

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
