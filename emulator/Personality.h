// The two kinds of board: the SU (security unit) and the CU (conveyor unit).
// They differ in their device name, their factory identity and the requests
// they answer.
#ifndef EMULATOR_PERSONALITY_H
#define EMULATOR_PERSONALITY_H

#include "emulator/BoardState.h"
#include "emulator/RequestHandlers.h"

#include <map>
#include <string>

namespace emulator {

struct Personality {
    const char* name;                             // "su" or "cu"
    const char* deviceName;                       // the socket's name in the device folder
    Identity identity;                            // before the scenario changes it
    std::map<std::string, std::string> settings;  // factory settings
    HandlerTable handlers;
};

// nullptr for an unknown name. The personalities live for the whole process.
const Personality* FindPersonality(const std::string& name);

}  // namespace emulator

#endif
