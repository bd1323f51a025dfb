// The Sensormatic EAS controller behind the board: status (X3), set type
// (X2), enable and disable (X5), hardtag detector (X4).
//
// Settings:
//   sensormatic.type         controller type character ("0", "1", "2")
//   sensormatic.enabled      "1" or "0", the controller's state
//   sensormatic.switch-reply two characters answering X5 in place of the
//                            requested state (a controller error: "03");
//                            may be a list, an empty item answers as usual
//   sensormatic.hardtag      "1" when a hardtag is present; may be a list
#include "emulator/RequestHandlers.h"
#include "emulator/handlers/SettingSequence.h"

namespace emulator {

namespace {

std::string Setting(const BoardState& state, const std::string& name, const std::string& fallback)
{
    auto found = state.settings.find(name);
    return found == state.settings.end() || found->second.empty() ? fallback : found->second;
}

// "x3", the enabled state, the type.
void Status(BoardState& state, const Request& request, Replies& replies)
{
    replies.SendEcho(request, Setting(state, "sensormatic.enabled", "0").substr(0, 1) +
                                  Setting(state, "sensormatic.type", "0").substr(0, 1));
}

// No answer: the utility reads the type back with a status request.
void SetType(BoardState& state, const Request& request, Replies&)
{
    if (request.data.size() > 2)
        state.settings["sensormatic.type"] = std::string(1, static_cast<char>(request.data[2]));
}

void Switch(BoardState& state, const Request& request, Replies& replies)
{
    const std::string requested(1, request.data.size() > 2 ? static_cast<char>(request.data[2]) : '0');
    const std::string error = NextSettingText(state, "sensormatic.switch-reply", "");
    if (!error.empty()) {
        replies.SendEcho(request, error.substr(0, 2));
        return;
    }
    state.settings["sensormatic.enabled"] = requested;
    replies.SendEcho(request, requested + "0");
}

void Hardtag(BoardState& state, const Request& request, Replies& replies)
{
    replies.SendEcho(request, NextSettingText(state, "sensormatic.hardtag", "0").substr(0, 1));
}

}  // namespace

void AddSensormaticHandlers(HandlerTable& table)
{
    table.moduleRequests["X3"] = Status;
    table.moduleRequests["X2"] = SetType;
    table.moduleRequests["X5"] = Switch;
    table.moduleRequests["X4"] = Hardtag;
}

}  // namespace emulator
