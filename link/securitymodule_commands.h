// The standard requests every command builds on: port 6 open and close, the
// board's identity, the scale stream command, and two console helpers.
#ifndef LINK_SECURITYMODULE_COMMANDS_H
#define LINK_SECURITYMODULE_COMMANDS_H

#include "link/ORBA_Support.h"

// Identity values kept since start-up.
extern char SecurityModuleVersion[17];
extern int SecurityModuleVersionNumber;
extern char SecurityModuleChecksum[7];
extern char SecurityModuleChecksumStatus;
extern char SecurityModuleModel[4];
extern char SecurityModuleSerialNumber[37];

// Result codes are su_utility's; cu_utility's are one higher.
int OpenSecurityModulePort6();    // 0, 53, 61
int CloseSecurityModulePort6();   // 0, 75
int GetSecurityModuleVersion();   // 0, 99, 107, 119
int GetSecurityModuleChecksum();  // 0, 172, 180, 191
int GetSecurityModuleModel();     // 0, 229, 237, 248
void GetSerialNumber();
void SendScaleCommand(char command);
void ClearScreen();
void PressAnyKeyToContinue();

// The request/reply pattern: sends `letter` `subCommand` and the arguments to
// port 6 and waits (waitCount per read) for the reply whose first two data
// bytes are the lower-case letter and the sub-command; up to 99 other packets
// are skipped. On success the reply is in *reply and the result is 0;
// otherwise the result tells which step failed.
enum {
    EXCHANGE_OK = 0,
    EXCHANGE_SEND_FAILED = 11,  // the request did not go out
    EXCHANGE_NO_REPLY = 10,     // a wait ended empty
    EXCHANGE_TOO_MANY = 12,     // the 100th packet came before the reply
};
int StandardExchange(char letter, char subCommand, const uint8_t* arguments, int argumentCount,
                     int waitCount, ModulePacket* reply);

#endif
