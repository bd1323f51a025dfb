#include "emulator/Scenario.h"

#include <cerrno>
#include <cstdlib>
#include <fstream>

namespace emulator {

namespace {

std::string Trim(const std::string& text)
{
    size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return std::string();
    size_t last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

bool StartsWith(const std::string& text, const std::string& prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The identity fields a scenario may set.
std::string* IdentityField(Identity& identity, const std::string& key)
{
    if (key == "version") return &identity.version;
    if (key == "checksum-status") return &identity.checksumStatus;
    if (key == "checksum") return &identity.checksum;
    if (key == "model") return &identity.model;
    if (key == "serial") return &identity.serial;
    return nullptr;
}

bool ParseOpenNumber(const std::string& text, unsigned* number)
{
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return false;
    errno = 0;
    unsigned long value = std::strtoul(text.c_str(), nullptr, 10);
    if (errno != 0 || value == 0 || value > 1000000) return false;
    *number = static_cast<unsigned>(value);
    return true;
}

// Applies one entry that concerns this board; false with a reason.
bool ApplyEntry(const ScenarioEntry& entry, BoardSetup* setup, std::string* reason)
{
    const std::string& key = entry.key;
    if (key == "board") return true;  // chosen before the board is built
    if (key == "log") {
        setup->logPath = entry.value;
        return true;
    }
    if (std::string* field = IdentityField(setup->state.identity, key)) {
        if (entry.value.size() > WIRE_MAX_DATA - 2) {
            *reason = "longer than one reply can carry (58 bytes)";
            return false;
        }
        *field = entry.value;
        return true;
    }
    if (StartsWith(key, "setting.") && key.size() > 8) {
        setup->state.settings[key.substr(8)] = entry.value;
        return true;
    }
    if (StartsWith(key, "open.")) {
        unsigned number = 0;
        if (!ParseOpenNumber(key.substr(5), &number)) {
            *reason = "the open number must be a whole number from 1";
            return false;
        }
        return ParseOpenFault(entry.value, &setup->openFaults[number], reason);
    }
    if (StartsWith(key, "fault.")) {
        FaultRule rule;
        if (!ParseFaultRule(key.substr(6), entry.value, &rule, reason)) return false;
        setup->faultRules.push_back(rule);
        return true;
    }
    if (StartsWith(key, "reply.") && key.size() == 8) {
        if (entry.value.size() > WIRE_MAX_DATA) {
            *reason = "longer than one packet can carry (60 bytes)";
            return false;
        }
        setup->cannedReplies[key.substr(6)] =
            std::vector<uint8_t>(entry.value.begin(), entry.value.end());
        return true;
    }
    const size_t dot = key.find('.');
    if (dot != std::string::npos) {
        const auto& families = setup->personality->handlers.scenarioKeys;
        auto family = families.find(key.substr(0, dot + 1));
        if (family != families.end()) return family->second(setup->state, key, entry.value, reason);
    }
    *reason = "unknown key";
    return false;
}

}  // namespace

bool DecodeScenarioText(const std::string& text, std::string* decoded, std::string* error)
{
    decoded->clear();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            decoded->push_back(text[i]);
            continue;
        }
        if (i + 1 < text.size() && (text[i + 1] == '\\' || text[i + 1] == '"')) {
            decoded->push_back(text[++i]);
            continue;
        }
        if (i + 3 < text.size() && text[i + 1] == 'x' && HexDigit(text[i + 2]) >= 0 &&
            HexDigit(text[i + 3]) >= 0) {
            decoded->push_back(static_cast<char>(HexDigit(text[i + 2]) * 16 + HexDigit(text[i + 3])));
            i += 3;
            continue;
        }
        *error = "a backslash starts \\\\, \\\" or \\xHH";
        return false;
    }
    return true;
}

bool AddScenarioLine(Scenario* scenario, const std::string& line, const std::string& origin,
                     std::string* error)
{
    std::string text = Trim(line);
    if (text.empty() || text[0] == '#' || text[0] == ';') return true;
    size_t equals = text.find('=');
    if (equals == std::string::npos || equals == 0) {
        *error = origin + ": expected key=value, got '" + text + "'";
        return false;
    }
    ScenarioEntry entry;
    entry.origin = origin;
    entry.key = Trim(text.substr(0, equals));
    std::string value = Trim(text.substr(equals + 1));
    // Quotes keep blanks at either end of a value.
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        value = value.substr(1, value.size() - 2);
    std::string reason;
    if (!DecodeScenarioText(value, &entry.value, &reason)) {
        *error = origin + ": " + reason;
        return false;
    }
    if (StartsWith(entry.key, "su.") || StartsWith(entry.key, "cu.")) {
        entry.only = entry.key.substr(0, 2);
        entry.key = entry.key.substr(3);
    }
    scenario->entries.push_back(entry);
    return true;
}

bool LoadScenarioFile(Scenario* scenario, const std::string& path, std::string* error)
{
    std::ifstream file(path);
    if (!file) {
        *error = "cannot read the scenario file '" + path + "'";
        return false;
    }
    std::string line;
    unsigned number = 0;
    while (std::getline(file, line)) {
        ++number;
        if (!AddScenarioLine(scenario, line, path + ":" + std::to_string(number), error)) return false;
    }
    return true;
}

std::string ScenarioValue(const Scenario& scenario, const std::string& key)
{
    std::string value;
    for (const ScenarioEntry& entry : scenario.entries)
        if (entry.only.empty() && entry.key == key) value = entry.value;
    return value;
}

bool BuildBoardSetup(const Scenario& scenario, const Personality& personality, BoardSetup* setup,
                     std::string* error)
{
    *setup = BoardSetup();
    setup->personality = &personality;
    setup->state.identity = personality.identity;
    setup->state.settings = personality.settings;
    for (const ScenarioEntry& entry : scenario.entries) {
        if (!entry.only.empty() && entry.only != personality.name) continue;
        std::string reason;
        if (!ApplyEntry(entry, setup, &reason)) {
            *error = entry.origin + ": " + (entry.only.empty() ? "" : entry.only + ".") + entry.key +
                     ": " + reason;
            return false;
        }
    }
    return true;
}

}  // namespace emulator
