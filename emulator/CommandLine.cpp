#include "emulator/CommandLine.h"

#include "emulator/Personality.h"

namespace emulator {

const char* const USAGE_TEXT =
    "Usage:\n"
    "  board-emulator --board su|cu [options] -- PROGRAM [ARGUMENTS...]\n"
    "      runs PROGRAM against a fresh board in a temporary folder and exits\n"
    "      with its status\n"
    "  board-emulator --board su|cu [options] [--device-dir DIR]\n"
    "      serves a board on DIR (default $SECMODULE_DEVICE_DIR, else /tmp)\n"
    "      until interrupted\n"
    "Options:\n"
    "  --scenario FILE   scenario lines (key=value) from FILE\n"
    "  --set KEY=VALUE   one more scenario line (may be repeated)\n"
    "  --log FILE        write the packet log to FILE\n"
    "  --keep            keep the temporary folder and print where it is\n"
    "  --verbose         print every packet log line on standard error\n"
    "  --help            show this text\n"
    "  --version         show the version and the commit it was built from\n";

namespace {

bool TakeValue(int argc, const char* const* argv, int* index, std::string* value, std::string* error)
{
    if (*index + 1 >= argc) {
        *error = std::string(argv[*index]) + " needs a value";
        return false;
    }
    *value = argv[++*index];
    return true;
}

}  // namespace

bool ParseCommandLine(int argc, const char* const* argv, CommandLine* line, std::string* error)
{
    *line = CommandLine();
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        std::string value;
        if (option == "--") {
            for (++i; i < argc; ++i) line->command.push_back(argv[i]);
            if (line->command.empty()) {
                *error = "no program after --";
                return false;
            }
            return true;
        }
        if (option == "--help" || option == "-h") {
            line->help = true;
        } else if (option == "--version") {
            line->version = true;
        } else if (option == "--keep") {
            line->keepFolder = true;
        } else if (option == "--verbose") {
            line->verbose = true;
        } else if (option == "--board") {
            if (!TakeValue(argc, argv, &i, &line->board, error)) return false;
        } else if (option == "--scenario") {
            if (!TakeValue(argc, argv, &i, &line->scenarioFile, error)) return false;
        } else if (option == "--set") {
            if (!TakeValue(argc, argv, &i, &value, error)) return false;
            line->settings.push_back(value);
        } else if (option == "--log") {
            if (!TakeValue(argc, argv, &i, &line->logPath, error)) return false;
        } else if (option == "--device-dir") {
            if (!TakeValue(argc, argv, &i, &line->deviceDir, error)) return false;
        } else {
            *error = "unknown option " + option;
            return false;
        }
    }
    return true;
}

bool SetupFromCommandLine(const CommandLine& line, BoardSetup* setup, std::string* error)
{
    Scenario scenario;
    if (!line.scenarioFile.empty() && !LoadScenarioFile(&scenario, line.scenarioFile, error))
        return false;
    for (const std::string& setting : line.settings)
        if (!AddScenarioLine(&scenario, setting, "--set " + setting, error)) return false;
    std::string board = line.board.empty() ? ScenarioValue(scenario, "board") : line.board;
    if (board.empty()) {
        *error = "which board? give --board su or --board cu (or board= in the scenario)";
        return false;
    }
    const Personality* personality = FindPersonality(board);
    if (personality == nullptr) {
        *error = "unknown board '" + board + "': su or cu";
        return false;
    }
    if (!BuildBoardSetup(scenario, *personality, setup, error)) return false;
    if (!line.logPath.empty()) setup->logPath = line.logPath;
    return true;
}

}  // namespace emulator
