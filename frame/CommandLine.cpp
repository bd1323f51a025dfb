#include "frame/CommandLine.h"

#include "base/ProgramOptions.h"
#include "base/TextUtil.h"
#include "base/Variant.h"
#include "platform/Platform.h"
#include "trace/Trace.h"

#include <climits>
#include <cstdio>
#include <cstdint>

namespace {

// The conversions of "%d" and "%x", without the C library's undefined
// behaviour on overflow: leading blanks, one sign, the digits ("0x" allowed
// before hexadecimal ones). False when no digit is there; the target is then
// left as it was, as scanf leaves it.
const char* SkipBlanks(const char* text)
{
    while (*text == ' ' || *text == '\t' || *text == '\n' || *text == '\r' || *text == '\v' ||
           *text == '\f')
        ++text;
    return text;
}

bool ScanDecimal(const char* text, int* value)
{
    text = SkipBlanks(text);
    bool negative = false;
    if (*text == '+' || *text == '-') negative = (*text++ == '-');
    if (*text < '0' || *text > '9') return false;
    // Saturates at the ends of int, as strtol does.
    const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
    long long magnitude = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        magnitude = magnitude * 10 + (*text - '0');
        if (magnitude > limit) magnitude = limit;
    }
    *value = static_cast<int>(negative ? -magnitude : magnitude);
    return true;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool ScanHex(const char* text, uint32_t* value)
{
    text = SkipBlanks(text);
    bool negative = false;
    if (*text == '+' || *text == '-') negative = (*text++ == '-');
    if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X') && HexDigit(text[2]) >= 0) text += 2;
    if (HexDigit(*text) < 0) return false;
    // Saturates at the top of 32 bits, as strtoul does; a sign negates modulo
    // 2^32, as it does there too.
    uint64_t magnitude = 0;
    for (; HexDigit(*text) >= 0; ++text) {
        magnitude = magnitude * 16 + static_cast<uint64_t>(HexDigit(*text));
        if (magnitude > UINT32_MAX) magnitude = static_cast<uint64_t>(UINT32_MAX) + 1;
    }
    if (magnitude > UINT32_MAX) {
        *value = UINT32_MAX;
        return true;
    }
    uint32_t result = static_cast<uint32_t>(magnitude);
    *value = negative ? static_cast<uint32_t>(0u - result) : result;
    return true;
}

ProgramOptions& Options() { return g_ProgramOptions; }

void SelectCommand(const char* name, int settingValue)
{
    Options().m_CommandName = name;
    Options().m_AutomatedMode = true;
    Options().m_SettingValue = settingValue;
}

void SelectCommand(const char* name)
{
    Options().m_CommandName = name;
    Options().m_AutomatedMode = true;
}

// Switches without a value.
void SupressConsoleDisplay(const char*)
{
    Options().m_ConsoleDisplay = false;
    Options().m_AcknowledgeResults = false;
}
void SuppressAcknowledgeResults(const char*) { Options().m_AcknowledgeResults = false; }
void GetVersion(const char*) { SelectCommand("GetVersion"); }
void AutoUpdate(const char*) { Options().m_AutoUpdate = true; }
void SafetySwitchEnable(const char*) { SelectCommand("SetSafetySwitch", 1); }
void EpsFlash(const char*) { SelectCommand("EPSFlash", 1); }
void EBoxRound02(const char*) { SelectCommand("EBoxRound02", 1); }
void TopEpsLl(const char*) { SelectCommand("TopEPSLL", 1); }
void EpsLlFlash(const char*) { SelectCommand("EPSLLFlash", 1); }
void FlatpackEnable(const char*) { SelectCommand("SetFlatpack", 1); }
void FlatpackDisable(const char*) { SelectCommand("SetFlatpack", 0); }
void SafetySwitchDisable(const char*) { SelectCommand("SetSafetySwitch", 0); }
void SafetySwitchType0(const char*) { SelectCommand("SetSafetySwitch", 0); }
void SafetySwitchType1(const char*) { SelectCommand("SetSafetySwitch", 1); }
void SafetySwitchType2(const char*) { SelectCommand("SetSafetySwitch", 2); }
void SecurityModuleUpload(const char*) { SelectCommand("SecurityModuleUpload"); }
void NoInternalFileChecksumCheck(const char*) { Options().m_InternalFileChecksumCheck = false; }
void FastLink(const char*) { Options().m_FastLink = true; }

// Switches with a value.
void SelectCurtainBreakWindow(const char*) { SelectCommand("SetCurtainBreakWindow"); }
void CurtainBreakWindow(const char* value)
{
    if (ScanDecimal(value, &Options().m_CurtainBreakWindow)) Options().m_CurtainBreakWindowGiven = true;
}
void InputFile(const char* value) { Options().m_InputFile = value; }
void CreateSuccFile(const char* value) { Options().m_CreateSuccFile = value; }
void OutputFile(const char* value) { Options().m_OutputFile = value; }
void InputFileChecksum(const char* value) { ScanHex(value, &Options().m_InputFileChecksum); }
void HardwareVersionRequest(const char* value)
{
    Options().m_HardwareVersionFile = value;
    SelectCommand("HardwareVersionRequest");
}
void UpLoadChecksum(const char* value) { ScanHex(value, &Options().m_UpLoadChecksum); }
void TargetType(const char* value) { Options().m_TargetType = value[0]; }
void MinSecurityModuleVersion(const char* value)
{
    Options().m_MinSecurityModuleVersion = DecimalValue(value);
}

enum ValueRule {
    NO_VALUE,
    VALUE,              // the value's own line is traced
    VALUE_REPEAT_LINE,  // the switch's line is traced again instead
};

struct Switch {
    const char* name;
    ValueRule rule;
    void (*apply)(const char* value);
    // Runs before the value is looked for, so that it holds even without one.
    void (*beforeValue)(const char* value);
};

// Compared in this order; the first match wins.
const Switch switches[] = {
    {"-SupressConsoleDisplay", NO_VALUE, SupressConsoleDisplay, nullptr},
    {"-SuppressAcknowledgeResults", NO_VALUE, SuppressAcknowledgeResults, nullptr},
    {"-GetVersion", NO_VALUE, GetVersion, nullptr},
    {"-AutoUpdate", NO_VALUE, AutoUpdate, nullptr},
    {"-SetSafetySwitchEnable", NO_VALUE, SafetySwitchEnable, nullptr},
    {"-SetEPSFlash", NO_VALUE, EpsFlash, nullptr},
    {"-SetEBoxRound02", NO_VALUE, EBoxRound02, nullptr},
    {"-SetTopEPSLL", NO_VALUE, TopEpsLl, nullptr},
    {"-SetEPSLLFlash", NO_VALUE, EpsLlFlash, nullptr},
    {"-SetFlatpackEnable", NO_VALUE, FlatpackEnable, nullptr},
    {"-SetFlatpackDisable", NO_VALUE, FlatpackDisable, nullptr},
    {"-SetSafetySwitchDisable", NO_VALUE, SafetySwitchDisable, nullptr},
    {"-SetSafetySwitchType0", NO_VALUE, SafetySwitchType0, nullptr},
    {"-SetSafetySwitchType1", NO_VALUE, SafetySwitchType1, nullptr},
    {"-SetSafetySwitchType2", NO_VALUE, SafetySwitchType2, nullptr},
    {"-SecurityModuleUpload", NO_VALUE, SecurityModuleUpload, nullptr},
    {"-NoInternalFileChecksumCheck", NO_VALUE, NoInternalFileChecksumCheck, nullptr},
    {"-SetCurtainBreakWindow", VALUE, CurtainBreakWindow, SelectCurtainBreakWindow},
    {"-InputFile", VALUE, InputFile, nullptr},
    {"-CreateSuccFile", VALUE, CreateSuccFile, nullptr},
    {"-OutputFile", VALUE, OutputFile, nullptr},
    {"-InputFileChecksum", VALUE, InputFileChecksum, nullptr},
    {"-HardwareVersionRequest", VALUE, HardwareVersionRequest, nullptr},
    {"-UpLoadChecksum", VALUE, UpLoadChecksum, nullptr},
    {"-TargetType", VALUE_REPEAT_LINE, TargetType, nullptr},
    {"-MinSecurityModuleVersion", VALUE_REPEAT_LINE, MinSecurityModuleVersion, nullptr},
    {"-FastLink", NO_VALUE, FastLink, nullptr},
};

const Switch* FindSwitch(const char* argument)
{
    for (const Switch& entry : switches)
        if (EqualsIgnoreCase(argument, entry.name)) return &entry;
    return nullptr;
}

void TraceArgument(int position, const char* text)
{
    TRACE(TL_INFO, MODULE_COMMANDS, "Argument %d Value:%s", position, text);
}

// The reading stops here without a word on the console; a script that
// mistyped a switch learns of it on standard error, with what runs instead.
void NoteEarlyStop(const char* what)
{
    const bool command = Options().m_AutomatedMode;
    Plat_ErrorPrintf("%s: %s and %s %s\n", g_Variant.programName, what,
                     command ? Options().m_CommandName : "the menus", command ? "runs" : "run");
}

}  // namespace

void ParseCommandLine(int argc, char** argv)
{
    char note[300];
    for (int position = 1; position < argc; ++position) {
        TraceArgument(position, argv[position]);
        const Switch* entry = FindSwitch(argv[position]);
        if (entry == nullptr) {
            std::snprintf(note, sizeof note,
                          "unrecognised argument \"%s\": the remaining arguments are ignored",
                          argv[position]);
            NoteEarlyStop(note);
            return;
        }
        if (entry->rule == NO_VALUE) {
            entry->apply(nullptr);
            continue;
        }
        if (entry->beforeValue != nullptr) entry->beforeValue(nullptr);
        if (position + 1 >= argc) {
            std::snprintf(note, sizeof note, "\"%s\" has no value: it is ignored", argv[position]);
            NoteEarlyStop(note);
            return;
        }
        ++position;
        if (entry->rule == VALUE_REPEAT_LINE)
            TraceArgument(position - 1, argv[position - 1]);
        else
            TraceArgument(position, argv[position]);
        entry->apply(argv[position]);
    }
}
