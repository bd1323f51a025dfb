// A utility run as a child process: its standard input is a pipe the test
// writes keys into, its standard output and error are collected as they come.
#ifndef TESTS_E2E_SUPPORT_CHILDPROCESS_H
#define TESTS_E2E_SUPPORT_CHILDPROCESS_H

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace e2e {

struct ChildOptions {
    std::string program;
    std::vector<std::string> arguments;             // without the program name
    std::vector<std::pair<std::string, std::string>> environment;  // added to ours
    std::string workDir;
    // The child removes its (empty) working folder before it starts the
    // program, which then runs in a current directory that no longer exists.
    bool removeWorkDir = false;
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

    // Standard input: bytes, and its end.
    void Write(const std::string& bytes);
    void CloseInput();

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
    const std::string& Error() const { return error_; }

private:
    void Collect(int fd, std::string* into);
    void Reap(int status);

    int pid_ = -1;
    int input_ = -1;
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

}  // namespace e2e

#endif
