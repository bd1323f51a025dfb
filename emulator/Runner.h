// Runs one program against a fresh board: a temporary folder holds the
// device folder, the drive root and the registry file; the program gets
// them through its environment and the terminal as it is.
#ifndef EMULATOR_RUNNER_H
#define EMULATOR_RUNNER_H

#include "emulator/Scenario.h"

#include <cstdio>
#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace emulator {

// Exit statuses of the runner itself (as env and timeout use them).
enum { RUNNER_FAILED = 125, RUNNER_CANNOT_EXECUTE = 126, RUNNER_NOT_FOUND = 127 };

struct RunRequest {
    BoardSetup setup;
    std::vector<std::string> command;    // program and its arguments
    bool keepFolder = false;             // leave the temporary folder behind
    FILE* verbose = nullptr;             // echo of the packet log, or nullptr
    std::function<void(pid_t)> started;  // told the program's process id
};

// The program's exit status (128 + the signal when a signal ended it), or
// one of the runner's own statuses with the reason in *error.
int RunWithBoard(const RunRequest& request, std::string* error, std::string* folder = nullptr);

}  // namespace emulator

#endif
