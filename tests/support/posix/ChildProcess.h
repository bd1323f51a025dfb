// A program run as a child process (a utility, a Wine tool, or this test
// program again running only the current test): its standard input is a pipe
// the test writes keys into, or a pseudo-terminal as a technician's console
// would be; its standard output and error are collected as they come.
#ifndef TESTS_SUPPORT_POSIX_CHILDPROCESS_H
#define TESTS_SUPPORT_POSIX_CHILDPROCESS_H

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <sys/resource.h>
#include <termios.h>

namespace testproc {

struct ChildOptions {
    // Empty with rerunThisTest: this test program, running only the current
    // test, which tells it is the child by IsRerunChild().
    std::string program;
    bool rerunThisTest = false;
    std::vector<std::string> arguments;                            // without the program name
    std::vector<std::pair<std::string, std::string>> environment;  // added to ours
    std::string workDir;
    // The child removes its (empty) working folder before it starts the
    // program, which then runs in a current directory that no longer exists.
    bool removeWorkDir = false;
    // When set, standard input and output are a new pseudo-terminal that
    // starts with these settings and whose controlling process the child is.
    // Standard error stays a pipe, so that sanitizer reports are kept apart.
    const struct termios* terminal = nullptr;
    // On a terminal: SIGINT ignored, as under nohup (else the session's
    // signals start with their default actions).
    bool ignoreInterrupt = false;
    // The output is a Windows program's text: "\r\n" is read as "\n", and on
    // a terminal the control sequences of Wine's console are dropped.
    bool windowsLineEnds = false;
};

// The child's output as the program wrote it (ChildProcess.cpp): line ends
// joined, a Windows console's control sequences dropped.
class OutputDecoder {
public:
    OutputDecoder(bool joinLineEnds, bool consoleEscapes)
        : joinLineEnds_(joinLineEnds), consoleEscapes_(consoleEscapes)
    {
    }
    void Put(char byte, std::string* into);
    // At the end of the output: what is held back.
    void End(std::string* into);

private:
    bool joinLineEnds_;
    bool consoleEscapes_;
    int heldReturns_ = 0;  // '\r's whose '\n' may come with the next read
    bool inEscape_ = false;
    std::string escape_;
};

class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // False (with the reason in Error()) when the child could not be started.
    bool Start(const ChildOptions& options);
    bool Running() const { return pid_ > 0; }

    // Standard input: bytes, and its end (on a terminal: no more typing).
    void Write(const std::string& bytes);
    void CloseInput();
    // Sends the running child a signal, as the terminal or the system would.
    void Signal(int signalNumber);

    // On a terminal, the output as the program wrote it: the terminal's own
    // "\r\n" for each line end is read back as "\n".
    std::string Output() const;
    std::string Errors() const;
    // Waits until the output holds text at or after the offset; false on time-out.
    bool WaitForOutput(const std::string& text, unsigned timeoutMs, size_t from = 0) const;
    // Where text first appears at or after the offset; npos when it does not.
    size_t FindOutput(const std::string& text, size_t from = 0) const;

    // Waits for the end of the process and of its output. The exit status, or
    // 128 + the signal number; -1 when it did not end in time (it is then
    // killed).
    int Wait(unsigned timeoutMs);
    // Waits up to the time given; false when it still runs (it runs on).
    bool Ended(unsigned timeoutMs);
    const std::string& Error() const { return error_; }

    // The terminal's settings now, read on its program side; false when the
    // child has no terminal.
    bool TerminalSettings(struct termios* settings);
    // Once the child has ended: its processor time (user and system) and the
    // time from its start to its end.
    std::chrono::microseconds CpuTime() const { return cpuTime_; }
    std::chrono::milliseconds WallTime() const { return wallTime_; }

private:
    bool OpenTerminal(const struct termios& settings, int* programSide);
    void Collect(int fd, std::string* into, bool fromTerminal, OutputDecoder decoder);
    void Reap(int status, const struct rusage& usage);

    int pid_ = -1;
    int input_ = -1;
    int outputReaderFd_ = -1;
    int terminalSide_ = -1;  // the terminal's program side, held open for its settings
    int terminal_ = -1;      // its other side, ours
    std::atomic<bool> ended_{false};
    std::chrono::steady_clock::time_point started_;
    std::chrono::microseconds cpuTime_{0};
    std::chrono::milliseconds wallTime_{0};
    int exitStatus_ = -1;
    std::thread outputReader_;
    std::thread errorReader_;
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::string output_;
    std::string errors_;
    bool outputEnded_ = false;
    std::string error_;
};

// In the child of a rerunThisTest start.
bool IsRerunChild();

}  // namespace testproc

// The end-to-end tests' and the soak's names for it.
namespace e2e {
using testproc::ChildOptions;
using testproc::ChildProcess;
}  // namespace e2e

#endif
