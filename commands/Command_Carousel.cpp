#include "commands/Command_Carousel.h"

#include "link/securitymodule.h"
#include "link/securitymodule_commands.h"
#include "platform/Platform.h"
#include "trace/Trace.h"

#include <cstring>

char EBoxResponse[EBOX_RESPONSE_SIZE + 1];
size_t EBoxResponseIndex = 0;

namespace {

const int SHOWN = TL_INFO | TF_CONSOLE;
const int INLINE = TL_INFO | TF_INLINE;

// The E-Box answers slowly: up to 500 polls of 100 ms for one reply packet.
const int EBOX_WAIT_COUNT = 500;
// Flushing stops at the first second without a packet.
const int FLUSH_WAIT_COUNT = 10;

const uint8_t CARRIAGE_RETURN = 0x0D;
const uint8_t LINE_FEED = 0x0A;
const int CONFIGURATION_LENGTH = 7;

// Initialise-port settings of the E-Box's serial line.
const uint8_t EBOX_LINE_SETTINGS[] = {5, 5, 1, 2};

// After the rounding is written, and after the E-Box is reset, it needs a
// moment before the next step.
const unsigned EBOX_SETTLE_MS = 1000;

enum {
    SEND_CHAR_FAILED = 671,
    SEND_COMMAND_FAILED = 692,
    NO_REPLY = 788,
    EBOX_ERROR_REPLY = 833,
    INIT_PORT_FAILED = 874,
    OPEN_PORT_FAILED = 886,
    CLOSE_PORT_FAILED = 906,
};

int SendToEBox(const uint8_t* data, size_t count)
{
    return SendPacket(ORBA_PORT_CAROUSEL_EBOX, ORBA_DC_DATA, data, static_cast<int>(count));
}

// A character a message can carry: a reply too short to hold one would
// otherwise end the message early.
char Printable(char character) { return character != '\0' ? character : '?'; }

const char* EBoxErrorText(char code)
{
    switch (code) {
    case '1': return "General failure in load cell unit";
    case '2': return "Under-load condition";
    case '3': return "Overload condition";
    case '6': return "Calibration timeout, unstable weight";
    case '7': return "Arithmetic error during calibration";
    case '8': return "Missing load cells in the network";
    default: return "";
    }
}

void AppendToResponse(uint8_t character)
{
    // The rest of an over-long reply is dropped; the terminator stays.
    if (EBoxResponseIndex < EBOX_RESPONSE_SIZE)
        EBoxResponse[EBoxResponseIndex++] = static_cast<char>(character);
}

const char* RoundingText(char code)
{
    switch (code) {
    case '1': return "0.01";
    case '2': return "0.02";
    case '3': return "0.05";
    case '4': return "0.10";
    default: return nullptr;
    }
}

void ShowCurrentRounding(char code)
{
    TRACE(INLINE, MODULE_COMMANDS, "Current Weight Rounding = ");
    const char* text = RoundingText(code);
    if (text != nullptr)
        TRACE(SHOWN, MODULE_COMMANDS, "%s", text);
    else
        TRACE(SHOWN, MODULE_COMMANDS, "Value = %x",
              static_cast<unsigned>(static_cast<unsigned char>(code)));
    Plat_ConsoleWrite("\n", 1);
}

// A port-6 request that the board takes without answering; "ERROR 11: on
// Port 4." when it does not go out.
void SendBoardEBoxSetting(char subCommand, char setting)
{
    OpenSecurityModulePort6();
    const uint8_t value = static_cast<uint8_t>(setting);
    if (SendModuleRequest('S', subCommand, &value, 1) != 0)
        TRACE(SHOWN, MODULE_COMMANDS, "ERROR 11: on Port 4.");
    CloseSecurityModulePort6();
}

}  // namespace

int OpenCarouselPort()
{
    if (SendPacket(ORBA_PORT_CAROUSEL_EBOX, ORBA_DC_INIT_PORT, EBOX_LINE_SETTINGS,
                   static_cast<int>(sizeof EBOX_LINE_SETTINGS)) != 0) {
        TRACE(SHOWN, MODULE_COMMANDS, "ERROR 11: Init Port 4.");
        return INIT_PORT_FAILED;
    }
    if (SendPacket(ORBA_PORT_CAROUSEL_EBOX, ORBA_DC_OPEN_PORT, nullptr, 0) != 0) {
        TRACE(SHOWN, MODULE_COMMANDS, "ERROR 11: Opening Port 4.");
        return OPEN_PORT_FAILED;
    }
    return 0;
}

int CloseCarouselPort()
{
    if (SendPacket(ORBA_PORT_CAROUSEL_EBOX, ORBA_DC_CLOSE_PORT, nullptr, 0) != 0) {
        TRACE(SHOWN, MODULE_COMMANDS, "ERROR 11: Closing Port 4.");
        return CLOSE_PORT_FAILED;
    }
    return 0;
}

int SendEBoxChar(char character)
{
    const uint8_t data[] = {static_cast<uint8_t>(character)};
    if (SendToEBox(data, sizeof data) != 0) {
        TRACE(SHOWN, MODULE_COMMANDS, "ERROR 11: Sending data to port 4.\n");
        return SEND_CHAR_FAILED;
    }
    return 0;
}

int SendEBoxCommand(char command)
{
    const uint8_t data[] = {CARRIAGE_RETURN, static_cast<uint8_t>(command), LINE_FEED};
    if (SendToEBox(data, sizeof data) != 0) {
        TRACE(SHOWN, MODULE_COMMANDS, "ERROR 11: Sending data to port 4.\n");
        return SEND_COMMAND_FAILED;
    }
    return 0;
}

int ReadEBoxResponse()
{
    std::memset(EBoxResponse, 0, sizeof EBoxResponse);
    EBoxResponseIndex = 0;
    bool collecting = false;
    bool done = false;
    while (!done) {
        ModulePacket packet;
        if (!ReadPacketFromSecurityModule(&packet, EBOX_WAIT_COUNT)) {
            TRACE(SHOWN, MODULE_COMMANDS, "ERROR 50: Scale Timeout.");
            return NO_REPLY;
        }
        // Other ports' traffic is not the E-Box's.
        if (packet.DA != ORBA_PORT_CAROUSEL_EBOX) continue;
        // A reply may be split over packets: the framing state carries over.
        for (int i = 0; i < packet.DL; ++i) {
            const uint8_t byte = packet.data[i];
            if (!collecting)
                collecting = byte == CARRIAGE_RETURN;
            else if (byte == LINE_FEED)
                done = true;
            else
                AppendToResponse(byte);
        }
    }
    if (std::strncmp(EBoxResponse, "Err", 3) != 0) return 0;
    const char code = EBoxResponse[4];
    TRACE(INLINE, MODULE_COMMANDS, "E-Box Error Code %c, ", Printable(code));
    // Ends the line also when the code has no text.
    TRACE(SHOWN, MODULE_COMMANDS, "%s", EBoxErrorText(code));
    return EBOX_ERROR_REPLY;
}

bool NoPacketIsTheReply(const ModulePacket& /*packet*/) { return false; }

// Drops packets until a wait comes back empty, or gives up at the 100th.
void FlushCarouselPort()
{
    const ReplyRule flush = {0, 0, NoPacketIsTheReply, FLUSH_WAIT_COUNT, 0};
    ModulePacket packet;
    if (AwaitReply(flush, &packet) == EXCHANGE_TOO_MANY)
        TRACE(SHOWN, MODULE_COMMANDS, "ERROR 52: Flushing port 4 Data.");
}

void ResetEBox()
{
    TRACE(SHOWN, MODULE_COMMANDS, "Resetting Carousel E-Box\n");
    if (SendEBoxChar('R') != 0 || ReadEBoxResponse() != 0) {
        TRACE(SHOWN, MODULE_COMMANDS, "Reset Failed!");
        return;
    }
    if (EBoxResponse[0] == 'R')
        TRACE(SHOWN, MODULE_COMMANDS, "Reset Complete");
    else
        TRACE(SHOWN, MODULE_COMMANDS, "Reset Failed!, Code = %c", Printable(EBoxResponse[0]));
}

char EBoxCheckDigit(const char* configuration)
{
    int sum = 0;
    for (int i = 0; i < CONFIGURATION_LENGTH; ++i)
        sum += static_cast<unsigned char>(configuration[i]) & 0x0F;
    return static_cast<char>('0' + (10 - sum % 10) % 10);
}

void SetEBoxRounding(char code)
{
    if (SendEBoxCommand('O') != 0 || ReadEBoxResponse() != 0) return;
    char configuration[CONFIGURATION_LENGTH];
    std::memcpy(configuration, EBoxResponse, sizeof configuration);
    ShowCurrentRounding(configuration[1]);
    if (RoundingText(code) == nullptr) {
        TRACE(SHOWN, MODULE_COMMANDS, "Invalid Number!");
        return;
    }
    // Writing back a configuration that was never read in full would put
    // zeros into the E-Box's settings.
    if (std::strlen(EBoxResponse) < static_cast<size_t>(CONFIGURATION_LENGTH)) {
        TRACE(SHOWN, MODULE_COMMANDS, "ERROR 51: Incomplete E-Box Configuration \"%s\", not written.",
              EBoxResponse);
        return;
    }

    configuration[1] = code;
    configuration[2] = '6';
    configuration[5] = '2';
    uint8_t write[2 + CONFIGURATION_LENGTH + 2];
    write[0] = CARRIAGE_RETURN;
    write[1] = 'O';
    std::memcpy(write + 2, configuration, sizeof configuration);
    write[2 + CONFIGURATION_LENGTH] = static_cast<uint8_t>(EBoxCheckDigit(configuration));
    write[3 + CONFIGURATION_LENGTH] = LINE_FEED;
    if (SendToEBox(write, sizeof write) != 0) {
        TRACE(SHOWN, MODULE_COMMANDS, "ERROR 11: Sending data to port 4.\n");
        TRACE(SHOWN, MODULE_COMMANDS, "ERROR 54: Calibration Failed!");
        return;
    }
    // The answer to the write says nothing; reading the configuration back does.
    ReadEBoxResponse();
    if (SendEBoxCommand('O') != 0) return;
    ReadEBoxResponse();
    if (EBoxResponse[1] == code)
        TRACE(SHOWN, MODULE_COMMANDS, "Weight Rounding Updated!");
    else
        TRACE(SHOWN, MODULE_COMMANDS, "ERROR 53: Weight Rounding NOT Updated.");
}

void SetEBoxPolling(char setting) { SendBoardEBoxSetting('F', setting); }

void SetDefaultOverride(char setting) { SendBoardEBoxSetting('H', setting); }

void SetEBoxRound02()
{
    OpenSecurityModulePort6();
    TRACE(SHOWN, MODULE_COMMANDS, "Disabling VAV Default Override.");
    SetDefaultOverride('L');
    TRACE(SHOWN, MODULE_COMMANDS, "Disabling EBox Polling.");
    SetEBoxPolling('D');
    // From here on the board does not poll the E-Box: every way out gives
    // the polling back.
    TRACE(SHOWN, MODULE_COMMANDS, "Opening Port 4 to Carousel");
    if (OpenCarouselPort() != 0) {
        TRACE(SHOWN, MODULE_COMMANDS, "ERROR 1B: Port 4 open Failed.");
        SetEBoxPolling('E');
        return;
    }
    FlushCarouselPort();
    TRACE(SHOWN, MODULE_COMMANDS, "Setting Rounding to .02");
    SetEBoxRounding('2');
    Plat_Sleep(EBOX_SETTLE_MS);
    ResetEBox();
    CloseCarouselPort();
    Plat_Sleep(EBOX_SETTLE_MS);
    SetEBoxPolling('E');
    TRACE(SHOWN, MODULE_COMMANDS, "Complete.");
    CloseSecurityModulePort6();
}
