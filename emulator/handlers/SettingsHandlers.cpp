// The board settings on the module port, as each firmware version answers
// them (the version comes from the identity, "version=" in a scenario):
//   ZC  conveyor safety switches, from 3.35; status and set answer zC and the
//       status: E or D before 4.05, 0, 1 or 2 from 4.05 on
//   A5  curtain break window status (a5 and the byte), A4 sets it silently;
//       from 3.36
//   ZF  flatpack sensor, from 3.36: zF and 1 or 0
//   R0  power relay status (r0 and 1 or 0), R1 sets it silently (SU)
//   A7  flatpack sensor the CU way: a7 and E or D; A7 and a value sets it
//       silently (CU)
// Older firmware does not know a request and stays silent.
//
// Settings (seeded by setting.NAME lines): safety-switch 0, 1 or 2;
// curtain-break-window 0 to 255; flatpack 0 or 1; power-relay 0 or 1.
#include "emulator/RequestHandlers.h"

namespace emulator {

namespace {

const long SAFETY_SWITCH_VERSION = 335;
const long SAFETY_SWITCH_TYPES_VERSION = 405;
const long CURTAIN_AND_FLATPACK_VERSION = 336;

// The digits the utility reads as the version number: "033612152010" is 336.
long VersionNumber(const BoardState& state)
{
    const std::string& text = state.identity.version;
    if (text.size() < 4) return 0;
    long number = 0;
    for (size_t i = 1; i < 4; ++i) {
        if (text[i] < '0' || text[i] > '9') return 0;
        number = number * 10 + (text[i] - '0');
    }
    return number;
}

// The request's value byte (after the two request bytes); 0 when none.
uint8_t ValueByte(const Request& request) { return request.data.size() > 2 ? request.data[2] : 0; }

bool IsQuery(const Request& request) { return ValueByte(request) == '?'; }

char SafetySwitchStatus(const BoardState& state)
{
    const long setting = SettingNumber(state, "safety-switch", 0);
    if (VersionNumber(state) < SAFETY_SWITCH_TYPES_VERSION) return setting != 0 ? 'E' : 'D';
    return static_cast<char>('0' + (setting >= 0 && setting <= 2 ? setting : 0));
}

void SafetySwitch(BoardState& state, const Request& request, Replies& replies)
{
    const long version = VersionNumber(state);
    if (version < SAFETY_SWITCH_VERSION) return;
    const uint8_t value = ValueByte(request);
    if (value == 'E' || value == 'D') SetSettingNumber(state, "safety-switch", value == 'E' ? 1 : 0);
    if (version >= SAFETY_SWITCH_TYPES_VERSION && value >= '0' && value <= '2')
        SetSettingNumber(state, "safety-switch", value - '0');
    replies.SendEcho(request, std::string(1, SafetySwitchStatus(state)));
}

void CurtainBreakWindowStatus(BoardState& state, const Request& request, Replies& replies)
{
    if (VersionNumber(state) < CURTAIN_AND_FLATPACK_VERSION) return;
    const long window = SettingNumber(state, "curtain-break-window", 0);
    replies.SendEcho(request, std::string(1, static_cast<char>(window & 0xFF)));
}

void CurtainBreakWindowSet(BoardState& state, const Request& request, Replies&)
{
    if (VersionNumber(state) < CURTAIN_AND_FLATPACK_VERSION || request.data.size() < 3) return;
    SetSettingNumber(state, "curtain-break-window", ValueByte(request));
}

void Flatpack(BoardState& state, const Request& request, Replies& replies)
{
    if (VersionNumber(state) < CURTAIN_AND_FLATPACK_VERSION || request.data.size() < 3) return;
    if (!IsQuery(request)) SetSettingNumber(state, "flatpack", ValueByte(request) == '1' ? 1 : 0);
    replies.SendEcho(request, SettingNumber(state, "flatpack", 0) != 0 ? "1" : "0");
}

void CuFlatpack(BoardState& state, const Request& request, Replies& replies)
{
    if (IsQuery(request)) {
        replies.SendEcho(request, SettingNumber(state, "flatpack", 0) != 0 ? "E" : "D");
        return;
    }
    if (request.data.size() < 3) return;
    SetSettingNumber(state, "flatpack", ValueByte(request) == 'D' ? 0 : 1);
}

void PowerRelayStatus(BoardState& state, const Request& request, Replies& replies)
{
    replies.SendEcho(request, SettingNumber(state, "power-relay", 0) != 0 ? "1" : "0");
}

void PowerRelaySet(BoardState& state, const Request& request, Replies&)
{
    if (request.data.size() < 3) return;
    SetSettingNumber(state, "power-relay", ValueByte(request) == '1' ? 1 : 0);
}

}  // namespace

void AddSettingsHandlers(HandlerTable& table)
{
    table.moduleRequests["ZC"] = SafetySwitch;
    table.moduleRequests["A5"] = CurtainBreakWindowStatus;
    table.moduleRequests["A4"] = CurtainBreakWindowSet;
    table.moduleRequests["ZF"] = Flatpack;
}

void AddPowerRelayHandlers(HandlerTable& table)
{
    table.moduleRequests["R0"] = PowerRelayStatus;
    table.moduleRequests["R1"] = PowerRelaySet;
}

void AddCuFlatpackHandlers(HandlerTable& table) { table.moduleRequests["A7"] = CuFlatpack; }

}  // namespace emulator
