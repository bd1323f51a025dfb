// The scenario of a test board, line by line: what the socket board and the
// in-memory one both start from.
#ifndef TESTS_SUPPORT_SCENARIOLINES_H
#define TESTS_SUPPORT_SCENARIOLINES_H

#include "emulator/Scenario.h"

#include <string>

namespace testboard {

class ScenarioLines {
public:
    // One scenario line ("version=043912152010", "fault.Z2=no-reply");
    // a bad line fails the test.
    bool Set(const std::string& line);
    // The setup of a board of the kind ("su", "cu") with the lines set so
    // far, which are used up; fails the test when it cannot be built.
    bool Build(const std::string& kind, emulator::BoardSetup* setup);

private:
    emulator::Scenario scenario_;
};

}  // namespace testboard

#endif
