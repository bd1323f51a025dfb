#include "support/posix/ChildProcess.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace child {

namespace {

const char* const childMarker = "UTILITY_TEST_CHILD";

std::string CurrentTestFilter()
{
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    return std::string("--gtest_filter=") + test->test_suite_name() + "." + test->name();
}

// Everything exec needs is built before the fork: the child of a process
// with threads may only make async-signal-safe calls.
struct ExecArguments {
    std::string program = "/proc/self/exe";
    std::string filter = CurrentTestFilter();
    std::string marker = std::string(childMarker) + "=1";
    std::vector<std::string> environment;
    std::vector<char*> argv;
    std::vector<char*> envp;

    ExecArguments()
    {
        for (char** entry = environ; *entry != nullptr; ++entry)
            if (std::strncmp(*entry, childMarker, std::strlen(childMarker)) != 0)
                environment.push_back(*entry);
        environment.push_back(marker);
        argv = {&program[0], &filter[0], nullptr};
        for (std::string& entry : environment) envp.push_back(&entry[0]);
        envp.push_back(nullptr);
    }
};

[[noreturn]] void Exec(ExecArguments& arguments)
{
    execve(arguments.argv[0], arguments.argv.data(), arguments.envp.data());
    _exit(127);
}

long long NowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// One read with a wait; false at the end of the output or when the time is up.
bool ReadSome(int fd, std::string& collected, long long deadline)
{
    long long left = deadline - NowMs();
    if (left <= 0) return false;
    struct pollfd ready = {fd, POLLIN, 0};
    int count = poll(&ready, 1, static_cast<int>(left));
    if (count < 0 && errno == EINTR) return true;
    if (count <= 0) return false;
    char buffer[4096];
    ssize_t got = read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) return true;
    if (got <= 0) return false;
    collected.append(buffer, static_cast<size_t>(got));
    return true;
}

}  // namespace

bool IsChild()
{
    const char* value = std::getenv(childMarker);
    return value != nullptr && std::strcmp(value, "1") == 0;
}

Process StartWithPipes()
{
    ExecArguments arguments;
    int toChild[2];
    int fromChild[2];
    Process process;
    if (pipe2(toChild, O_CLOEXEC) != 0) return process;
    if (pipe2(fromChild, O_CLOEXEC) != 0) {
        close(toChild[0]);
        close(toChild[1]);
        return process;
    }
    process.pid = fork();
    if (process.pid == 0) {
        dup2(toChild[0], STDIN_FILENO);
        dup2(fromChild[1], STDOUT_FILENO);
        Exec(arguments);
    }
    close(toChild[0]);
    close(fromChild[1]);
    process.input = toChild[1];
    process.output = fromChild[0];
    return process;
}

Process StartOnTerminal(bool ignoreInterrupt)
{
    ExecArguments arguments;
    Process process;
    int parentSide = -1;
    int childSide = -1;
    if (openpty(&parentSide, &childSide, nullptr, nullptr, nullptr) != 0) return process;
    fcntl(parentSide, F_SETFD, FD_CLOEXEC);
    fcntl(childSide, F_SETFD, FD_CLOEXEC);
    process.pid = fork();
    if (process.pid == 0) {
        setsid();
        ioctl(childSide, TIOCSCTTY, 0);
        dup2(childSide, STDIN_FILENO);
        dup2(childSide, STDOUT_FILENO);
        dup2(childSide, STDERR_FILENO);
        // A test run in the background inherits SIGINT and SIGQUIT ignored.
        const int sessionSignals[] = {SIGINT, SIGQUIT, SIGTERM, SIGHUP};
        for (int signalNumber : sessionSignals) signal(signalNumber, SIG_DFL);
        if (ignoreInterrupt) signal(SIGINT, SIG_IGN);
        Exec(arguments);
    }
    process.input = parentSide;
    process.output = parentSide;
    process.terminal = childSide;
    return process;
}

bool ReadUntil(int fd, std::string& collected, const std::string& text, unsigned timeoutMs)
{
    const long long deadline = NowMs() + timeoutMs;
    while (collected.find(text) == std::string::npos)
        if (!ReadSome(fd, collected, deadline)) return false;
    return true;
}

void ReadToEnd(int fd, std::string& collected, unsigned timeoutMs)
{
    const long long deadline = NowMs() + timeoutMs;
    while (ReadSome(fd, collected, deadline)) {
    }
}

bool TryWait(Process& process, unsigned timeoutMs)
{
    const long long deadline = NowMs() + timeoutMs;
    while (!process.ended) {
        int status = 0;
        pid_t done = waitpid(process.pid, &status, WNOHANG);
        if (done == process.pid) {
            process.ended = true;
            process.status = status;
        } else if (done < 0 || NowMs() > deadline) {
            return false;
        } else {
            usleep(5000);
        }
    }
    return true;
}

int Wait(Process& process, unsigned timeoutMs)
{
    if (TryWait(process, timeoutMs)) return process.status;
    kill(process.pid, SIGKILL);
    waitpid(process.pid, nullptr, 0);
    process.ended = true;
    return -1;
}

void Close(Process& process)
{
    if (process.pid > 0 && !process.ended) Wait(process, 0);
    if (process.input >= 0) close(process.input);
    if (process.output >= 0 && process.output != process.input) close(process.output);
    if (process.terminal >= 0) close(process.terminal);
    process.input = process.output = process.terminal = -1;
}

}  // namespace child
