#include "UtilityRun.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>

namespace e2e {

UtilityRun::UtilityRun(const Variant& variant) : variant_(variant), lane_(std::make_shared<LaneFolder>())
{
}

UtilityRun::UtilityRun(const Variant& variant, const UtilityRun& sameLane)
    : variant_(variant), lane_(sameLane.lane_)
{
}

UtilityRun::~UtilityRun()
{
    if (child_.Running()) child_.Wait(0);
    board_.Stop();
}

void UtilityRun::Launch(const std::vector<std::string>& arguments, bool removeWorkDir)
{
    if (withBoard_ && !board_.Running()) {
        ASSERT_TRUE(board_.Start(variant_.name, lane_->DeviceDir()));
    }
    // Under Wine the device names are the driver route's: it serves this
    // run's board; without a board the names are missing, as on a PC
    // without the board.
    if (UnderWine() && withBoard_) {
        WineRouteUp();
        ServeBoardUnderWine(lane_->DeviceDir(), variant_.deviceSocket);
    } else if (UnderWine()) {
        WineRouteDown();
    }
    ChildOptions options;
    options.program = variant_.program;
    options.arguments = arguments;
    if (UnderWine()) {
        options.program = WineLauncher();
        options.arguments.insert(options.arguments.begin(), WindowsProgram(variant_.windowsProgram));
        if (!windowsTool_.empty()) {
            options.arguments.insert(options.arguments.begin(), windowsToolArguments_.begin(),
                                     windowsToolArguments_.end());
            options.arguments.insert(options.arguments.begin(), WindowsProgram(windowsTool_));
        }
        options.windowsLineEnds = true;
    }
    // Set where CTest runs suites a second time with one more switch at the
    // end of every command line (tests/e2e/CMakeLists.txt).
    const char* appended = std::getenv("E2E_APPEND_ARGUMENT");
    if (appended != nullptr && *appended != '\0') options.arguments.push_back(appended);
    options.environment = lane_->Environment();
    options.workDir = lane_->BinDir();
    if (removeWorkDir) {
        options.workDir = lane_->Root() + "/lane/Removed";
        std::filesystem::create_directories(options.workDir);
        options.removeWorkDir = true;
    }
    if (onTerminal_) options.terminal = &terminalAtStart_;
    ASSERT_TRUE(child_.Start(options)) << child_.Error();
    // What the terminal holds may differ in details from what was asked for.
    if (onTerminal_) terminalAtStart_ = TerminalNow();
}

void UtilityRun::OnTerminal(const struct termios& settings)
{
    onTerminal_ = true;
    terminalAtStart_ = settings;
}

struct termios UtilityRun::TerminalNow()
{
    struct termios settings = {};
    EXPECT_TRUE(child_.TerminalSettings(&settings)) << "no terminal";
    return settings;
}

bool UtilityRun::WaitForTerminalMode(bool keys, unsigned timeoutMs)
{
    // Wine's console holds the terminal in single keys from its first read to
    // the program's end and edits a line itself: a line read shows as keys.
    if (UnderWine()) keys = true;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (InKeyMode(TerminalNow()) == keys) return true;
        if (std::chrono::steady_clock::now() > deadline) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ADD_FAILURE() << "the terminal never went into " << (keys ? "key" : "line")
                  << " mode; output so far:\n"
                  << child_.Output();
    return false;
}

bool UtilityRun::PressWhen(const std::string& text, const std::string& keys, unsigned timeoutMs)
{
    if (!WaitFor(text, timeoutMs) || !WaitForTerminalMode(true)) return false;
    Type(keys);
    return true;
}

void UtilityRun::Start(const std::vector<std::string>& arguments) { Launch(arguments, false); }

void UtilityRun::StartInRemovedFolder(const std::vector<std::string>& arguments)
{
    Launch(arguments, true);
}

void UtilityRun::Type(const std::string& keys) { child_.Write(keys); }

bool UtilityRun::WaitFor(const std::string& text, unsigned timeoutMs)
{
    if (!child_.WaitForOutput(text, timeoutMs, waitedTo_)) {
        ADD_FAILURE() << "\"" << text << "\" did not appear; output so far:\n" << child_.Output();
        return false;
    }
    waitedTo_ = child_.FindOutput(text, waitedTo_) + text.size();
    return true;
}

bool UtilityRun::TypeWhen(const std::string& text, const std::string& keys, unsigned timeoutMs)
{
    if (!WaitFor(text, timeoutMs)) return false;
    Type(keys);
    return true;
}

void UtilityRun::EndInput() { child_.CloseInput(); }

int UtilityRun::Finish(unsigned timeoutMs)
{
    EndInput();
    return WaitForExit(timeoutMs);
}

int UtilityRun::WaitForExit(unsigned timeoutMs)
{
    const int status = child_.Wait(timeoutMs);
    EXPECT_NE(status, -1) << variant_.program << " did not end in time; output:\n" << Output();
    const std::string errors = Errors();
    EXPECT_EQ(errors.find("Sanitizer"), std::string::npos) << errors;
    EXPECT_EQ(errors.find("runtime error"), std::string::npos) << errors;
    // A Windows program that never started: say what Wine said, for the
    // failure that follows.
    if (UnderWine() && status != 0 && Output().empty())
        std::printf("wine ended with %d before the program wrote anything; its messages:\n%s\n", status,
                    errors.c_str());
    EXPECT_TRUE(board_.Settle()) << "the utility left connections open:\n" << board_.LogText();
    // The route taken down for a run without a board serves the next runs
    // and tests again.
    if (UnderWine() && !withBoard_) WineRouteUp();
    return status;
}

int UtilityRun::Run(const std::vector<std::string>& arguments, const std::string& keys)
{
    Start(arguments);
    Type(keys);
    return Finish();
}

std::string LowerCase(std::string text)
{
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::vector<std::string> StartUpPackets()
{
    return {"6/1 <01><06><02><01>",
            "6/2",
            "6/6 S5",
            "6/6 S8",
            "6/6 Z2",
            "6/6 Z4",
            "6/6 Z5",
            "6/6 ZJ",
            "6/3"};
}

std::vector<std::string> AfterStartUp(const UtilityRun& run)
{
    std::vector<std::string> received = run.Received();
    const size_t startUp = StartUpPackets().size();
    if (received.size() < startUp) return {};
    return std::vector<std::string>(received.begin() + static_cast<std::ptrdiff_t>(startUp),
                                    received.end());
}

std::vector<std::chrono::steady_clock::time_point> Arrivals(const UtilityRun& run,
                                                            const std::string& prefix)
{
    std::vector<std::chrono::steady_clock::time_point> arrivals;
    for (const emulator::LogEntry& entry : run.Module().EntriesOf(emulator::LogKind::ToBoard))
        if (testboard::PacketText(entry.wire).rfind(prefix, 0) == 0) arrivals.push_back(entry.at);
    return arrivals;
}

std::vector<std::string> LeavingPackets(const Variant& variant)
{
    if (variant.cu) return {"6/3", "6/1 <01><06><02><01>", "6/2", "6/3"};
    return {"6/3",    "6/1 <01><06><02><01>", "6/2", "6/6 L0", "6/6 L3", "6/6 L6",
            "6/6 L9", "6/6 T1<00>",           "6/3"};
}

int CountOf(const std::string& text, const std::string& part)
{
    int count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

}  // namespace e2e
