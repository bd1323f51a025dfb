#include "emulator/BoardState.h"

#include <cerrno>
#include <cstdlib>

namespace emulator {

long SettingNumber(const BoardState& state, const std::string& name, long fallback)
{
    auto found = state.settings.find(name);
    if (found == state.settings.end() || found->second.empty()) return fallback;
    char* end = nullptr;
    errno = 0;
    long value = std::strtol(found->second.c_str(), &end, 0);
    if (errno != 0 || *end != '\0') return fallback;
    return value;
}

void SetSettingNumber(BoardState& state, const std::string& name, long value)
{
    state.settings[name] = std::to_string(value);
}

}  // namespace emulator
