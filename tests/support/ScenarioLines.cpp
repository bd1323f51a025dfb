#include "support/ScenarioLines.h"

#include "emulator/Personality.h"

#include <gtest/gtest.h>

namespace testboard {

bool ScenarioLines::Set(const std::string& line)
{
    std::string error;
    if (emulator::AddScenarioLine(&scenario_, line, "test", &error)) return true;
    ADD_FAILURE() << error;
    return false;
}

bool ScenarioLines::Build(const std::string& kind, emulator::BoardSetup* setup)
{
    const emulator::Personality* personality = emulator::FindPersonality(kind);
    std::string error = "no board of the kind " + kind;
    const bool built = personality != nullptr &&
                       emulator::BuildBoardSetup(scenario_, *personality, setup, &error);
    scenario_ = emulator::Scenario();
    if (!built) ADD_FAILURE() << error;
    return built;
}

}  // namespace testboard
