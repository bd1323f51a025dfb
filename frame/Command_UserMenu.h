// The interactive menus, run when the command line selects no command.
#ifndef FRAME_COMMAND_USERMENU_H
#define FRAME_COMMAND_USERMENU_H

// Runs the main menu until the user leaves it, then turns the lights off.
// Returns at once, without that, when port 6 cannot be opened for a menu
// that needs it.
void RunMainMenu();

#endif
