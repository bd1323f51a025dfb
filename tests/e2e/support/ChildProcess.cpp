#include "ChildProcess.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace e2e {

namespace {

// A child may die before it reads everything we typed.
const bool sigpipeIgnored = [] {
    std::signal(SIGPIPE, SIG_IGN);
    return true;
}();

std::vector<std::string> MergedEnvironment(const ChildOptions& options)
{
    std::vector<std::string> merged;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        std::string text = *entry;
        bool replaced = false;
        for (const auto& [name, value] : options.environment)
            if (text.compare(0, name.size() + 1, name + "=") == 0) replaced = true;
        if (!replaced) merged.push_back(text);
    }
    for (const auto& [name, value] : options.environment) merged.push_back(name + "=" + value);
    return merged;
}

std::vector<char*> Pointers(std::vector<std::string>& texts)
{
    std::vector<char*> pointers;
    for (std::string& text : texts) pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

// In the child between fork and exec: only async-signal-safe calls.
[[noreturn]] void RunChild(const ChildOptions& options, int input[2], int output[2], int errors[2],
                           char** argv, char** envp)
{
    dup2(input[0], STDIN_FILENO);
    dup2(output[1], STDOUT_FILENO);
    dup2(errors[1], STDERR_FILENO);
    for (int fd : {input[0], input[1], output[0], output[1], errors[0], errors[1]}) close(fd);
    if (!options.workDir.empty() && chdir(options.workDir.c_str()) != 0) _exit(126);
    if (options.removeWorkDir && rmdir(options.workDir.c_str()) != 0) _exit(126);
    execve(options.program.c_str(), argv, envp);
    _exit(127);
}

}  // namespace

ChildProcess::~ChildProcess()
{
    if (pid_ > 0) Wait(0);
    CloseInput();
}

bool ChildProcess::Start(const ChildOptions& options)
{
    (void)sigpipeIgnored;
    std::vector<std::string> arguments = options.arguments;
    arguments.insert(arguments.begin(), options.program);
    std::vector<char*> argv = Pointers(arguments);
    std::vector<std::string> environment = MergedEnvironment(options);
    std::vector<char*> envp = Pointers(environment);

    int input[2], output[2], errors[2];
    if (pipe2(input, O_CLOEXEC) != 0 || pipe2(output, O_CLOEXEC) != 0 ||
        pipe2(errors, O_CLOEXEC) != 0) {
        error_ = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    pid_ = fork();
    if (pid_ == 0) RunChild(options, input, output, errors, argv.data(), envp.data());
    close(input[0]);
    close(output[1]);
    close(errors[1]);
    if (pid_ < 0) {
        error_ = std::string("fork: ") + std::strerror(errno);
        close(input[1]);
        close(output[0]);
        close(errors[0]);
        return false;
    }
    input_ = input[1];
    outputReader_ = std::thread(&ChildProcess::Collect, this, output[0], &output_);
    errorReader_ = std::thread(&ChildProcess::Collect, this, errors[0], &errors_);
    return true;
}

void ChildProcess::Collect(int fd, std::string* into)
{
    char buffer[4096];
    for (;;) {
        ssize_t count = read(fd, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) break;
        std::lock_guard<std::mutex> lock(mutex_);
        into->append(buffer, static_cast<size_t>(count));
        changed_.notify_all();
    }
    close(fd);
    std::lock_guard<std::mutex> lock(mutex_);
    if (into == &output_) outputEnded_ = true;
    changed_.notify_all();
}

void ChildProcess::Write(const std::string& bytes)
{
    size_t done = 0;
    while (input_ >= 0 && done < bytes.size()) {
        ssize_t count = write(input_, bytes.data() + done, bytes.size() - done);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) break;
        done += static_cast<size_t>(count);
    }
}

void ChildProcess::CloseInput()
{
    if (input_ >= 0) close(input_);
    input_ = -1;
}

std::string ChildProcess::Output() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return output_;
}

std::string ChildProcess::Errors() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return errors_;
}

size_t ChildProcess::FindOutput(const std::string& text, size_t from) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return from > output_.size() ? std::string::npos : output_.find(text, from);
}

bool ChildProcess::WaitForOutput(const std::string& text, unsigned timeoutMs, size_t from) const
{
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
        return outputEnded_ || (from <= output_.size() && output_.find(text, from) != std::string::npos);
    }) && from <= output_.size() && output_.find(text, from) != std::string::npos;
}

int ChildProcess::Wait(unsigned timeoutMs)
{
    if (pid_ <= 0) return exitStatus_;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    int status = 0;
    pid_t done = 0;
    while ((done = waitpid(pid_, &status, WNOHANG)) == 0 &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (done == 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, &status, 0);
        Reap(status);
        exitStatus_ = -1;
        return -1;
    }
    Reap(status);
    return exitStatus_;
}

void ChildProcess::Reap(int status)
{
    pid_ = -1;
    CloseInput();
    if (WIFEXITED(status)) exitStatus_ = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) exitStatus_ = 128 + WTERMSIG(status);
    if (outputReader_.joinable()) outputReader_.join();
    if (errorReader_.joinable()) errorReader_.join();
}

}  // namespace e2e
