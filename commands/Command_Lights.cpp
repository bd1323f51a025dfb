#include "commands/Command_Lights.h"

#include "link/Port6Session.h"
#include "link/securitymodule.h"
#include "link/securitymodule_commands.h"
#include "platform/Platform.h"
#include "trace/Trace.h"

#include <cctype>
#include <cstring>

namespace {

const char* const NOT_SENT = "ERROR 11: Writing Security Module data Failed.";

// Sends one request to the board's command interpreter without waiting for
// an answer; 0 or 11, shown.
int SendWithoutAnswer(char letter, char subCommand, const uint8_t* arguments, int argumentCount)
{
    const int result = SendModuleRequest(letter, subCommand, arguments, argumentCount);
    ShowRequestFailure(result, {NOT_SENT, nullptr, nullptr});
    return result;
}

}  // namespace

int SendLaneLightRequest(char code) { return SendWithoutAnswer('L', code, nullptr, 0); }

int SendTal2SetRequest(unsigned char bits) { return SendWithoutAnswer('T', '1', &bits, 1); }

// ------------------------------------------------------------ the light tests

namespace {

const int SHOWN = TL_INFO | TF_CONSOLE;
const int INLINE = TL_INFO | TF_INLINE;
// Lights answer slowly: 250 polls of 100 ms.
const int LIGHTS_WAIT_COUNT = 250;

// Bit 0x40 of a status answer means nothing.
const unsigned char TAL2_MEANINGLESS_BIT = 0x40;
const unsigned char TAL2_FLASHING = 0x20;
const char* const NO_ANSWER = "ERROR 10: Waiting for config data timeout.";

// The test screens go straight to the console; they are not worth a trace.
template <size_t count>
void PrintLines(const char* const (&lines)[count])
{
    for (const char* line : lines) Plat_ConsoleWrite(line, std::strlen(line));
}

// One key without Enter, in upper case, echoed.
char ReadTestKey()
{
    const char key = static_cast<char>(std::toupper(Plat_GetKey() & 0xFF));
    Plat_ConsolePrintf("%c\n", key);
    return key;
}

const char* const laneLightScreen[] = {
    "\n\n***** Lane Light / EAS Lights Test  *****\n\n",
    "0 - Turn All Lights Off\n\n",
    "1 - Turn Off Lane Light\n",
    "2 - Turn On Lane Light\n",
    "3 - Flash Lane Light\n\n",
    "4 - Turn Off Yellow Light\n",
    "5 - Turn On Yellow Light\n",
    "6 - Flash Yellow Light\n\n",
    "7 - Turn Off Green Light\n",
    "8 - Turn On Green Light\n",
    "9 - Flash Green Light\n\n",
    "A - Turn Off Red Light\n",
    "B - Turn On Red Light\n",
    "C - Flash Red Light\n\n",
    "X - Exit\n\n",
    "Enter Command :",
};

// The light codes each key of the lane light test sends, in order.
struct LaneLightKey {
    char key;
    const char* codes;
};

const LaneLightKey laneLightKeys[] = {
    {'0', "0369"},                          // every light off
    {'1', "0"},    {'2', "1"}, {'3', "2"},  // lane light off, on, flash
    {'4', "3"},    {'5', "4"}, {'6', "5"},  // yellow
    {'7', "6"},    {'8', "7"}, {'9', "8"},  // green
    {'A', "9"},    {'B', "A"}, {'C', "B"},  // red
};

void SendLaneLightCodes(char key)
{
    for (const LaneLightKey& entry : laneLightKeys) {
        if (entry.key != key) continue;
        // A failed request has been reported; the next light still gets its own.
        for (const char* code = entry.codes; *code != '\0'; ++code) SendLaneLightRequest(*code);
        return;
    }
}

const char* const tal2Screen[] = {
    "\n\n***** TAL-2 Type Lights Test  *****\n\n",
    "0 - Turn All TAL-2 Off\n\n",
    "1 - Turn on Amber\n",
    "2 - Turn off Amber\n",
    "3 - Turn on Green\n",
    "4 - Turn off Green\n",
    "5 - Turn on Red\n",
    "6 - Turn off Red\n",
    "7 - Turn on Blue\n",
    "8 - Turn off Blue\n",
    "9 - Start Flashing Lights\n",
    "A - Stop Flashing Lights\n",
    "X - Exit\n\n",
    "Enter Command :",
};

struct Tal2Lamp {
    unsigned char bit;
    char onKey;
    char offKey;
    const char* name;  // in the status line
};

const Tal2Lamp tal2Lamps[] = {
    {0x01, '1', '2', "Amber, "},
    {0x02, '3', '4', "Green, "},
    {0x04, '5', '6', "Red, "},
    {0x08, '7', '8', "Blue, "},
};
const char TAL2_FLASH_ON_KEY = '9';
const char TAL2_FLASH_OFF_KEY = 'A';

// The lamp bits after the key; false for a key that changes nothing.
bool ApplyTal2Key(char key, unsigned char* bits)
{
    if (key == '0') {
        *bits = 0;
        return true;
    }
    if (key == TAL2_FLASH_ON_KEY || key == TAL2_FLASH_OFF_KEY) {
        *bits = static_cast<unsigned char>(key == TAL2_FLASH_ON_KEY ? *bits | TAL2_FLASHING
                                                                    : *bits & ~TAL2_FLASHING);
        return true;
    }
    for (const Tal2Lamp& lamp : tal2Lamps) {
        if (key == lamp.onKey || key == lamp.offKey) {
            *bits = static_cast<unsigned char>(key == lamp.onKey ? *bits | lamp.bit : *bits & ~lamp.bit);
            return true;
        }
    }
    return false;
}

void ShowTal2Status(unsigned char bits)
{
    bits = static_cast<unsigned char>(bits & ~TAL2_MEANINGLESS_BIT);
    TRACE(INLINE, MODULE_COMMANDS, "TAL-2 Status :");
    if (bits == 0) TRACE(INLINE, MODULE_COMMANDS, "All ");
    for (const Tal2Lamp& lamp : tal2Lamps)
        if (bits & lamp.bit) TRACE(INLINE, MODULE_COMMANDS, "%s", lamp.name);
    if (bits == 0)
        TRACE(SHOWN, MODULE_COMMANDS, "Off\n");
    else if (bits & TAL2_FLASHING)
        TRACE(SHOWN, MODULE_COMMANDS, "Flashing\n");
    else
        TRACE(SHOWN, MODULE_COMMANDS, "On\n");
}

// Asks the module which TAL-2 lamps are lit and shows them, or why not.
void RequestTal2Status()
{
    static const RequestFailureTexts failures = {NOT_SENT, NO_ANSWER,
                                                 "ERROR 12: Security Module status timeout."};
    ModulePacket reply;
    if (ShownExchange('T', '0', nullptr, 0, LIGHTS_WAIT_COUNT, failures, &reply) == EXCHANGE_OK)
        ShowTal2Status(reply.data[2]);
}

}  // namespace

void LaneLightTest()
{
    const Port6Session port6;
    if (!port6.IsOpen()) return;
    for (;;) {
        ClearScreen();
        PrintLines(laneLightScreen);
        const char key = ReadTestKey();
        if (key == 'X') break;
        SendLaneLightCodes(key);
    }
}

void Tal2LightsTest()
{
    const Port6Session port6;
    if (!port6.IsOpen()) return;
    // The test's own idea of the lamps: they are never read back.
    unsigned char bits = 0;
    for (;;) {
        ClearScreen();
        RequestTal2Status();
        PrintLines(tal2Screen);
        const char key = ReadTestKey();
        if (key == 'X') break;
        if (ApplyTal2Key(key, &bits)) SendTal2SetRequest(bits);
    }
}

// ------------------------------------------------ EAS lights as lane light

namespace {

struct EasLaneLightCommand {
    char subCommand;  // of the "Z" request: the query adds "?", the set "1"
    const char* banner;
    const char* disabled;
    const char* enabled;
    const char* disabledAfterSet;
    const char* enabledAfterSet;
};

const EasLaneLightCommand allEasAsLaneLight = {
    '9',
    "USB Security Module Set all 3 EAS light as flashing lane light only",
    "All 3 EAS as Lane Light is Disabled\n",
    "All 3 EAS as Lane Light is Enabled\n",
    "\nAll 3 EAS as Lane Light is Disabled\n",
    "\nAll 3 EAS as Lane Light is Enabled\n",
};

const EasLaneLightCommand topEasAsLaneLight = {
    'B',
    "USB Security Module, Set top EAS light as lane light",
    "Top EAS as Lane Light is Disabled\n",
    "Top EAS as Lane Light is Enabled\n",
    "\nTop EAS as Lane Light is Disabled\n",
    "\nTop EAS as Lane Light is Enabled\n",
};

void ShowEasState(uint8_t state, const char* disabled, const char* enabled)
{
    if (state == '0')
        TRACE(SHOWN, MODULE_COMMANDS, "%s", disabled);
    else if (state == '1')
        TRACE(SHOWN, MODULE_COMMANDS, "%s", enabled);
    else
        TRACE(SHOWN, MODULE_COMMANDS, "Invalid Setting!\n");
}

// Shows the setting, asks for it to be enabled and shows what the module
// answers. Ends at the first failure. Port 6 stays open: the program ends
// after this command.
void RunEasLaneLightCommand(const EasLaneLightCommand& command)
{
    static const RequestFailureTexts failures = {NOT_SENT, NO_ANSWER,
                                                 "ERROR 12: Security Module timeout."};
    TRACE(SHOWN, MODULE_COMMANDS, "%s", command.banner);
    Port6Session port6;
    if (!port6.IsOpen()) return;
    port6.LeaveOpen();
    TRACE(INLINE, MODULE_COMMANDS, "\n\nCurrent Status:");
    ModulePacket reply;
    const uint8_t query = '?';
    if (ShownExchange('Z', command.subCommand, &query, 1, LIGHTS_WAIT_COUNT, failures, &reply) != 0)
        return;
    ShowEasState(reply.data[2], command.disabled, command.enabled);

    const uint8_t enable = '1';
    if (SendWithoutAnswer('Z', command.subCommand, &enable, 1) != 0) return;
    // The module answers a set with its new state; the next packet is taken
    // as that answer.
    if (!ReadPacketFromSecurityModule(&reply, LIGHTS_WAIT_COUNT)) {
        TRACE(SHOWN, MODULE_COMMANDS, "%s", NO_ANSWER);
        return;
    }
    ShowEasState(reply.data[2], command.disabledAfterSet, command.enabledAfterSet);
}

}  // namespace

void SetAllEasAsLaneLight() { RunEasLaneLightCommand(allEasAsLaneLight); }

void SetTopEasAsLaneLight() { RunEasLaneLightCommand(topEasAsLaneLight); }
