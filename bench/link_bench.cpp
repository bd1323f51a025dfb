// Measures the module link against an in-process board emulator:
//   1. one request/reply exchange (the version request): median and spread;
//   2. how many packets a second the reader thread queues from a board that
//      floods it;
//   3. how many trace lines a second reach the capture file at the detail
//      level.
// Everything runs in a fresh temporary folder (device socket, drive C:),
// removed at the end.
// Usage: link_bench_su|link_bench_cu [exchanges] [flood packets] [trace lines]
#include "BenchScratch.h"
#include "config/PgmCnfg.h"
#include "emulator/Board.h"
#include "emulator/Personality.h"
#include "emulator/Scenario.h"
#include "base/ProgramOptions.h"
#include "base/Variant.h"
#include "link/securitymodule.h"
#include "link/ReceiveQueue.h"
#include "link/securitymodule_commands.h"
#include "platform/Platform.h"
#include "trace/Trace.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

std::string scratch;

bool MakeScratch() { return MakeBenchScratch("/tmp/link-bench-XXXXXX", &scratch); }

bool StartBoard(emulator::Board& board, long floodPackets)
{
    std::string error;
    emulator::Scenario scenario;
    // The serial-number request is the flood trigger: the board sends this
    // many unrelated packets before its reply (a fault rule holds up to
    // 1000; the rules add up).
    for (long left = floodPackets; left > 0; left -= 1000) {
        const std::string rule = "fault.ZJ=unrelated:" + std::to_string(left < 1000 ? left : 1000);
        if (!emulator::AddScenarioLine(&scenario, rule, "bench", &error)) {
            std::fprintf(stderr, "scenario: %s\n", error.c_str());
            return false;
        }
    }
    emulator::BoardSetup setup;
    const emulator::Personality* personality = emulator::FindPersonality(IsCuUtility() ? "cu" : "su");
    if (personality == nullptr || !emulator::BuildBoardSetup(scenario, *personality, &setup, &error) ||
        !board.Start(setup, scratch + "/dev", &error)) {
        std::fprintf(stderr, "board: %s\n", error.c_str());
        return false;
    }
    return true;
}

double Percentile(std::vector<double> sorted, double fraction)
{
    const size_t at = static_cast<size_t>(fraction * static_cast<double>(sorted.size() - 1) + 0.5);
    return sorted[at];
}

struct Spread {
    double median, min, p10, p90, max, deviation;
};

Spread SpreadOf(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    double mean = 0;
    for (double t : times) mean += t;
    mean /= static_cast<double>(times.size());
    double variance = 0;
    for (double t : times) variance += (t - mean) * (t - mean);
    const double deviation = std::sqrt(variance / static_cast<double>(times.size()));
    return {Percentile(times, 0.5), times.front(), Percentile(times, 0.1),
            Percentile(times, 0.9), times.back(),  deviation};
}

void PrintSpread(const char* label, const std::vector<double>& times)
{
    if (times.empty()) return;
    const Spread s = SpreadOf(times);
    std::printf("  %s (%zu): median %.3f ms, min %.3f  p10 %.3f  p90 %.3f  max %.3f  stddev %.3f ms\n",
                label, times.size(), s.median, s.min, s.p10, s.p90, s.max, s.deviation);
}

// A reply that is queued before the caller's first look is taken at once; one
// that comes a moment later is taken after one polling step. Both are shown.
void BenchExchange(int exchanges)
{
    std::vector<double> all;
    std::vector<double> firstLook;
    std::vector<double> afterPolling;
    int failures = 0;
    for (int i = 0; i < exchanges; ++i) {
        ModulePacket reply;
        const Clock::time_point start = Clock::now();
        const int result = StandardExchange('Z', '2', nullptr, 0, 10, &reply);
        const double took = MsSince(start);
        if (result != EXCHANGE_OK) ++failures;
        all.push_back(took);
        (took < 50.0 ? firstLook : afterPolling).push_back(took);
    }
    std::printf("exchange (version request, %d runs, %d failed):\n", exchanges, failures);
    PrintSpread("all", all);
    PrintSpread("reply there at the first look", firstLook);
    PrintSpread("reply after 100 ms polling steps", afterPolling);
    if (!afterPolling.empty())
        std::printf("  overhead over the polling step: %.3f ms (median)\n",
                    SpreadOf(afterPolling).median - 100.0);
}

void BenchFlood(long floodPackets)
{
    ModulePacket request;
    std::memset(&request, 0, sizeof request);
    request.DA = ORBA_PORT_MODULE;
    request.DC = ORBA_DC_DATA;
    request.DL = 2;
    request.data[0] = 'Z';
    request.data[1] = 'J';
    if (WritePacketToSecurityModule(&request) != 0) {
        std::printf("flood: request not sent\n");
        return;
    }
    // Take packets off the queue as they come, without the 100 ms polling
    // step, so that the figure is the reader's and not the caller's.
    long received = 0;
    bool replied = false;
    Clock::time_point first;
    Clock::time_point last;
    const Clock::time_point giveUp = Clock::now() + std::chrono::seconds(120);
    while (!replied && Clock::now() < giveUp) {
        ModulePacket packet;
        if (!DequeueReceivedPacket(&packet)) {
            Plat_Sleep(1);
            continue;
        }
        last = Clock::now();
        if (received == 0) first = last;
        ++received;
        replied = packet.data[0] == 'z' && packet.data[1] == 'J';
    }
    const double seconds = std::chrono::duration<double>(last - first).count();
    std::printf("reader flood: %ld of %ld packets queued in %.3f s: %.0f packets/s%s\n", received,
                floodPackets + 1, seconds,
                seconds > 0 ? static_cast<double>(received - 1) / seconds : 0.0,
                replied ? "" : " (the reply never came)");
}

long CountInFile(const std::string& path, const std::string& text)
{
    std::ifstream in(path);
    std::string line;
    long count = 0;
    while (std::getline(in, line))
        if (line.find(text) != std::string::npos) ++count;
    return count;
}

// Packet dumps at the detail level, with the capture kept at that level.
void BenchTrace(long lines)
{
    ProgramConfig.m_Capture_Logging_Level = TL_DETAIL;
    const Clock::time_point start = Clock::now();
    for (long i = 0; i < lines; ++i)
        TRACE(TL_DETAIL, MODULE_LINK, "Bench:%.2x.%.2x.%.2x - %.2x.%.2x.%.2x.%.2x.%.2x.%.2x", 6, 6, 2,
              0x5a, 0x32, 0, 0, 0, static_cast<int>(i & 0xFF));
    TraceFlush();
    const double seconds = MsSince(start) / 1000.0;
    long written = 0;
    for (const char* name : {"Utility01.Txt", "Utility02.Txt", "Utility03.Txt"})
        written += CountInFile(scratch + "/drive_c/FirmwareUpdate/" + name, "Bench:");
    std::printf("trace: %ld of %ld lines in the capture file in %.3f s: %.0f lines/s\n", written, lines,
                seconds, static_cast<double>(written) / seconds);
}

}  // namespace

int main(int argc, char** argv)
{
    const int exchanges = argc > 1 ? std::atoi(argv[1]) : 50;
    const long floodPackets = argc > 2 ? std::atol(argv[2]) : 20000;
    const long traceLines = argc > 3 ? std::atol(argv[3]) : 40000;
    if (exchanges < 1 || floodPackets < 1 || traceLines < 1 || !MakeScratch()) {
        std::fprintf(stderr, "usage: %s [exchanges] [flood packets] [trace lines]\n", argv[0]);
        return 2;
    }
    g_ProgramOptions.m_ConsoleDisplay = false;
    AccessProgramConfig();

    emulator::Board board;
    if (!StartBoard(board, floodPackets)) return 1;
    if (InitializeSecurityModule() != 0 || OpenSecurityModulePort6() != 0) {
        std::fprintf(stderr, "the link did not start\n");
        return 1;
    }
    FlushReceivedPackets();

    std::printf("%s, scratch %s\n", g_Variant.banner, scratch.c_str());
    BenchExchange(exchanges);
    BenchFlood(floodPackets);
    BenchTrace(traceLines);

    CloseSecurityModulePort6();
    CloseSecurityModule();
    board.Stop();
    std::error_code ignored;
    std::filesystem::remove_all(scratch, ignored);
    return 0;
}
