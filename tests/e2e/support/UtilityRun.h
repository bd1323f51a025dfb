// One run of a utility against the emulated board, in its own lane folder:
// start it with arguments, type keys (at once, or once a text has appeared),
// then check the console output, the exit status, the capture file and the
// packets the board received.
//
//   UtilityRun run(GetParam());
//   run.Start({"-GetVersion"});
//   EXPECT_EQ(run.Finish(), 0);
//   EXPECT_THAT(run.Output(), HasSubstr("Firmware Version"));
#ifndef TESTS_E2E_SUPPORT_UTILITYRUN_H
#define TESTS_E2E_SUPPORT_UTILITYRUN_H

#include "support/posix/ChildProcess.h"
#include "LaneFolder.h"
#include "support/posix/TerminalSettings.h"
#include "Variant.h"
#include "WindowsUnderWine.h"
#include "support/TestBoard.h"

#include <chrono>

#include <memory>
#include <string>
#include <vector>

namespace e2e {

class UtilityRun {
public:
    explicit UtilityRun(const Variant& variant);
    // A run on the same lane PC as another (drive C:, configuration,
    // registry), against a board of its own.
    UtilityRun(const Variant& variant, const UtilityRun& sameLane);
    ~UtilityRun();
    UtilityRun(const UtilityRun&) = delete;
    UtilityRun& operator=(const UtilityRun&) = delete;

    const Variant& Utility() const { return variant_; }
    LaneFolder& Lane() { return *lane_; }
    // The emulated board; set it up before Start.
    testboard::TestBoard& Module() { return board_; }
    const testboard::TestBoard& Module() const { return board_; }
    // Runs without a board: its socket does not exist.
    void WithoutBoard() { withBoard_ = false; }
    // Under Wine: the program runs as the child of a program of the Windows
    // build (a test tool, "tests/x.exe"), which gets these arguments before
    // the program's path. Set it up before Start.
    void ThroughWindowsTool(const std::string& tool, const std::vector<std::string>& arguments)
    {
        windowsTool_ = tool;
        windowsToolArguments_ = arguments;
    }
    // Runs on a pseudo-terminal (standard input and output) that starts with
    // these settings, instead of on pipes. Its output is read back with "\n"
    // line ends, as the program wrote them.
    void OnTerminal(const struct termios& settings = TechnicianTerminal());

    // Starts the board (unless WithoutBoard) and then the utility.
    void Start(const std::vector<std::string>& arguments = {});
    // Starts the utility in a current directory that has been removed.
    void StartInRemovedFolder(const std::vector<std::string>& arguments = {});

    // Standard input: keys at once, keys once a text has appeared (after
    // the point the last wait stopped at), and the end of the input.
    void Type(const std::string& keys);
    bool TypeWhen(const std::string& text, const std::string& keys, unsigned timeoutMs = 30000);
    bool WaitFor(const std::string& text, unsigned timeoutMs = 30000);
    void EndInput();
    // A signal to the running utility (a hang-up, a termination).
    void Signal(int signalNumber) { child_.Signal(signalNumber); }

    // On a terminal: the settings read back once it was set up, before the
    // program started, and the settings now.
    struct termios TerminalAtStart() const { return terminalAtStart_; }
    struct termios TerminalNow();
    // Waits until the program waits for a single key (keys true) or has the
    // terminal in its line mode (keys false); false on time-out. Under Wine
    // both are the console reading the terminal.
    bool WaitForTerminalMode(bool keys, unsigned timeoutMs = 10000);
    // Once the text has appeared and the program waits for a key, types keys.
    bool PressWhen(const std::string& text, const std::string& keys, unsigned timeoutMs = 30000);

    // Waits for the exit with the input left open, as when nobody types.
    int WaitForExit(unsigned timeoutMs = 60000);
    // Ends the input and waits for the exit; the exit status, or -1 when the
    // program did not end in time. Reports sanitizer findings as failures.
    int Finish(unsigned timeoutMs = 60000);
    // Start, the keys, the end of the input, Finish.
    int Run(const std::vector<std::string>& arguments, const std::string& keys = "");

    // Once the program has ended: its processor time and its running time.
    std::chrono::microseconds CpuTime() const { return child_.CpuTime(); }
    std::chrono::milliseconds WallTime() const { return child_.WallTime(); }

    std::string Output() const { return child_.Output(); }
    std::string Errors() const { return child_.Errors(); }
    std::string Capture() const { return lane_->Capture(); }
    // What the board received, in order (see TestBoard::Received).
    std::vector<std::string> Received() const { return board_.Received(); }

private:
    void Launch(const std::vector<std::string>& arguments, bool removeWorkDir);

    const Variant& variant_;
    std::shared_ptr<LaneFolder> lane_;
    testboard::TestBoard board_;
    bool withBoard_ = true;
    std::string windowsTool_;
    std::vector<std::string> windowsToolArguments_;
    bool onTerminal_ = false;
    struct termios terminalAtStart_ = {};
    ChildProcess child_;
    size_t waitedTo_ = 0;
};

// Counts the appearances of part in text.
int CountOf(const std::string& text, const std::string& part);
std::string LowerCase(std::string text);

// What every run sends while it reads the identity: port 6 initialised and
// opened, the scale stream stopped, the four identity requests, port 6 closed.
std::vector<std::string> StartUpPackets();
// What the board received after those (empty when the start-up did not end).
std::vector<std::string> AfterStartUp(const UtilityRun& run);
// When the board received each packet whose text (as Received() gives it)
// begins with the prefix, in order: the program's own steps, timed without
// the process start or the machine's load around it.
std::vector<std::chrono::steady_clock::time_point> Arrivals(const UtilityRun& run,
                                                            const std::string& prefix);
// What leaving the main menu with X sends: port 6 closed, then the closing
// sequence (su_utility turns the lane lights and the TAL-2 lamps off).
std::vector<std::string> LeavingPackets(const Variant& variant);

}  // namespace e2e

#endif
