// The standard requests every command builds on: port 6 open and close, the
// board's identity, the scale stream command, and two console helpers. The
// request layer (building, awaiting, failure texts) comes with them.
#ifndef LINK_SECURITYMODULE_COMMANDS_H
#define LINK_SECURITYMODULE_COMMANDS_H

#include "link/ModuleRequest.h"

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

#endif
