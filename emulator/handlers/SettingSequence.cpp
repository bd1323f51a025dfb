#include "emulator/handlers/SettingSequence.h"

#include <cerrno>
#include <cstdlib>

namespace emulator {

namespace {

std::string PositionName(const std::string& name) { return name + "#next"; }

// The item at the position, or the last one.
std::string ItemAt(const std::string& list, long position, char separator)
{
    size_t start = 0;
    for (long i = 0; i < position; ++i) {
        const size_t next = list.find(separator, start);
        if (next == std::string::npos) break;
        start = next + 1;
    }
    const size_t end = list.find(separator, start);
    return list.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

}  // namespace

std::string NextSettingText(BoardState& state, const std::string& name, const std::string& fallback,
                            char separator)
{
    auto found = state.settings.find(name);
    if (found == state.settings.end()) return fallback;
    const std::string list = found->second;
    const long position = SettingNumber(state, PositionName(name), 0);
    SetSettingNumber(state, PositionName(name), position + 1);
    return ItemAt(list, position, separator);
}

long NextSettingNumber(BoardState& state, const std::string& name, long fallback)
{
    const std::string item = NextSettingText(state, name, "");
    if (item.empty()) return fallback;
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(item.c_str(), &end, 0);
    if (errno != 0 || *end != '\0') return fallback;
    return value;
}

}  // namespace emulator
