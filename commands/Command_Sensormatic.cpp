// The Sensormatic menu's operations: controller type, enable, disable and the
// live hardtag display.
#include "commands/Command_Sensormatic.h"

#include "link/Port6Session.h"
#include "link/ModuleRequest.h"
#include "link/securitymodule.h"
#include "link/securitymodule_commands.h"
#include "platform/Platform.h"
#include "trace/Trace.h"

char SensormaticControllerType = '0';

namespace {

const int SHOWN = TL_INFO | TF_CONSOLE;
const int INLINE = TL_INFO | TF_INLINE;
const int SENSORMATIC_WAIT_COUNT = 250;
const unsigned HARDTAG_POLL_MS = 100;
const size_t TYPE_ANSWER_SIZE = 80;

// Messages and result codes of one request's failures, by exchange result.
struct SensormaticFailures {
    const char* noReply;
    const char* tooMany;
    int sendFailedCode;
    int noReplyCode;
    int tooManyCode;
};

const char* const WRITE_FAILED = "ERROR 11: Writing Security Module Data Failed.";

int ReportFailure(int exchangeResult, const SensormaticFailures& failures)
{
    return ReportRequestFailure(exchangeResult, {WRITE_FAILED, failures.noReply, failures.tooMany},
                                {failures.sendFailedCode, failures.noReplyCode, failures.tooManyCode});
}

void ShowControllerTypeLine()
{
    if (SensormaticControllerType == '1')
        TRACE(SHOWN, MODULE_COMMANDS, "1 - ScanMax\n");
    else if (SensormaticControllerType == '2')
        TRACE(SHOWN, MODULE_COMMANDS, "2 - ScanMax Pro\n");
    else
        TRACE(SHOWN, MODULE_COMMANDS, "None\n");
}

bool IsControllerType(char c) { return c >= '0' && c <= '2'; }

// Reads the answer to the type prompt and sends a valid type; 0, or 173 when
// the set request did not go out (port 6 is left open then).
int ChangeControllerType()
{
    char answer[TYPE_ANSWER_SIZE] = {};
    Plat_GetLine(answer, sizeof answer);
    if (answer[0] == '\0') {
        TRACE(SHOWN, MODULE_COMMANDS, "No Change!");
        return 0;
    }
    if (!IsControllerType(answer[0])) {
        TRACE(SHOWN, MODULE_COMMANDS, "Invalid Type!");
        TRACE(SHOWN, MODULE_COMMANDS, "No Change!");
        return 0;
    }
    // The board does not answer a set request.
    const char request[] = {'X', '2', answer[0]};
    if (WriteModuleRequest(request, sizeof request) != 0) {
        TRACE(SHOWN, MODULE_COMMANDS, "%s", WRITE_FAILED);
        return 173;
    }
    return 0;
}

// Enable ('1') and disable ('0') differ only in their texts and codes.
struct SwitchTexts {
    char state;
    const char* title;
    const char* done;
    int portFailedCode;
    SensormaticFailures failures;
};

int SwitchController(const SwitchTexts& texts)
{
    TRACE(SHOWN, MODULE_COMMANDS, "%s", texts.title);
    Port6Session port6;
    if (!port6.IsOpen()) return texts.portFailedCode;
    port6.LeaveOpen();  // unless the controller answered
    const uint8_t state = static_cast<uint8_t>(texts.state);
    ModulePacket reply;
    const int result = StandardExchange('X', '5', &state, 1, SENSORMATIC_WAIT_COUNT, &reply);
    if (result != EXCHANGE_OK) return ReportFailure(result, texts.failures);
    if (reply.data[2] == state)
        TRACE(SHOWN, MODULE_COMMANDS, "%s", texts.done);
    else
        TRACE(SHOWN, MODULE_COMMANDS, "Controller Error %c%c", reply.data[2], reply.data[3]);
    port6.Close();
    return 0;
}

}  // namespace

int RequestSensormaticStatus()
{
    static const SensormaticFailures failures = {"ERROR 60: Waiting for config data Timeout.",
                                                 "ERROR 62: Security Module Timeout.", 443, 452, 464};
    ModulePacket reply;
    const int result = StandardExchange('X', '3', nullptr, 0, SENSORMATIC_WAIT_COUNT, &reply);
    if (result != EXCHANGE_OK) {
        const int code = ReportFailure(result, failures);
        CloseSecurityModulePort6();
        return code;
    }
    SensormaticControllerType = static_cast<char>(reply.data[3]);
    return 0;
}

int ConfigureSensormaticControllerType()
{
    TRACE(SHOWN, MODULE_COMMANDS, "Sensormatic Configure Controller Type\n\n");
    Port6Session port6;
    if (!port6.IsOpen()) return 127;
    // A failed status request has closed the port itself; a failed change
    // leaves it open.
    port6.LeaveOpen();
    if (RequestSensormaticStatus() != 0) return 130;
    TRACE(INLINE, MODULE_COMMANDS, "Current Controller Type :");
    ShowControllerTypeLine();
    TRACE(SHOWN, MODULE_COMMANDS, "\nController Types : 0=None, 1=ScanMax, 2=ScanMax Pro");
    TRACE(INLINE, MODULE_COMMANDS, "Enter Controller Type :");
    const int changed = ChangeControllerType();
    if (changed != 0) return changed;

    if (RequestSensormaticStatus() != 0) return 177;
    TRACE(INLINE, MODULE_COMMANDS, "\n\nCurrent Controller Type :");
    ShowControllerTypeLine();
    port6.Close();
    return 0;
}

int EnableSensormaticController()
{
    static const SwitchTexts texts = {
        '1',
        "Enable Sensormatic Controller \n\n",
        "Controller Enabled",
        213,
        {"ERROR 60: Sensormatic controller did not respond.",
         "ERROR 62: Sensormatic controller did not respond.", 226, 234, 245}};
    return SwitchController(texts);
}

int DisableSensormaticController()
{
    static const SwitchTexts texts = {
        '0',
        "Disable Sensormatic Controller \n\n",
        "Controller Disabled",
        378,
        {"ERROR 60: Waiting for config data Timeout.",
         "ERROR 62: Sensormatic controller did not respond.", 391, 399, 410}};
    return SwitchController(texts);
}

char RequestHardtagStatus()
{
    static const SensormaticFailures failures = {"ERROR 60: Waiting for config data Timeout.",
                                                 "ERROR 62: Security Module Timeout.", 0, 0, 0};
    ModulePacket reply;
    const int result = StandardExchange('X', '4', nullptr, 0, SENSORMATIC_WAIT_COUNT, &reply);
    if (result != EXCHANGE_OK) {
        ReportFailure(result, failures);
        CloseSecurityModulePort6();
        return '0';
    }
    return static_cast<char>(reply.data[2]);
}

int ShowHardtagStatus()
{
    const Port6Session port6;
    if (!port6.IsOpen()) return 483;
    ClearScreen();
    TRACE(SHOWN, MODULE_COMMANDS, "\n\n\nSensormatic Hardtag Status\n\n");
    TRACE(SHOWN, MODULE_COMMANDS, "Press any key to exit test.\n\n\n");
    // Both texts are 19 characters, so each overwrites the other.
    while (!Plat_KeyHit()) {
        Plat_ConsolePrintf("%s", RequestHardtagStatus() == '1' ? "Hardtag Present    \r"
                                                               : "Hardtag Not Present\r");
        Plat_Sleep(HARDTAG_POLL_MS);
    }
    // The key stays for the menu's pause.
    return 0;
}
