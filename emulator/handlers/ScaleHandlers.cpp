// The bagging scale of the SU: the configuration request (SG) and the stream
// of readings that "S7" starts and "S8" stops ("S5", sent before both, needs
// nothing from the emulator). The scenario sets the configuration text, the
// readings, their rate and how many one stream holds.
#include "emulator/RequestHandlers.h"

#include <cerrno>
#include <cstdlib>
#include <fstream>

namespace emulator {

namespace {

const long MAX_RATE = 1000000;  // readings a second
const size_t READING_FIELDS = 5;

std::string Trim(const std::string& text)
{
    size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return std::string();
    size_t last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

// A whole number in decimal, or in hexadecimal after "0x".
bool ParseNumber(const std::string& text, unsigned long limit, unsigned long* value)
{
    const std::string digits = Trim(text);
    const bool hex = digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X');
    const std::string body = hex ? digits.substr(2) : digits;
    const char* allowed = hex ? "0123456789abcdefABCDEF" : "0123456789";
    if (body.empty() || body.find_first_not_of(allowed) != std::string::npos) return false;
    errno = 0;
    *value = std::strtoul(body.c_str(), nullptr, hex ? 16 : 10);
    return errno == 0 && *value <= limit;
}

// "FLAGS,AVERAGE,FILTER1,ADC,NOISE".
bool ParseReading(const std::string& text, ScaleReading* reading, std::string* reason)
{
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        size_t comma = text.find(',', start);
        fields.push_back(text.substr(start, comma == std::string::npos ? comma : comma - start));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    unsigned long values[READING_FIELDS] = {};
    bool good = fields.size() == READING_FIELDS;
    for (size_t i = 0; good && i < READING_FIELDS; ++i)
        good = ParseNumber(fields[i], i == 0 ? 0xFF : 0xFFFF, &values[i]);
    if (!good) {
        *reason =
            "a reading is flags (0-255), average, filter-1, ADC and noise (0-65535), "
            "separated by commas";
        return false;
    }
    reading->flags = static_cast<uint8_t>(values[0]);
    reading->average = static_cast<uint16_t>(values[1]);
    reading->filter1 = static_cast<uint16_t>(values[2]);
    reading->adc = static_cast<uint16_t>(values[3]);
    reading->noise = static_cast<uint16_t>(values[4]);
    return true;
}

// One reading a line; blank lines and lines beginning with '#' are skipped.
bool LoadReadings(const std::string& path, std::vector<ScaleReading>* readings, std::string* reason)
{
    std::ifstream file(path);
    if (!file) {
        *reason = "cannot read the readings file '" + path + "'";
        return false;
    }
    readings->clear();
    std::string line;
    for (unsigned number = 1; std::getline(file, line); ++number) {
        const std::string text = Trim(line);
        if (text.empty() || text[0] == '#') continue;
        ScaleReading reading;
        if (!ParseReading(text, &reading, reason)) {
            *reason = path + ":" + std::to_string(number) + ": " + *reason;
            return false;
        }
        readings->push_back(reading);
    }
    return true;
}

bool ScenarioKey(BoardState& state, const std::string& key, const std::string& value,
                 std::string* reason)
{
    ScaleState& scale = state.scale;
    unsigned long number = 0;
    if (key == "scale.config") {
        if (value.size() > WIRE_MAX_DATA - 2) {
            *reason = "longer than one reply can carry (58 bytes)";
            return false;
        }
        scale.config = value;
        return true;
    }
    if (key == "scale.rate") {
        if (!ParseNumber(value, MAX_RATE, &number)) {
            *reason = "readings a second, 0 (as fast as they are taken) to 1000000";
            return false;
        }
        scale.ratePerSecond = static_cast<long>(number);
        return true;
    }
    if (key == "scale.count") {
        if (!ParseNumber(value, 1000000000, &number)) {
            *reason = "the readings in one stream, 0 to 1000000000";
            return false;
        }
        scale.count = static_cast<long>(number);
        return true;
    }
    if (key == "scale.reading") {
        ScaleReading reading;
        if (!ParseReading(value, &reading, reason)) return false;
        // The first reading a scenario gives replaces the built-in ones.
        if (!scale.readingsSet) scale.readings.clear();
        scale.readingsSet = true;
        scale.readings.push_back(reading);
        return true;
    }
    if (key == "scale.readings") {
        if (!LoadReadings(value, &scale.readings, reason)) return false;
        scale.readingsSet = true;
        return true;
    }
    *reason = "unknown key";
    return false;
}

void Configuration(BoardState& state, const Request& request, Replies& replies)
{
    replies.SendEcho(request, state.scale.config);
}

void StartStream(BoardState& state, const Request&, Replies&)
{
    state.scale.streaming = true;
    state.scale.sent = 0;
}

void StopStream(BoardState& state, const Request&, Replies&) { state.scale.streaming = false; }

void Prepare(BoardState&, const Request&, Replies&) {}

void PutWord(std::vector<uint8_t>* data, uint16_t value)
{
    data->push_back(static_cast<uint8_t>(value >> 8));
    data->push_back(static_cast<uint8_t>(value & 0xFF));
}

bool NextReading(BoardState& state, std::vector<uint8_t>* data, long* nextGapUs)
{
    ScaleState& scale = state.scale;
    if (!scale.streaming || scale.readings.empty()) return false;
    if (scale.count >= 0 && scale.sent >= scale.count) return false;
    const ScaleReading& reading =
        scale.readings[static_cast<size_t>(scale.sent) % scale.readings.size()];
    ++scale.sent;
    data->assign({'s', '7', reading.flags});
    PutWord(data, reading.average);
    PutWord(data, reading.filter1);
    PutWord(data, reading.adc);
    PutWord(data, reading.noise);
    *nextGapUs = scale.ratePerSecond == 0 ? 0 : 1000000 / scale.ratePerSecond;
    return true;
}

void UtilityGone(BoardState& state) { state.scale.streaming = false; }

}  // namespace

void AddScaleHandlers(HandlerTable& table)
{
    table.moduleRequests["SG"] = Configuration;
    table.moduleRequests["S5"] = Prepare;
    table.moduleRequests["S7"] = StartStream;
    table.moduleRequests["S8"] = StopStream;
    StreamSource readings;
    readings.port = 6;
    readings.next = NextReading;
    readings.stop = UtilityGone;
    table.streams.push_back(readings);
    table.scenarioKeys["scale."] = ScenarioKey;
}

}  // namespace emulator
