// Service requests of the module port: set model (Z6), proximity sensor
// calibration (M4) and status (M1), USB loop-back (ZI) and soft reset (Z3).
//
// Settings:
//   proximity.calibration  third byte of the m4 answer (0x30 complete)
//   proximity.status       third byte of each m1 answer (bit 0x01 blocked)
//   loopback.corrupt       counter, letters, both or none: what to spoil in
//                          the ZI echo
// Each may be a list that advances with each request (SettingSequence.h):
// "counter,both,none" spoils the first two echoes only.
#include "emulator/RequestHandlers.h"
#include "emulator/handlers/SettingSequence.h"

namespace emulator {

namespace {

const size_t MODEL_CHARACTERS = 3;
const size_t LOOPBACK_COUNTER_FIRST = 2;
const size_t LOOPBACK_COUNTER_LENGTH = 8;
const size_t LOOPBACK_LETTERS_FIRST = LOOPBACK_COUNTER_FIRST + LOOPBACK_COUNTER_LENGTH;

std::string Byte(long value) { return std::string(1, static_cast<char>(value & 0xFF)); }

// The three model characters as sent; the Z5 answer repeats them.
void SetModel(BoardState& state, const Request& request, Replies& replies)
{
    std::string model;
    for (size_t i = 2; i < 2 + MODEL_CHARACTERS; ++i)
        model.push_back(i < request.data.size() ? static_cast<char>(request.data[i]) : '\0');
    state.identity.model = model;
    replies.SendEcho(request, "");
}

void ProximityCalibration(BoardState& state, const Request& request, Replies& replies)
{
    replies.SendEcho(request, Byte(NextSettingNumber(state, "proximity.calibration", '0')));
}

void ProximityStatus(BoardState& state, const Request& request, Replies& replies)
{
    replies.SendEcho(request, Byte(NextSettingNumber(state, "proximity.status", '0')));
}

void SpoilByte(std::vector<uint8_t>& data, size_t index)
{
    if (index < data.size()) data[index] = static_cast<uint8_t>(data[index] ^ 0x01);
}

// The request's bytes back, behind "zI".
void Loopback(BoardState& state, const Request& request, Replies& replies)
{
    std::vector<uint8_t> echo(request.data);
    if (!echo.empty()) echo[0] = 'z';
    const std::string spoil = NextSettingText(state, "loopback.corrupt", "none");
    if (spoil == "counter" || spoil == "both") SpoilByte(echo, LOOPBACK_COUNTER_FIRST + 7);
    if (spoil == "letters" || spoil == "both") SpoilByte(echo, LOOPBACK_LETTERS_FIRST);
    replies.Send(echo);
}

void SoftReset(BoardState& state, const Request& request, Replies& replies)
{
    SetSettingNumber(state, "soft-resets", SettingNumber(state, "soft-resets", 0) + 1);
    replies.SendEcho(request, "");
}

}  // namespace

void AddServiceHandlers(HandlerTable& table)
{
    table.moduleRequests["Z6"] = SetModel;
    table.moduleRequests["M4"] = ProximityCalibration;
    table.moduleRequests["M1"] = ProximityStatus;
    table.moduleRequests["ZI"] = Loopback;
    table.moduleRequests["Z3"] = SoftReset;
}

}  // namespace emulator
