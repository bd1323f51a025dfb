// Identity requests of the module port: version (Z2), firmware checksum and
// its verdict (Z4), model (Z5) and serial number (ZJ).
#include "emulator/RequestHandlers.h"

namespace emulator {

namespace {

// A board flashed while the program runs: with "setting.reflashed-version",
// every version request after the first is answered with that version.
void Version(BoardState& state, const Request& request, Replies& replies)
{
    auto reflashed = state.settings.find("reflashed-version");
    if (reflashed != state.settings.end() && SettingNumber(state, "version-requests", 0) > 0)
        state.identity.version = reflashed->second;
    SetSettingNumber(state, "version-requests", SettingNumber(state, "version-requests", 0) + 1);
    replies.SendEcho(request, state.identity.version);
}

void Checksum(BoardState& state, const Request& request, Replies& replies)
{
    replies.SendEcho(request, state.identity.checksumStatus + state.identity.checksum);
}

void Model(BoardState& state, const Request& request, Replies& replies)
{
    replies.SendEcho(request, state.identity.model);
}

void SerialNumber(BoardState& state, const Request& request, Replies& replies)
{
    replies.SendEcho(request, state.identity.serial);
}

}  // namespace

void AddIdentityHandlers(HandlerTable& table)
{
    table.moduleRequests["Z2"] = Version;
    table.moduleRequests["Z4"] = Checksum;
    table.moduleRequests["Z5"] = Model;
    table.moduleRequests["ZJ"] = SerialNumber;
}

}  // namespace emulator
