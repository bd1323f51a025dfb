#include "support/posix/ChildProcess.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace testproc {

namespace {

const char* const rerunMarker = "UTILITY_TEST_CHILD";

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

struct ChildEnds {
    int input[2] = {-1, -1};
    int output[2] = {-1, -1};
    int errors[2] = {-1, -1};
    int terminal = -1;  // the terminal's program side, when there is one
};

// In the child between fork and exec: only async-signal-safe calls. On a
// terminal the child leads a session of its own with the terminal as its
// controlling terminal, so that the terminal's Ctrl-C reaches it (and only it).
[[noreturn]] void RunChild(const ChildOptions& options, const ChildEnds& ends, char** argv, char** envp)
{
    if (ends.terminal >= 0) {
        if (setsid() < 0 || ioctl(ends.terminal, TIOCSCTTY, 0) != 0) _exit(125);
        dup2(ends.terminal, STDIN_FILENO);
        dup2(ends.terminal, STDOUT_FILENO);
        // A test run in the background inherits SIGINT and SIGQUIT ignored.
        for (int signalNumber : {SIGINT, SIGQUIT, SIGTERM, SIGHUP}) signal(signalNumber, SIG_DFL);
        if (options.ignoreInterrupt) signal(SIGINT, SIG_IGN);
    } else {
        dup2(ends.input[0], STDIN_FILENO);
        dup2(ends.output[1], STDOUT_FILENO);
    }
    dup2(ends.errors[1], STDERR_FILENO);
    for (int fd :
         {ends.input[0], ends.input[1], ends.output[0], ends.output[1], ends.errors[0], ends.errors[1]})
        if (fd >= 0) close(fd);
    if (!options.workDir.empty() && chdir(options.workDir.c_str()) != 0) _exit(126);
    if (options.removeWorkDir && rmdir(options.workDir.c_str()) != 0) _exit(126);
    execve(argv[0], argv, envp);
    _exit(127);
}

std::string SystemError(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

}  // namespace

// A terminal's line ends, like a Windows program's, are "\r\n" for each "\n"
// the program wrote. Wine's console on a terminal writes a Windows program's
// "\n" as "\r\r\n", hides the cursor around every character it draws and
// draws blanks as cursor moves: its control sequences are dropped, a move
// to the right is read as that many blanks.
void OutputDecoder::Put(char byte, std::string* into)
{
    if (inEscape_) {
        escape_.push_back(byte);
        const bool sequenceEnds = escape_.size() == 1 ? byte != '[' : (byte >= 0x40 && byte <= 0x7e);
        if (!sequenceEnds) return;
        if (byte == 'C') {
            End(into);
            into->append(static_cast<size_t>(std::max(1, std::atoi(escape_.c_str() + 1))), ' ');
        }
        inEscape_ = false;
        escape_.clear();
        return;
    }
    if (consoleEscapes_ && byte == '\x1b') {
        inEscape_ = true;
        return;
    }
    if (joinLineEnds_ && byte == '\r') {
        ++heldReturns_;
        return;
    }
    if (heldReturns_ > 0 && byte == '\n') heldReturns_ = consoleEscapes_ ? 0 : heldReturns_ - 1;
    End(into);
    into->push_back(byte);
}

void OutputDecoder::End(std::string* into)
{
    into->append(static_cast<size_t>(heldReturns_), '\r');
    heldReturns_ = 0;
}

ChildProcess::~ChildProcess()
{
    if (pid_ > 0) Wait(0);
    CloseInput();
    if (terminalSide_ >= 0) close(terminalSide_);
    if (terminal_ >= 0) close(terminal_);
}

// The terminal side (output[0] and input[1] in the pipe case) is opened here,
// the program side is returned; both are closed on exec.
bool ChildProcess::OpenTerminal(const struct termios& settings, int* programSide)
{
    const int terminal = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (terminal < 0) {
        error_ = SystemError("posix_openpt");
        return false;
    }
    const char* name = nullptr;
    if (grantpt(terminal) != 0 || unlockpt(terminal) != 0 || (name = ptsname(terminal)) == nullptr) {
        error_ = SystemError("grantpt");
        close(terminal);
        return false;
    }
    *programSide = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (*programSide < 0 || tcsetattr(*programSide, TCSANOW, &settings) != 0) {
        error_ = SystemError("pseudo-terminal");
        if (*programSide >= 0) close(*programSide);
        close(terminal);
        return false;
    }
    input_ = fcntl(terminal, F_DUPFD_CLOEXEC, 0);
    terminal_ = terminal;
    outputReaderFd_ = terminal;
    return true;
}

namespace {

// The command line and environment of a rerunThisTest start.
ChildOptions RerunOptions(ChildOptions options)
{
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    options.program = "/proc/self/exe";
    options.arguments = {std::string("--gtest_filter=") + test->test_suite_name() + "." + test->name()};
    options.environment.emplace_back(rerunMarker, "1");
    return options;
}

}  // namespace

bool IsRerunChild()
{
    const char* value = std::getenv(rerunMarker);
    return value != nullptr && std::strcmp(value, "1") == 0;
}

bool ChildProcess::Start(const ChildOptions& given)
{
    (void)sigpipeIgnored;
    const ChildOptions options = given.rerunThisTest ? RerunOptions(given) : given;
    std::vector<std::string> arguments = options.arguments;
    arguments.insert(arguments.begin(), options.program);
    std::vector<char*> argv = Pointers(arguments);
    std::vector<std::string> environment = MergedEnvironment(options);
    std::vector<char*> envp = Pointers(environment);

    ChildEnds ends;
    if (options.terminal != nullptr) {
        if (!OpenTerminal(*options.terminal, &ends.terminal)) return false;
        terminalSide_ = ends.terminal;
    } else if (pipe2(ends.input, O_CLOEXEC) != 0 || pipe2(ends.output, O_CLOEXEC) != 0) {
        error_ = SystemError("pipe");
        return false;
    } else {
        input_ = ends.input[1];
        outputReaderFd_ = ends.output[0];
    }
    if (pipe2(ends.errors, O_CLOEXEC) != 0) {
        error_ = SystemError("pipe");
        return false;
    }
    started_ = std::chrono::steady_clock::now();
    pid_ = fork();
    if (pid_ == 0) RunChild(options, ends, argv.data(), envp.data());
    for (int fd : {ends.input[0], ends.output[1], ends.errors[1]})
        if (fd >= 0) close(fd);
    if (pid_ < 0) {
        error_ = SystemError("fork");
        CloseInput();
        if (terminal_ < 0) close(outputReaderFd_);
        close(ends.errors[0]);
        return false;
    }
    const bool fromTerminal = options.terminal != nullptr;
    outputReader_ = std::thread(
        &ChildProcess::Collect, this, outputReaderFd_, &output_, fromTerminal,
        OutputDecoder(fromTerminal || options.windowsLineEnds, fromTerminal && options.windowsLineEnds));
    errorReader_ = std::thread(&ChildProcess::Collect, this, ends.errors[0], &errors_, false,
                               OutputDecoder(false, false));
    return true;
}

// A pipe ends when the child closes it. A terminal does not end while we hold
// its program side open, so its reader stops once the child has ended and
// nothing more has come for a while (the terminal hands written bytes on a
// moment later).
void ChildProcess::Collect(int fd, std::string* into, bool fromTerminal, OutputDecoder decoder)
{
    char buffer[4096];
    int quietAfterEnd = 0;
    for (;;) {
        struct pollfd ready = {fd, POLLIN, 0};
        const int polled = poll(&ready, 1, 20);
        if (polled < 0 && errno == EINTR) continue;
        if (polled == 0) {
            if (ended_.load() && ++quietAfterEnd >= 5) break;
            continue;
        }
        ssize_t count = read(fd, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) break;
        std::lock_guard<std::mutex> lock(mutex_);
        for (ssize_t at = 0; at < count; ++at) decoder.Put(buffer[at], into);
        changed_.notify_all();
    }
    // The terminal's other side stays open: its settings outlive the child.
    if (!fromTerminal) close(fd);
    std::lock_guard<std::mutex> lock(mutex_);
    decoder.End(into);
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

void ChildProcess::Signal(int signalNumber)
{
    if (pid_ > 0) kill(pid_, signalNumber);
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
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [&] {
                                 return outputEnded_ || (from <= output_.size() &&
                                                         output_.find(text, from) != std::string::npos);
                             }) &&
           from <= output_.size() && output_.find(text, from) != std::string::npos;
}

bool ChildProcess::TerminalSettings(struct termios* settings)
{
    if (terminalSide_ < 0) return false;
    return tcgetattr(terminalSide_, settings) == 0;
}

bool ChildProcess::Ended(unsigned timeoutMs)
{
    if (pid_ <= 0) return true;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    int status = 0;
    struct rusage usage = {};
    pid_t done = 0;
    while ((done = wait4(pid_, &status, WNOHANG, &usage)) == 0 &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (done == 0) return false;
    Reap(status, usage);
    return true;
}

int ChildProcess::Wait(unsigned timeoutMs)
{
    if (Ended(timeoutMs)) return exitStatus_;
    int status = 0;
    struct rusage usage = {};
    kill(pid_, SIGKILL);
    wait4(pid_, &status, 0, &usage);
    Reap(status, usage);
    exitStatus_ = -1;
    return -1;
}

void ChildProcess::Reap(int status, const struct rusage& usage)
{
    wallTime_ = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                      started_);
    cpuTime_ = std::chrono::seconds(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
               std::chrono::microseconds(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
    pid_ = -1;
    ended_.store(true);
    CloseInput();
    if (WIFEXITED(status)) exitStatus_ = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) exitStatus_ = 128 + WTERMSIG(status);
    if (outputReader_.joinable()) outputReader_.join();
    if (errorReader_.joinable()) errorReader_.join();
}

}  // namespace testproc
