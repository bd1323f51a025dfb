// The options of the board-emulator program.
#ifndef EMULATOR_COMMANDLINE_H
#define EMULATOR_COMMANDLINE_H

#include "emulator/Scenario.h"

#include <string>
#include <vector>

namespace emulator {

struct CommandLine {
    std::string board;  // "su", "cu" or "" (the scenario's)
    std::string scenarioFile;
    std::vector<std::string> settings;  // --set lines, in order
    std::string logPath;
    std::string deviceDir;
    bool keepFolder = false;
    bool verbose = false;
    bool help = false;
    bool version = false;
    std::vector<std::string> command;  // after "--": run this against the board
};

extern const char* const USAGE_TEXT;

bool ParseCommandLine(int argc, const char* const* argv, CommandLine* line, std::string* error);

// The board's setup from the scenario file, the --set lines, --board and
// --log, in that order of precedence (later wins).
bool SetupFromCommandLine(const CommandLine& line, BoardSetup* setup, std::string* error);

}  // namespace emulator

#endif
