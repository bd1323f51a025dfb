// board-emulator: a board on a Unix socket for the utilities to talk to,
// either for one program run or until interrupted.
#include "emulator/Board.h"
#include "emulator/CommandLine.h"
#include "emulator/Runner.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <pthread.h>

namespace {

std::atomic<pid_t> childProcess{0};
std::atomic<int> pendingSignal{0};

// A stop request meant for the program the board runs for.
void ForwardSignal(int signalNumber)
{
    pid_t child = childProcess.load();
    if (child > 0)
        kill(child, signalNumber);
    else
        pendingSignal.store(signalNumber);
}

void ChildStarted(pid_t child)
{
    childProcess.store(child);
    int pending = pendingSignal.exchange(0);
    if (pending != 0) kill(child, pending);
}

int RunProgram(const emulator::CommandLine& line, const emulator::BoardSetup& setup)
{
    // The terminal's interrupt reaches the program by itself; the runner
    // outlives it so that it can clean up and report its status.
    (void)signal(SIGINT, SIG_IGN);
    (void)signal(SIGQUIT, SIG_IGN);
    struct sigaction forward = {};
    forward.sa_handler = ForwardSignal;
    sigemptyset(&forward.sa_mask);
    sigaction(SIGTERM, &forward, nullptr);
    sigaction(SIGHUP, &forward, nullptr);

    emulator::RunRequest request;
    request.setup = setup;
    request.command = line.command;
    request.keepFolder = line.keepFolder;
    request.verbose = line.verbose ? stderr : nullptr;
    request.started = ChildStarted;
    std::string error;
    std::string folder;
    int status = emulator::RunWithBoard(request, &error, &folder);
    if (!error.empty()) std::fprintf(stderr, "board-emulator: %s\n", error.c_str());
    if (line.keepFolder && !folder.empty())
        std::fprintf(stderr, "board-emulator: the run's folder is kept in %s\n", folder.c_str());
    return status;
}

int Serve(const emulator::CommandLine& line, const emulator::BoardSetup& setup)
{
    std::string folder = line.deviceDir;
    if (folder.empty()) {
        const char* variable = std::getenv("SECMODULE_DEVICE_DIR");
        folder = variable != nullptr && *variable != '\0' ? variable : "/tmp";
    }
    // The board's thread inherits the mask, so the stop signals come to
    // sigwait below.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    emulator::Board board;
    board.Log().EchoTo(line.verbose ? stderr : nullptr);
    std::string error;
    if (!board.Start(setup, folder, &error)) {
        std::fprintf(stderr, "board-emulator: %s\n", error.c_str());
        return emulator::RUNNER_FAILED;
    }
    std::fprintf(stderr, "board-emulator: %s board serving on %s (interrupt to stop)\n",
                 setup.personality->name, board.SocketPath().c_str());
    int received = 0;
    sigwait(&stopSignals, &received);
    board.Stop();
    std::fprintf(stderr, "board-emulator: stopped\n");
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    emulator::CommandLine line;
    std::string error;
    if (!emulator::ParseCommandLine(argc, argv, &line, &error)) {
        std::fprintf(stderr, "board-emulator: %s\n%s", error.c_str(), emulator::USAGE_TEXT);
        return emulator::RUNNER_FAILED;
    }
    if (line.help) {
        std::fputs(emulator::USAGE_TEXT, stdout);
        return 0;
    }
    if (line.version) {
        std::printf("board-emulator %s\n", BOARD_EMULATOR_IDENTITY);
        return 0;
    }
    emulator::BoardSetup setup;
    if (!emulator::SetupFromCommandLine(line, &setup, &error)) {
        std::fprintf(stderr, "board-emulator: %s\n", error.c_str());
        return emulator::RUNNER_FAILED;
    }
    return line.command.empty() ? Serve(line, setup) : RunProgram(line, setup);
}
