// What a board remembers: its identity, its ports and its settings. Each
// board keeps its own; handlers read and change it.
#ifndef EMULATOR_BOARDSTATE_H
#define EMULATOR_BOARDSTATE_H

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace emulator {

// As the board reports it; each text is sent as it stands.
struct Identity {
    std::string version;         // 12 characters: VVvvMMDDYYYY
    std::string checksumStatus;  // one character, "0" passed
    std::string checksum;        // 6 characters
    std::string model;           // 3 characters
    std::string serial;          // up to 34 characters
};

struct PortState {
    bool initialised = false;
    bool open = false;
    std::vector<uint8_t> settings;  // the bytes of the last initialise
};

const int BOARD_PORT_COUNT = 7;  // ports 0 to 6

// One reading of the scale stream, in raw scale units.
struct ScaleReading {
    uint8_t flags = 0;  // bit 0 unstable, bit 1 negative
    uint16_t average = 0;
    uint16_t filter1 = 0;
    uint16_t adc = 0;
    uint16_t noise = 0;
};

// The bagging scale (handlers/ScaleHandlers.cpp): its configuration text and
// the readings it streams between "S7" and "S8", in order and then again
// from the first.
struct ScaleState {
    std::string config = "21.5,12";
    long ratePerSecond = 85;  // 0: as fast as the utility takes them
    std::vector<ScaleReading> readings = {{0, 4300, 4302, 4310, 3},
                                          {0, 4301, 4301, 4296, 4},
                                          {1, 4420, 4380, 4512, 40},
                                          {0, 4300, 4303, 4305, 2}};
    long count = -1;           // readings in one stream; -1: no end
    bool readingsSet = false;  // the scenario has replaced the readings above
    bool streaming = false;
    long sent = 0;  // readings sent in this stream
};

// The reserved name is the compiler's own, in the copy it makes of ports[].
// NOLINTNEXTLINE(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp)
struct BoardState {
    Identity identity;
    PortState ports[BOARD_PORT_COUNT];
    // Named settings of the command families, as text (numbers in decimal).
    std::map<std::string, std::string> settings;
    ScaleState scale;
    // The firmware image of the last upload, as far as it came.
    std::vector<uint8_t> uploadImage;
};

// A setting as a number, or fallback when it is missing or not a number.
long SettingNumber(const BoardState& state, const std::string& name, long fallback);
void SetSettingNumber(BoardState& state, const std::string& name, long value);

}  // namespace emulator

#endif
