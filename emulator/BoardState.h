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

struct BoardState {
    Identity identity;
    PortState ports[BOARD_PORT_COUNT];
    // Named settings of the command families, as text (numbers in decimal).
    std::map<std::string, std::string> settings;
};

// A setting as a number, or fallback when it is missing or not a number.
long SettingNumber(const BoardState& state, const std::string& name, long fallback);
void SetSettingNumber(BoardState& state, const std::string& name, long value);

}  // namespace emulator

#endif
