// The CU's conveyor: safety sensor status (Z8), belt commands ("C" front
// rear, no answer) and the static light-curtain test (A6 "1" starts it, A6
// "0" answers with one "a6" result packet per sensor).
//
// Settings:
//   conveyor.switches   status bits of the z8 answer (0x01 front okay,
//                       0x02 rear okay); may be a list
//   curtain.sensors     sensor numbers of a result set, in order
//                       (default 1,27,28,29,30); several sets separated by
//                       ";" serve one A6 "0" each, the last one stays
//   curtain.total-scans Total Scans of every result packet
// The board keeps conveyor.front-belt and conveyor.rear-belt (stopped,
// forward, reverse; missing until the first command) and curtain.running.
#include "emulator/RequestHandlers.h"
#include "emulator/handlers/SettingSequence.h"

#include <cstdlib>

namespace emulator {

namespace {

const long DEFAULT_SWITCHES = 0x03;
const long DEFAULT_TOTAL_SCANS = 5000;
const char* const DEFAULT_SENSORS = "1,27,28,29,30";

void SafetySwitches(BoardState& state, const Request& request, Replies& replies)
{
    const long status = NextSettingNumber(state, "conveyor.switches", DEFAULT_SWITCHES);
    replies.SendEcho(request, std::string(1, static_cast<char>(status & 0xFF)));
}

// '0' leaves the belt as it is.
void ApplyBeltCommand(BoardState& state, const std::string& belt, uint8_t command)
{
    if (command == '1') state.settings[belt] = "stopped";
    if (command == '2') state.settings[belt] = "forward";
    if (command == '3') state.settings[belt] = "reverse";
}

void Belts(BoardState& state, const Request& request, Replies&)
{
    if (request.data.size() < 3) return;
    ApplyBeltCommand(state, "conveyor.front-belt", request.data[1]);
    ApplyBeltCommand(state, "conveyor.rear-belt", request.data[2]);
}

void PutWord(std::vector<uint8_t>* data, unsigned long value)
{
    data->push_back(static_cast<uint8_t>((value >> 8) & 0xFF));
    data->push_back(static_cast<uint8_t>(value & 0xFF));
}

void PutLong(std::vector<uint8_t>* data, unsigned long value)
{
    PutWord(data, (value >> 16) & 0xFFFF);
    PutWord(data, value & 0xFFFF);
}

// Values made from the sensor number, so that each line can be told apart.
std::vector<uint8_t> ResultPacket(unsigned long sensor, unsigned long totalScans)
{
    std::vector<uint8_t> data = {'a', '6', static_cast<uint8_t>(sensor & 0xFF)};
    PutWord(&data, 0x100 + sensor);  // Low No IR
    PutWord(&data, 0x200 + sensor);  // High No IR
    PutWord(&data, 0x300 + sensor);  // Low With IR
    PutWord(&data, 0x400 + sensor);  // High With IR
    PutWord(&data, 0x500 + sensor);  // High Diff
    PutWord(&data, 0x600 + sensor);  // Low Diff
    PutLong(&data, totalScans);
    PutLong(&data, sensor);          // Block Count
    PutWord(&data, 0x700 + sensor);  // Block Value
    return data;
}

void SendResults(BoardState& state, Replies& replies)
{
    const std::string sensors = NextSettingText(state, "curtain.sensors", DEFAULT_SENSORS, ';');
    const unsigned long totalScans =
        static_cast<unsigned long>(SettingNumber(state, "curtain.total-scans", DEFAULT_TOTAL_SCANS));
    for (size_t start = 0; start <= sensors.size();) {
        size_t comma = sensors.find(',', start);
        if (comma == std::string::npos) comma = sensors.size();
        const std::string item = sensors.substr(start, comma - start);
        if (!item.empty())
            replies.Send(ResultPacket(std::strtoul(item.c_str(), nullptr, 0), totalScans));
        start = comma + 1;
    }
}

void CurtainTest(BoardState& state, const Request& request, Replies& replies)
{
    const uint8_t step = request.data.size() > 2 ? request.data[2] : '0';
    if (step == '1') {
        SetSettingNumber(state, "curtain.running", 1);
        return;
    }
    SetSettingNumber(state, "curtain.running", 0);
    SendResults(state, replies);
}

}  // namespace

void AddConveyorHandlers(HandlerTable& table)
{
    table.moduleRequests["Z8"] = SafetySwitches;
    for (const char* key : {"C0", "C1", "C2", "C3"}) table.moduleRequests[key] = Belts;
    table.moduleRequests["A6"] = CurtainTest;
}

}  // namespace emulator
