#include "emulator/Runner.h"

#include "emulator/Board.h"
#include "emulator/SystemError.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace emulator {

namespace {

namespace fs = std::filesystem;

// The lane's registry value, so that the program reads the same as on a
// lane with the USB board.
const char REGISTRY_TEXT[] =
    "[SOFTWARE\\Morvane\\Orvik750\\Lane]\nSecurityModuleType=USB_SCANNING_MODULE\n";

bool MakeTemporaryFolder(std::string* folder, std::string* error)
{
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base != nullptr && *base != '\0' ? base : "/tmp") +
                          "/board-emulator-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (mkdtemp(name.data()) == nullptr) {
        *error = "cannot create a temporary folder: " + SystemErrorText(errno);
        return false;
    }
    *folder = name.data();
    std::error_code failure;
    fs::create_directory(*folder + "/dev", failure);
    if (!failure) fs::create_directory(*folder + "/drive_c", failure);
    if (failure) {
        *error = "cannot set up " + *folder + ": " + failure.message();
        return false;
    }
    std::ofstream registry(*folder + "/registry.ini");
    registry << REGISTRY_TEXT;
    return true;
}

// The environment of this process with the board's variables in place.
std::vector<std::string> ChildEnvironment(const std::string& folder)
{
    const char* const replaced[] = {"SECMODULE_DEVICE_DIR=", "SECMODULE_ROOT=", "SECMODULE_REGISTRY="};
    std::vector<std::string> environment;
    for (char** variable = environ; *variable != nullptr; ++variable) {
        bool keep = true;
        for (const char* prefix : replaced)
            if (std::strncmp(*variable, prefix, std::strlen(prefix)) == 0) keep = false;
        if (keep) environment.push_back(*variable);
    }
    environment.push_back("SECMODULE_DEVICE_DIR=" + folder + "/dev");
    environment.push_back("SECMODULE_ROOT=" + folder + "/drive_c");
    environment.push_back("SECMODULE_REGISTRY=" + folder + "/registry.ini");
    return environment;
}

std::vector<char*> Pointers(std::vector<std::string>& texts)
{
    std::vector<char*> pointers;
    pointers.reserve(texts.size() + 1);
    for (std::string& text : texts) pointers.push_back(&text[0]);
    pointers.push_back(nullptr);
    return pointers;
}

// Starts the program with the default handling of every signal that the
// runner itself may ignore or catch.
int Spawn(const RunRequest& request, const std::string& folder, pid_t* child)
{
    std::vector<std::string> arguments = request.command;
    std::vector<std::string> environment = ChildEnvironment(folder);
    std::vector<char*> argv = Pointers(arguments);
    std::vector<char*> envp = Pointers(environment);

    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    const int signals[] = {SIGINT, SIGQUIT, SIGTERM, SIGHUP, SIGPIPE};
    for (int signalNumber : signals) sigaddset(&defaults, signalNumber);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    int result = posix_spawnp(child, argv[0], nullptr, &attributes, argv.data(), envp.data());
    posix_spawnattr_destroy(&attributes);
    return result;
}

int WaitForExit(pid_t child)
{
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) return RUNNER_FAILED;
    }
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return RUNNER_FAILED;
}

}  // namespace

int RunWithBoard(const RunRequest& request, std::string* error, std::string* folderOut)
{
    if (request.command.empty()) {
        *error = "no program to run";
        return RUNNER_FAILED;
    }
    std::string folder;
    if (!MakeTemporaryFolder(&folder, error)) return RUNNER_FAILED;
    if (folderOut != nullptr) *folderOut = folder;

    int status = RUNNER_FAILED;
    {
        Board board;
        board.Log().EchoTo(request.verbose);
        if (board.Start(request.setup, folder + "/dev", error)) {
            pid_t child = 0;
            int spawnError = Spawn(request, folder, &child);
            if (spawnError == 0) {
                if (request.started) request.started(child);
                status = WaitForExit(child);
            } else {
                *error = "cannot run " + request.command[0] + ": " + SystemErrorText(spawnError);
                status = spawnError == ENOENT ? RUNNER_NOT_FOUND : RUNNER_CANNOT_EXECUTE;
            }
        }
    }
    if (!request.keepFolder) {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }
    return status;
}

}  // namespace emulator
