// The request exchanges of the board settings: each request's trace line and
// failure messages, the exchange that awaits the board's answer, and the
// set requests the board does not answer.
#ifndef COMMANDS_SETTINGEXCHANGE_H
#define COMMANDS_SETTINGEXCHANGE_H

#include "link/ORBA_Support.h"

struct SettingRequest {
    char letter;            // 'Z', 'R', 'A'
    char subCommand;        // 'C', '0', '5', ...
    const char* arguments;  // "?" for a status request, else ""
    int waitCount;          // per read, in 100 ms steps
    const char* traceLine;  // traced before sending; nullptr for none
    const char* notSent;    // ERROR 11
    const char* noAnswer;   // ERROR 10
    const char* tooMany;    // ERROR 12: the 100th packet came first
};

enum { NO_VALUE = -1 };

// Sends the request (with the value byte after the arguments, traced as
// "Value = %c", unless value is NO_VALUE) and waits for the answer that
// echoes it. 0 with the answer in *answer, or the exchange's failure (10,
// 11 or 12), already shown.
int SettingExchange(const SettingRequest& request, int value, ModulePacket* answer);

// Sends letter, subCommand and value to port 6 without awaiting an answer.
// 0, or 11 with notSent shown.
int SendSettingValue(char letter, char subCommand, uint8_t value, const char* notSent);

// The start every setting command shares, before it opens port 6: the board
// must be the USB one (else notUsb is shown), then the banner lines are
// shown. False when the command is to end.
bool StartSettingCommand(const char* notUsb, const char* const* bannerLines, int lineCount);

// The version gates compare the firmware version as an unsigned number.
bool FirmwareVersionAtLeast(unsigned versionNumber);

#endif
