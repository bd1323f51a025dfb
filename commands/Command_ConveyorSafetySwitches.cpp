// The conveyor's front and rear safety sensors live, with keys that run the
// belts.
#include "commands/Command_ConveyorTests.h"

#include "link/Port6Session.h"
#include "link/ModuleRequest.h"
#include "link/securitymodule.h"
#include "link/securitymodule_commands.h"
#include "platform/Platform.h"
#include "trace/Trace.h"

namespace {

const int SHOWN = TL_INFO | TF_CONSOLE;
const int FIRST_VERSION_WITH_SAFETY_SWITCHES = 335;
const unsigned STATUS_POLL_MS = 100;
const int STATUS_WAIT_COUNT = 10;
const uint8_t FRONT_OKAY = 0x01;
const uint8_t REAR_OKAY = 0x02;

void ShowHelp()
{
    TRACE(SHOWN, MODULE_COMMANDS, "**** Conveyor Safety Switches Status ****\n");
    TRACE(SHOWN, MODULE_COMMANDS, "Press 1-Front Forward,2-Front Rev,3-Front Stop");
    TRACE(SHOWN, MODULE_COMMANDS, "Press 4-Rear Forward,5-Rear Rev,6-Rear Stop");
    TRACE(SHOWN, MODULE_COMMANDS, "Press 'X' key to exit");
    TRACE(SHOWN, MODULE_COMMANDS, "%s", "");
}

// Asks for the sensors; false (after its message) when the test must end.
bool RequestSafetySensorStatus(uint8_t* status)
{
    TRACE(TL_INFO, MODULE_COMMANDS, "Requesting Security Module Safety Switches Sensor Status");
    static const RequestFailureTexts failures = {
        "ERROR 11: Get Security Module Status Failed.",
        "ERROR 10: Get Security Module Safety sensor status Failed.",
        "ERROR 12: Get Security Module Sensor Status Failed.",
    };
    ReplyRule rule = EchoOf('Z', '8', STATUS_WAIT_COUNT);
    rule.pauseMs = STATUS_POLL_MS;
    ModulePacket reply;
    int result = SendModuleRequest('Z', '8', nullptr, 0);
    if (result == EXCHANGE_OK) result = AwaitReply(rule, &reply);
    ShowRequestFailure(result, failures);
    if (result != EXCHANGE_OK) return false;
    *status = reply.data[2];
    return true;
}

// The carriage return lets the next status overwrite the line.
void PrintSafetySensors(uint8_t status)
{
    Plat_ConsolePrintf("Front Sensor is %s   Rear Sensor is %s\r",
                       (status & FRONT_OKAY) ? "Okay   " : "Blocked",
                       (status & REAR_OKAY) ? "Okay    " : "Blocked ");
}

struct BeltKey {
    char key;
    const char* text;
    char front;
    char rear;
};

// "0" stops both belts though the help does not offer it.
const BeltKey BELT_KEYS[] = {
    {'0', "\nAll Stop\n", '1', '1'},      {'1', "\nFront Forward\n", '2', '0'},
    {'2', "\nFront Reverse\n", '3', '0'}, {'3', "\nFront Stop\n", '1', '0'},
    {'4', "\nRear Forward\n", '0', '2'},  {'5', "\nRear Reverse\n", '0', '3'},
    {'6', "\nRear Stop\n", '0', '1'},
};

// False when the key ends the test; both belts are stopped then.
bool ActOnKey(char key)
{
    if (key == 'X' || key == 'x') {
        SetConveyorBelts('1', '1');
        return false;
    }
    for (const BeltKey& belt : BELT_KEYS) {
        if (belt.key != key) continue;
        Plat_ConsolePrintf("%s", belt.text);
        SetConveyorBelts(belt.front, belt.rear);
    }
    return true;
}

}  // namespace

void SetConveyorBelts(char front, char rear)
{
    const char request[] = {'C', front, rear};
    if (WriteModuleRequest(request, sizeof request) != 0)
        TRACE(SHOWN, MODULE_COMMANDS, "ERROR 11: Writing Security Module Failed.");
}

// Port 6 stays open afterwards; the next command opens it again.
void ConveyorSafetySwitchesTest()
{
    Port6Session port6;
    if (!port6.IsOpen()) return;
    port6.LeaveOpen();
    if (SecurityModuleVersionNumber < FIRST_VERSION_WITH_SAFETY_SWITCHES) {
        TRACE(SHOWN, MODULE_COMMANDS, "ERROR 1E: Security Module Version Must be >= 3.35");
        return;
    }
    ShowHelp();
    // A failed wait leaves the belts as they are.
    for (;;) {
        uint8_t status = 0;
        if (!RequestSafetySensorStatus(&status)) return;
        PrintSafetySensors(status);
        if (Plat_KeyHit() && !ActOnKey(static_cast<char>(Plat_GetKey() & 0xFF))) return;
    }
}
