// A scenario: what a board is and how it misbehaves, as key=value lines in
// a text file or as command-line settings. Lines are kept as given and
// checked when a board is set up from them, so that one scenario can serve
// both kinds of board ("su.model=700" applies to the SU only).
#ifndef EMULATOR_SCENARIO_H
#define EMULATOR_SCENARIO_H

#include "emulator/BoardState.h"
#include "emulator/Faults.h"
#include "emulator/Personality.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace emulator {

struct ScenarioEntry {
    std::string only;  // "su", "cu" or "" for both
    std::string key;
    std::string value;   // escapes already decoded
    std::string origin;  // "scenario.txt:4" or "--set", for messages
};

struct Scenario {
    std::vector<ScenarioEntry> entries;
};

// Adds one "key=value" line; blank lines and lines starting with '#' or ';'
// are skipped. False (with the reason) for a line without '='.
bool AddScenarioLine(Scenario* scenario, const std::string& line, const std::string& origin,
                     std::string* error);
// Adds every line of a file.
bool LoadScenarioFile(Scenario* scenario, const std::string& path, std::string* error);
// Decodes \\, \" and \xHH in a value.
bool DecodeScenarioText(const std::string& text, std::string* decoded, std::string* error);

// The value of a plain key that applies to any board ("board", "log"), the
// last one given; empty when missing.
std::string ScenarioValue(const Scenario& scenario, const std::string& key);

// Everything a board starts with.
struct BoardSetup {
    const Personality* personality = nullptr;
    BoardState state;
    std::map<unsigned, OpenFault> openFaults;  // by open number, from 1
    std::vector<FaultRule> faultRules;
    std::map<std::string, std::vector<uint8_t>> cannedReplies;  // by request key
    std::string logPath;
};

// The board of the personality with the scenario applied; false (with the
// first offending line) for an unknown key or a bad value.
bool BuildBoardSetup(const Scenario& scenario, const Personality& personality, BoardSetup* setup,
                     std::string* error);

}  // namespace emulator

#endif
