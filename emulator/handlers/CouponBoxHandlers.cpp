// The SU's coupon box: enable (P1, answered "p0"), disable (P2), enable
// without the LED (P3), status (P0, answered with a status packet) and the
// optical arrays' values (ZH).
//
// Settings (numbers; each may be a list that advances with each request):
//   couponbox.status      status bits of the "p" packets
//   couponbox.led-status  array status bits of the ZH answer
//   couponbox.top         top array value (16 bits)
//   couponbox.bottom      bottom array value (16 bits)
// The board keeps couponbox.enabled: 0 off, 1 on, 2 on without the LED.
#include "emulator/RequestHandlers.h"
#include "emulator/handlers/SettingSequence.h"

namespace emulator {

namespace {

const long DEFAULT_TOP_VALUE = 0x0200;
const long DEFAULT_BOTTOM_VALUE = 0x0180;

// "p0" and the status bits: the board's status packet.
void SendStatusPacket(BoardState& state, Replies& replies)
{
    const long status = NextSettingNumber(state, "couponbox.status", 0);
    replies.Send({'p', '0', static_cast<uint8_t>(status & 0xFF)});
}

void Status(BoardState& state, const Request&, Replies& replies) { SendStatusPacket(state, replies); }

void Enable(BoardState& state, const Request&, Replies& replies)
{
    SetSettingNumber(state, "couponbox.enabled", 1);
    SendStatusPacket(state, replies);
}

void Disable(BoardState& state, const Request&, Replies&)
{
    SetSettingNumber(state, "couponbox.enabled", 0);
}

void EnableWithoutLed(BoardState& state, const Request&, Replies&)
{
    SetSettingNumber(state, "couponbox.enabled", 2);
}

void PutWord(std::string* values, long value)
{
    values->push_back(static_cast<char>((value >> 8) & 0xFF));
    values->push_back(static_cast<char>(value & 0xFF));
}

void LedValues(BoardState& state, const Request& request, Replies& replies)
{
    std::string values(1, static_cast<char>(NextSettingNumber(state, "couponbox.led-status", 0) & 0xFF));
    PutWord(&values, NextSettingNumber(state, "couponbox.top", DEFAULT_TOP_VALUE));
    PutWord(&values, NextSettingNumber(state, "couponbox.bottom", DEFAULT_BOTTOM_VALUE));
    replies.SendEcho(request, values);
}

}  // namespace

void AddCouponBoxHandlers(HandlerTable& table)
{
    table.moduleRequests["P0"] = Status;
    table.moduleRequests["P1"] = Enable;
    table.moduleRequests["P2"] = Disable;
    table.moduleRequests["P3"] = EnableWithoutLed;
    table.moduleRequests["ZH"] = LedValues;
}

}  // namespace emulator
