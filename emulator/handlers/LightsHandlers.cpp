// The lane's lights on the module port: lane light and EAS lights (L), the
// TAL-2 tower (T1 sets the lamps, T0 reports them), and the EAS lights used
// as the lane light (Z9 all three, ZB the top one; "?" asks, "1" or "0" sets).
//
// Settings: "lane-light", "yellow-light", "green-light", "red-light" (0 off,
// 1 on, 2 flashing); "tal2" (the lamp bits); "tal2-status-flag" (1: T0
// answers carry the 0x40 bit, as some boards send it); "eas-all" and
// "eas-top" (the state character the Z9 / ZB answers carry, "0" by default,
// so "2" gives an answer of 0x32).
#include "emulator/RequestHandlers.h"

namespace emulator {

namespace {

const long TAL2_STATUS_FLAG = 0x40;

struct LaneLightCode {
    uint8_t code;
    const char* light;
    long state;
};

const LaneLightCode laneLightCodes[] = {
    {'0', "lane-light", 0},   {'1', "lane-light", 1},   {'2', "lane-light", 2},
    {'3', "yellow-light", 0}, {'4', "yellow-light", 1}, {'5', "yellow-light", 2},
    {'6', "green-light", 0},  {'7', "green-light", 1},  {'8', "green-light", 2},
    {'9', "red-light", 0},    {'A', "red-light", 1},    {'B', "red-light", 2},
};

// "L" + code: no answer, as on a board.
void LaneLight(BoardState& state, const Request& request, Replies&)
{
    for (const LaneLightCode& entry : laneLightCodes)
        if (entry.code == request.data[1]) SetSettingNumber(state, entry.light, entry.state);
}

// "T1" + lamp bits: no answer.
void Tal2Set(BoardState& state, const Request& request, Replies&)
{
    if (request.data.size() < 3) return;
    SetSettingNumber(state, "tal2", request.data[2]);
}

// "T0": "t0" + the lamp bits.
void Tal2Status(BoardState& state, const Request& request, Replies& replies)
{
    long bits = SettingNumber(state, "tal2", 0) & 0xFF;
    if (SettingNumber(state, "tal2-status-flag", 0) != 0) bits |= TAL2_STATUS_FLAG;
    replies.SendEcho(request, std::string(1, static_cast<char>(bits)));
}

// The state character of an EAS-as-lane-light setting.
char EasState(const BoardState& state, const std::string& name)
{
    auto found = state.settings.find(name);
    if (found == state.settings.end() || found->second.empty()) return '0';
    return found->second[0];
}

// "?" asks; "0" or "1" sets. Both are answered with the state now in force.
void EasLaneLight(BoardState& state, const Request& request, Replies& replies, const std::string& name)
{
    if (request.data.size() < 3) return;
    const uint8_t argument = request.data[2];
    if (argument == '0' || argument == '1')
        state.settings[name] = std::string(1, static_cast<char>(argument));
    else if (argument != '?')
        return;
    replies.SendEcho(request, std::string(1, EasState(state, name)));
}

void AllEasLaneLight(BoardState& state, const Request& request, Replies& replies)
{
    EasLaneLight(state, request, replies, "eas-all");
}

void TopEasLaneLight(BoardState& state, const Request& request, Replies& replies)
{
    EasLaneLight(state, request, replies, "eas-top");
}

}  // namespace

void AddLightsHandlers(HandlerTable& table)
{
    // A request is found by its first two bytes: one entry per light code.
    for (const LaneLightCode& entry : laneLightCodes)
        table.moduleRequests[std::string{'L', static_cast<char>(entry.code)}] = LaneLight;
    table.moduleRequests["T1"] = Tal2Set;
    table.moduleRequests["T0"] = Tal2Status;
}

void AddEasLaneLightHandlers(HandlerTable& table)
{
    table.moduleRequests["Z9"] = AllEasLaneLight;
    table.moduleRequests["ZB"] = TopEasLaneLight;
}

}  // namespace emulator
