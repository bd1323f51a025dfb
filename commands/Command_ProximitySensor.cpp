// Proximity sensor calibration, then its live status until a key is pressed.
#include "commands/Command_ModuleService.h"

#include "link/Port6Session.h"
#include "link/ModuleRequest.h"
#include "link/securitymodule.h"
#include "link/securitymodule_commands.h"
#include "platform/Platform.h"
#include "trace/Trace.h"

namespace {

const int SHOWN = TL_INFO | TF_CONSOLE;
const int PROXIMITY_WAIT_COUNT = 250;
const uint8_t CALIBRATION_COMPLETE = '0';
const uint8_t STATUS_BLOCKED_BIT = 0x01;
const char* const NO_ANSWER = "ERROR 10: Proximity Calibrate Timeout.";

// True when the board answered; the answer says whether it calibrated.
bool Calibrate(bool* complete)
{
    static const RequestFailureTexts failures = {
        "ERROR 11: Writing Security Module Proximity Calibration Failed.", NO_ANSWER,
        "ERROR 12: Security Module Proximity Calibration Timeout."};
    ModulePacket reply;
    if (ShownExchange('M', '4', nullptr, 0, PROXIMITY_WAIT_COUNT, failures, &reply) != EXCHANGE_OK)
        return false;
    *complete = reply.data[2] == CALIBRATION_COMPLETE;
    return true;
}

// One status cycle: the request, then whatever packet comes next. False
// (after its message) when the cycle failed.
bool ShowProximityStatus()
{
    if (WriteModuleRequest("M1", 2) != 0) {
        TRACE(SHOWN, MODULE_COMMANDS, "ERROR 11: Writing Security Module Proximity Sensor Failed.");
        return false;
    }
    ModulePacket status;
    if (!ReadPacketFromSecurityModule(&status, PROXIMITY_WAIT_COUNT)) {
        TRACE(SHOWN, MODULE_COMMANDS, "%s", NO_ANSWER);
        return false;
    }
    // The carriage return keeps the status on one console line.
    Plat_ConsolePrintf("Current Proximity Status :%s",
                       (status.data[2] & STATUS_BLOCKED_BIT) ? "Blocked\r" : "Clear\r");
    return true;
}

}  // namespace

// Port 6 stays open afterwards; the next command opens it again.
void CalibrateProximitySensor()
{
    TRACE(SHOWN, MODULE_COMMANDS, "USB Security Module Calibrate Proximity Sensor");
    Port6Session port6;
    if (!port6.IsOpen()) return;
    port6.LeaveOpen();
    TRACE(SHOWN, MODULE_COMMANDS, "\n\n");
    TRACE(TL_INFO | TF_INLINE, MODULE_COMMANDS, "Press any key to start proximity calibration");
    Plat_GetKey();

    TRACE(SHOWN, MODULE_COMMANDS, "\n\nStarting Calibration");
    bool complete = false;
    if (!Calibrate(&complete)) return;
    TRACE(SHOWN, MODULE_COMMANDS, "%s",
          complete ? "\n\nCalibration Complete!\n\n" : "\n\nCalibration Failed!\n\n");

    Plat_ConsolePrintf("Press any key to exit Proximity Sensor test\n\n");
    // The key that ends the loop stays for the menu's pause to take.
    while (!Plat_KeyHit())
        if (!ShowProximityStatus()) return;
}
