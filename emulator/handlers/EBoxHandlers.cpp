// The carousel E-Box on the serial line behind port 4, and the board's own
// polling of it (module-port requests "SF" + "D"/"E" and the default
// override "SH" + "L").
//
// The E-Box reads a character stream: "R" outside a frame resets it; a frame
// is a carriage return, a command and a line feed. "O" asks for the
// configuration (seven characters), "O" + seven characters + check digit
// writes it. Replies are framed the same way.
//
// Settings: "ebox-config" (seven characters, "1140120" by default);
// "ebox-error" (a code: every framed command is answered "Err <code>");
// "ebox-split" (1: every reply comes in two packets); "ebox-reset-reply"
// (the text a reset answers, "R" by default). The board keeps "ebox-polling"
// ("E" polling, the default, or "D"), "default-override" and counts
// "ebox-resets". While the board polls, the line is the board's own and the
// E-Box never sees what the utility sends; so it does when port 4 is closed
// or not set up for the E-Box's line.
#include "emulator/RequestHandlers.h"

#include <cstddef>

namespace emulator {

namespace {

const int EBOX_PORT = 4;
const uint8_t CARRIAGE_RETURN = 0x0D;
const uint8_t LINE_FEED = 0x0A;
const size_t CONFIG_LENGTH = 7;
// The E-Box's own answer to a frame it cannot take.
const char BAD_FRAME_ERROR[] = "Err 9";

std::string Setting(const BoardState& state, const std::string& name, const std::string& fallback)
{
    auto found = state.settings.find(name);
    return found == state.settings.end() || found->second.empty() ? fallback : found->second;
}

char CheckDigit(const std::string& config)
{
    int sum = 0;
    for (char c : config) sum += static_cast<unsigned char>(c) & 0x0F;
    return static_cast<char>('0' + (10 - sum % 10) % 10);
}

bool LineReachesEBox(const BoardState& state)
{
    const PortState& port = state.ports[EBOX_PORT];
    const std::vector<uint8_t> eboxLine = {5, 5, 1, 2};
    return port.open && port.initialised && port.settings == eboxLine &&
           Setting(state, "ebox-polling", "E") == "D";
}

void SendReply(const BoardState& state, const std::string& text, Replies& replies)
{
    std::vector<uint8_t> framed;
    framed.push_back(CARRIAGE_RETURN);
    framed.insert(framed.end(), text.begin(), text.end());
    framed.push_back(LINE_FEED);
    if (Setting(state, "ebox-split", "0") != "1") {
        replies.Send(framed);
        return;
    }
    // The carriage return and half the text first, the rest and the line
    // feed after.
    const size_t half = 1 + text.size() / 2;
    replies.Send(
        std::vector<uint8_t>(framed.begin(), framed.begin() + static_cast<std::ptrdiff_t>(half)));
    replies.Send(std::vector<uint8_t>(framed.begin() + static_cast<std::ptrdiff_t>(half), framed.end()));
}

std::string AnswerCommand(BoardState& state, const std::string& command)
{
    const std::string error = Setting(state, "ebox-error", "");
    if (!error.empty()) return "Err " + error;
    std::string config = Setting(state, "ebox-config", "1140120");
    if (command == "O") return config;
    if (command.size() == 2 + CONFIG_LENGTH && command[0] == 'O') {
        std::string written = command.substr(1, CONFIG_LENGTH);
        if (CheckDigit(written) != command.back()) return BAD_FRAME_ERROR;
        state.settings["ebox-config"] = written;
        return written;
    }
    return BAD_FRAME_ERROR;
}

void EBoxData(BoardState& state, const Request& request, Replies& replies)
{
    if (!LineReachesEBox(state)) return;
    bool inFrame = Setting(state, "ebox-in-frame", "0") == "1";
    std::string frame = Setting(state, "ebox-frame", "");
    for (uint8_t byte : request.data) {
        if (!inFrame) {
            if (byte == CARRIAGE_RETURN) {
                inFrame = true;
                frame.clear();
            } else if (byte == 'R') {
                SetSettingNumber(state, "ebox-resets", SettingNumber(state, "ebox-resets", 0) + 1);
                SendReply(state, Setting(state, "ebox-reset-reply", "R"), replies);
            }
        } else if (byte == LINE_FEED) {
            inFrame = false;
            SendReply(state, AnswerCommand(state, frame), replies);
            frame.clear();
        } else {
            frame.push_back(static_cast<char>(byte));
        }
    }
    state.settings["ebox-in-frame"] = inFrame ? "1" : "0";
    state.settings["ebox-frame"] = frame;
}

// "SF" + "D" stops the board's polling of the E-Box, "E" resumes it.
void EBoxPolling(BoardState& state, const Request& request, Replies&)
{
    if (request.data.size() < 3) return;
    if (request.data[2] == 'D' || request.data[2] == 'E')
        state.settings["ebox-polling"] = std::string(1, static_cast<char>(request.data[2]));
}

// "SH" + "L" switches the default override off.
void DefaultOverride(BoardState& state, const Request& request, Replies&)
{
    if (request.data.size() < 3) return;
    state.settings["default-override"] = std::string(1, static_cast<char>(request.data[2]));
}

}  // namespace

void AddEBoxHandlers(HandlerTable& table)
{
    table.portRequests[EBOX_PORT] = EBoxData;
    table.moduleRequests["SF"] = EBoxPolling;
    table.moduleRequests["SH"] = DefaultOverride;
}

}  // namespace emulator
