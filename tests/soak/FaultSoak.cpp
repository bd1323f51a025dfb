// The fault soak: both programs run every automated command again and again
// against an emulated board whose faults are drawn from a seed. Every run
// must end within its bound, with an exit status allowed for its command
// (exactly the clean one when no fault reached the board's traffic), without
// a sanitizer report, and with a well-formed capture file that the program
// closed itself (a run ended by a signal has a status no command allows, or
// no closing footer).
//
//   fault_soak [--runs N] [--seed S] [--only I] [--quick] [--parallel 1|2] [--verbose]
//   fault_soak --print-bounds   (each command's longest run, then exits)
//
// A failure is printed with its seed and run index; "--seed S --only I"
// replays that one run.
//
// With UTILITY_E2E_WINE set to the Windows build folder, the runs are the
// .exe files under Wine through the test driver route, one at a time, with
// the same checks and bounds, less the open faults (scripts/soak.sh
// --windows).
#include "CaptureCheck.h"
#include "support/posix/ChildProcess.h"
#include "LaneFolder.h"
#include "UtilityRun.h"
#include "SoakPlan.h"
#include "tests/support/TimingAllowance.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace soak {
namespace {

struct Options {
    unsigned runs = 40;
    uint64_t seed = 1;
    long only = -1;  // one run index, to replay it
    bool quick = false;
    unsigned parallel = 2;
    bool verbose = false;
};
Options options;

const char REPORT_CONTENT[] = "[Lane]\r\nNumber=4\r\n";

struct RunResult {
    RunPlan plan;
    int status = -1;
    long long ms = 0;
    std::vector<FaultKind> hits;  // the faults the board's log shows applied
    int leftOutUnderWine = 0;     // open faults the plan drew, not injected under Wine
    std::vector<std::string> problems;
};

// Faults applied, from the emulator's log: a request whose reply the rules
// spoil carries them ("faults=bad-checksum,delay:300"), a spoiled open its
// answer ("refused code=5").
std::vector<FaultKind> FaultsApplied(const std::string& log)
{
    std::vector<FaultKind> hits;
    std::istringstream lines(log);
    for (std::string line; std::getline(lines, line);) {
        FaultKind kind;
        const size_t number = line.find(" #");
        if (line.find(" open ") != std::string::npos && number != std::string::npos) {
            const size_t answer = line.find(' ', number + 2);
            if (answer != std::string::npos && FaultKindOfNote(line.substr(answer + 1), &kind))
                hits.push_back(kind);
            continue;
        }
        const size_t at = line.find(" faults=");
        if (at == std::string::npos) continue;
        const size_t from = at + 8;
        std::istringstream notes(line.substr(from, line.find(' ', from) - from));
        for (std::string note; std::getline(notes, note, ',');)
            if (FaultKindOfNote(note, &kind)) hits.push_back(kind);
    }
    return hits;
}

// Once the board has seen the utility hang up every connection it opened (or
// closed one itself), its log and state are complete.
std::string SettledLog(const testboard::TestBoard& board)
{
    board.Settle();
    return board.LogText();
}

std::string FirstLineWith(const std::string& text, const std::string& part)
{
    const size_t at = text.find(part);
    const size_t begin = text.rfind('\n', at) == std::string::npos ? 0 : text.rfind('\n', at) + 1;
    return text.substr(begin, text.find('\n', at) - begin);
}

void CheckCapture(const RunResult& run, const e2e::LaneFolder& lane, std::vector<std::string>& problems)
{
    if (run.plan.command == "GetUtilityVersion") {
        if (e2e::PathExists(lane.OnDriveC("FirmwareUpdate")))
            problems.push_back("-GetUtilityVersion created the firmware-update folder");
        return;
    }
    const std::string capture = lane.Capture();
    const std::string problem = CheckCaptureFile(capture, CaptureEnd::Closing);
    if (!problem.empty()) problems.push_back("capture file: " + problem);
    int logged = 0;
    const bool uploaded = run.plan.command == "SecurityModuleUpload" && run.status == 0;
    if (CapturedReturnCode(capture, &logged)) {
        if (logged != run.status)
            problems.push_back("capture file logs Return Code " + std::to_string(logged) +
                               ", the exit status is " + std::to_string(run.status));
    } else if (run.status != 202 && !uploaded) {
        problems.push_back("capture file has no Return Code line");
    }
}

// What the command leaves behind: an image reported uploaded is the file's,
// and the report file keeps what it held.
void CheckResults(const RunResult& run, const testboard::TestBoard& board, const e2e::LaneFolder& lane,
                  std::vector<std::string>& problems)
{
    const RunPlan& plan = run.plan;
    if (plan.command == "SecurityModuleUpload" && run.status == 0) {
        const std::vector<uint8_t> kept = board.UploadedImage();
        if (std::string(kept.begin(), kept.end()) != plan.firmwareImage)
            problems.push_back("the upload ended with 0 but the board holds another image (" +
                               std::to_string(kept.size()) + " bytes)");
    }
    if (!plan.reportFile.empty()) {
        const std::string report = e2e::ReadTextFile(lane.ConfigDir() + "/" + plan.reportFile);
        if (report.compare(0, sizeof REPORT_CONTENT - 1, REPORT_CONTENT) != 0)
            problems.push_back("the report file lost what it held");
    }
}

// cu_utility traces every packet it hands to a command ("Data In:"): never
// more than the board sent, and on a run no fault reached every one of them,
// since each request waits for its reply.
void CheckPackets(const RunResult& run, const std::string& log, const e2e::LaneFolder& lane,
                  std::vector<std::string>& problems)
{
    if (!run.plan.variant->cu || run.plan.command == "GetUtilityVersion") return;
    const int sent = e2e::CountOf(log, " out P");
    const int taken = e2e::CountOf(lane.Capture(), "Data In:");
    if (taken > sent || (run.hits.empty() && taken != sent))
        problems.push_back("the board sent " + std::to_string(sent) + " packets, the program took " +
                           std::to_string(taken));
}

// Runs the program with its input at an end, as a script would; false when
// it could not start or had to be killed at its bound.
bool RunUtility(const RunPlan& plan, const e2e::LaneFolder& lane, e2e::ChildProcess& child,
                RunResult& run)
{
    e2e::ChildOptions childOptions;
    childOptions.program = plan.variant->program;
    childOptions.arguments = plan.arguments;
    if (e2e::UnderWine()) {
        childOptions.program = e2e::WineLauncher();
        childOptions.arguments.insert(childOptions.arguments.begin(),
                                      e2e::WindowsProgram(plan.variant->windowsProgram));
        childOptions.windowsLineEnds = true;
    }
    childOptions.environment = lane.Environment();
    childOptions.workDir = lane.BinDir();
    if (!child.Start(childOptions)) {
        run.problems.push_back("could not start: " + child.Error());
        return false;
    }
    child.CloseInput();
    run.status = child.Wait(plan.boundMs);
    run.ms = child.WallTime().count();
    if (run.status == -1) {
        run.problems.push_back("did not end within its bound of " + std::to_string(plan.boundMs) +
                               " ms; killed");
        return false;
    }
    const std::string errors = child.Errors();
    for (const char* mark : {"Sanitizer", "runtime error"})
        if (errors.find(mark) != std::string::npos)
            run.problems.push_back("sanitizer report: " + FirstLineWith(errors, mark));
    return true;
}

// Under Wine the system completes a device open before the driver sees it
// and ignores the driver's answer, so a refused or unanswered open cannot
// fail the program's open there: the open faults are the Linux soak's. The
// seed still draws them, so that it replays the same runs on both.
RunPlan WithoutOpenFaults(RunPlan plan, int* leftOut)
{
    const auto isOpenFault = [](const InjectedFault& fault) {
        return fault.kind == FaultKind::OpenRefused || fault.kind == FaultKind::OpenHangUp ||
               fault.kind == FaultKind::OpenNoAnswer;
    };
    const auto kept = std::remove_if(plan.faults.begin(), plan.faults.end(), isOpenFault);
    *leftOut = static_cast<int>(plan.faults.end() - kept);
    plan.faults.erase(kept, plan.faults.end());
    return plan;
}

RunResult RunOne(const RunPlan& drawn)
{
    RunResult run;
    const RunPlan plan = e2e::UnderWine() ? WithoutOpenFaults(drawn, &run.leftOutUnderWine) : drawn;
    run.plan = plan;
    e2e::LaneFolder lane;
    testboard::TestBoard board;
    for (const std::string& line : plan.board) board.Set(line);
    for (const InjectedFault& fault : plan.faults) board.Set(fault.line);
    board.Start(plan.variant->name, lane.DeviceDir());
    if (e2e::UnderWine()) e2e::ServeBoardUnderWine(lane.DeviceDir(), plan.variant->deviceSocket);
    if (!plan.firmwareName.empty())
        e2e::WriteTextFile(lane.BinDir() + "/" + plan.firmwareName, plan.firmwareImage);
    if (!plan.reportFile.empty()) lane.WriteConfig(plan.reportFile, REPORT_CONTENT);

    e2e::ChildProcess child;
    if (!RunUtility(plan, lane, child, run)) return run;
    const std::string log = SettledLog(board);
    run.hits = FaultsApplied(log);
    std::vector<std::string>& problems = run.problems;
    const std::set<int> allowed = run.hits.empty() ? std::set<int>{CleanStatus(plan)}
                                                   : AllowedStatuses(plan);
    if (allowed.count(run.status) == 0)
        problems.push_back(
            "exit status " + std::to_string(run.status) + " (or signal " +
            std::to_string(run.status - 128) + ")" +
            (run.hits.empty() ? " on a run no fault reached" : " is not allowed for the command"));
    CheckCapture(run, lane, problems);
    CheckResults(run, board, lane, problems);
    CheckPackets(run, log, lane, problems);
    return run;
}

std::string RunName(const RunResult& run)
{
    return "seed " + std::to_string(run.plan.seed) + " run " + std::to_string(run.plan.index);
}

void PrintSummary(const std::vector<RunResult>& results, long long seconds)
{
    int injected[FAULT_KIND_COUNT] = {};
    int applied[FAULT_KIND_COUNT] = {};
    std::map<std::string, std::map<int, int>> outcomes;
    double closest = 0;
    int leftOut = 0;
    for (const RunResult& run : results) {
        leftOut += run.leftOutUnderWine;
        for (const InjectedFault& fault : run.plan.faults) ++injected[static_cast<int>(fault.kind)];
        for (FaultKind kind : run.hits) ++applied[static_cast<int>(kind)];
        ++outcomes[std::string(run.plan.variant->name) + " " + run.plan.command][run.status];
        closest = std::max(closest, static_cast<double>(run.ms) / run.plan.boundMs);
    }
    std::printf("fault soak%s: seed %llu, %zu runs%s, %u at a time, %llds\n",
                e2e::UnderWine() ? " (the .exe under Wine)" : "",
                static_cast<unsigned long long>(options.seed), results.size(),
                options.quick ? " (quick)" : "", e2e::UnderWine() ? 1u : options.parallel, seconds);
    std::printf("faults injected (replies or opens they spoiled):");
    int totalInjected = 0;
    for (int kind = 0; kind < FAULT_KIND_COUNT; ++kind) {
        std::printf(" %s %d (%d)", FaultKindName(static_cast<FaultKind>(kind)), injected[kind],
                    applied[kind]);
        totalInjected += injected[kind];
    }
    std::printf("; %d in all\n", totalInjected);
    if (e2e::UnderWine())
        std::printf(
            "open faults drawn but left out under Wine (a failed open cannot reach the "
            "program there): %d\n",
            leftOut);
    std::printf("exit statuses by program and command (status x runs; -1 killed at its bound):\n");
    for (const auto& [name, statuses] : outcomes) {
        std::printf("  %-28s", name.c_str());
        for (const auto& [status, count] : statuses) std::printf(" %d x%d", status, count);
        std::printf("\n");
    }
    std::printf("slowest run took %.0f%% of its bound\n", closest * 100);
    int failed = 0;
    for (const RunResult& run : results) {
        if (run.problems.empty()) continue;
        ++failed;
        std::printf("FAILED %s: %s\n", RunName(run).c_str(), Describe(run.plan).c_str());
        for (const std::string& problem : run.problems) std::printf("    %s\n", problem.c_str());
        std::printf("    replay: fault_soak --seed %llu --only %u%s\n",
                    static_cast<unsigned long long>(run.plan.seed), run.plan.index,
                    options.quick ? " --quick" : "");
    }
    std::printf("runs failed: %d of %zu\n", failed, results.size());
    std::fflush(stdout);
}

TEST(FaultSoak, EveryRunEndsAsAllowed)
{
    std::vector<unsigned> indexes;
    if (options.only >= 0)
        indexes.push_back(static_cast<unsigned>(options.only));
    else
        for (unsigned i = 0; i < options.runs; ++i) indexes.push_back(i);
    std::vector<RunResult> results(indexes.size());
    std::atomic<size_t> next{0};
    std::mutex printing;
    const auto started = std::chrono::steady_clock::now();
    auto worker = [&] {
        for (size_t at = next++; at < indexes.size(); at = next++) {
            const RunPlan plan = PlanRun(options.seed, indexes[at], options.quick, timing::SlowBuild());
            results[at] = RunOne(plan);
            if (!options.verbose) continue;
            std::lock_guard<std::mutex> lock(printing);
            std::printf("%s: status %d in %lld ms: %s\n", RunName(results[at]).c_str(),
                        results[at].status, results[at].ms, Describe(plan).c_str());
            std::fflush(stdout);
        }
    };
    std::vector<std::thread> workers;
    // Under Wine the prefix is one lane PC: one drive C: and one board of
    // each kind, so its runs take turns.
    const unsigned parallel = e2e::UnderWine() ? 1u : std::max(1u, std::min(options.parallel, 2u));
    for (unsigned i = 0; i < parallel; ++i) workers.emplace_back(worker);
    for (std::thread& thread : workers) thread.join();
    const auto seconds =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - started)
            .count();
    PrintSummary(results, seconds);
    for (const RunResult& run : results) EXPECT_TRUE(run.problems.empty()) << RunName(run);
}

bool ParseOptions(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        const bool hasValue = i + 1 < argc;
        if (name == "--quick")
            options.quick = true;
        else if (name == "--verbose")
            options.verbose = true;
        else if (name == "--runs" && hasValue)
            options.runs = static_cast<unsigned>(std::stoul(argv[++i]));
        else if (name == "--seed" && hasValue)
            options.seed = std::stoull(argv[++i]);
        else if (name == "--only" && hasValue)
            options.only = std::stol(argv[++i]);
        else if (name == "--parallel" && hasValue)
            options.parallel = static_cast<unsigned>(std::stoul(argv[++i]));
        else {
            std::fprintf(stderr, "fault_soak: unknown option %s\n", argv[i]);
            return false;
        }
    }
    return true;
}

}  // namespace
}  // namespace soak

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (argc == 2 && std::strcmp(argv[1], "--print-bounds") == 0) {
        std::fputs(soak::CommandBoundsText().c_str(), stdout);
        return 0;
    }
    if (!soak::ParseOptions(argc, argv)) return 2;
    return RUN_ALL_TESTS();
}
