// The coupon box test: single keys drive the box while every status packet
// the board sends is decoded on the console.
#include "commands/Command_CouponBox.h"

#include "commands/CouponBoxDisplay.h"
#include "link/Port6Session.h"
#include "link/ModuleRequest.h"
#include "link/securitymodule.h"
#include "link/securitymodule_commands.h"
#include "platform/Platform.h"
#include "trace/Trace.h"

#include <cctype>

namespace {

const int SHOWN = TL_INFO | TF_CONSOLE;
const int INLINE = TL_INFO | TF_INLINE;
const int REPLY_WAIT_COUNT = 250;
const int STATUS_POLL_WAIT_COUNT = 2;
const int FIRST_VERSION_WITH_NO_LED_ENABLE = 432;
const int PORT_FAILED = 59;

bool HasNoLedEnable() { return SecurityModuleVersionNumber >= FIRST_VERSION_WITH_NO_LED_ENABLE; }

// Requests the test sends without waiting for an answer.
void SendWithoutReply(const char* request)
{
    if (WriteModuleRequest(request, 2) != 0)
        TRACE(SHOWN, MODULE_COMMANDS, "ERROR 11: Writing Security Module Data Failed.");
}

// Sends the request and waits for the reply that begins with the two
// characters, dropping other packets. False (after its message) when the
// request failed.
bool SendAndAwait(const char* request, char letter, char subCommand, ModulePacket* reply)
{
    static const RequestFailureTexts failures = {
        "ERROR 11: Writing Security Module Data Failed.",
        "\n\nERROR 10: Security Controller did not respond.",
        "\n\nERROR 12: Security Controller did not respond.",
    };
    int result = WriteModuleRequest(request, 2) == 0 ? EXCHANGE_OK : EXCHANGE_SEND_FAILED;
    if (result == EXCHANGE_OK)
        result = AwaitReply({static_cast<uint8_t>(letter), static_cast<uint8_t>(subCommand), nullptr,
                             REPLY_WAIT_COUNT, 0},
                            reply);
    ShowRequestFailure(result, failures);
    return result == EXCHANGE_OK;
}

void PrintStatusPacket(const ModulePacket* packet)
{
    char text[COUPON_STATUS_TEXT_SIZE];
    FormatCouponBoxStatus(packet->data[2], text, sizeof text);
    Plat_ConsolePrintf("%s\n", text);
}

void ActOnKey(char key)
{
    switch (key) {
    case 'O':
        TRACE(SHOWN, MODULE_COMMANDS, "Open");
        EnableCouponBox();
        break;
    case 'C':
        TRACE(SHOWN, MODULE_COMMANDS, "Close");
        DisableCouponBox();
        break;
    case 'S':
        TRACE(SHOWN, MODULE_COMMANDS, "Status Request");
        RequestCouponBoxStatus();
        break;
    case 'V':
        TRACE(SHOWN, MODULE_COMMANDS, "\nLED Values");
        ShowCouponBoxLedValues();
        break;
    case 'E':
        if (!HasNoLedEnable()) break;
        TRACE(SHOWN, MODULE_COMMANDS, "Enable Only");
        EnableCouponBoxNoLed();
        break;
    case 'X': TRACE(SHOWN, MODULE_COMMANDS, "Exit"); break;
    default: break;
    }
}

}  // namespace

void ShowCouponBoxKeys()
{
    TRACE(INLINE, MODULE_COMMANDS, "O - Enable Box, C - Disable, S - Status, V - LED Values");
    if (HasNoLedEnable()) TRACE(INLINE, MODULE_COMMANDS, ", E - Enable Box no LED");
    TRACE(SHOWN, MODULE_COMMANDS, ", X = Exit");
}

// The board's "p0" answers the request; it is not shown as a status.
void EnableCouponBox()
{
    ModulePacket reply;
    SendAndAwait("P1", 'p', '0', &reply);
}

void DisableCouponBox() { SendWithoutReply("P2"); }

void EnableCouponBoxNoLed() { SendWithoutReply("P3"); }

// The status packet comes back to the test loop, which shows it.
void RequestCouponBoxStatus() { SendWithoutReply("P0"); }

void ShowCouponBoxLedValues()
{
    Plat_ConsolePrintf("\nPress any key to exit\n\n");
    Plat_ConsolePrintf("Top Array                          Bottom Array\n");
    Plat_ConsolePrintf("----------------------------       ----------------------------\n");
    Plat_ConsolePrintf("Status     Value   Max   Min       Status     Value   Max   Min\n");
    LedExtremes extremes;
    StartLedExtremes(&extremes);
    // As fast as the board answers; the first failure ends the display.
    while (!Plat_KeyHit()) {
        ModulePacket reply;
        if (!SendAndAwait("ZH", 'z', 'H', &reply)) return;
        const LedValues values = TakeLedValues(&reply);
        UpdateLedExtremes(&extremes, values);
        char line[LED_LINE_SIZE];
        FormatLedValuesLine(values, extremes, line, sizeof line);
        Plat_ConsolePrintf("%s", line);
        if (LedLineStays(values)) Plat_ConsolePrintf("\n");
    }
    Plat_GetKey();
    Plat_ConsolePrintf("\n\n\n");
    ShowCouponBoxKeys();
}

int CouponBoxTest()
{
    TRACE(SHOWN, MODULE_COMMANDS, "Coupon Box Test\n\n");
    const Port6Session port6("ERROR 1B: Can not open port.");
    if (!port6.IsOpen()) return PORT_FAILED;
    ShowCouponBoxKeys();
    char key = '\0';
    while (key != 'X') {
        if (Plat_KeyHit()) {
            key = static_cast<char>(std::toupper(Plat_GetKey() & 0xFF));
            ActOnKey(key);
        }
        // X still lets this last poll run.
        ModulePacket packet;
        if (ReadPacketFromSecurityModule(&packet, STATUS_POLL_WAIT_COUNT) && packet.data[0] == 'p')
            PrintStatusPacket(&packet);
    }
    // The box is left disabled.
    DisableCouponBox();
    return 0;
}
