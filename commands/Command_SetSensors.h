// The board's settings: conveyor safety switches, curtain break window,
// flatpack sensor and the switched A/C power relay.
#ifndef COMMANDS_COMMAND_SETSENSORS_H
#define COMMANDS_COMMAND_SETSENSORS_H

// Automated commands "SetSafetySwitch", "SetCurtainBreakWindow" and
// "SetFlatpack"; they report their own outcome.
void SetSafetySwitch();
void SetCurtainBreakWindow();
void SetFlatpack();

// cu_utility: the flatpack step alone, with port 6 already open (the Curtain
// menu's item). Automated, it takes E or D from the command line; from the
// menu it asks for the key.
void CuFlatpackStep();

// su_utility Test menu: " 8 - Switched A/C power testing".
void SetPowerRelay();

#endif
