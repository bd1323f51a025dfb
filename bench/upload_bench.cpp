// Times a whole automated firmware upload against an in-process board
// emulator and sets it against the polling floor: the port-6 open (200 ms
// sleep), one 100 ms polling step for the start-upload answer and one for
// each 32-byte block, the port-6 close (500 ms sleep) and the 100 ms pause
// before the closing messages. The upload ends the process itself, so the
// figures are printed from an exit handler, which also checks the image the
// board kept against the file.
//
// The board answers each request 1 ms late, as a board behind USB does: an
// emulator answering at once can beat the program's first look at its
// queue, and the figure would then not be about the polling at all.
// Usage: upload_bench_su|upload_bench_cu [image bytes, 1 to 65535; 65535 by default]
// Exit status: 0 when the image arrived whole and the time is within 1 % of
// the floor, 1 otherwise, 2 for a bad argument.
#include "commands/Command_SecurityModuleUpload.h"
#include "BenchScratch.h"
#include "config/PgmCnfg.h"
#include "emulator/Board.h"
#include "emulator/Personality.h"
#include "emulator/Scenario.h"
#include "base/ProgramOptions.h"
#include "base/Variant.h"
#include "link/securitymodule.h"
#include "link/securitymodule_commands.h"
#include "platform/Platform.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

const double POLL_STEP_MS = 100.0;
const double PORT_SLEEPS_MS = 200.0 + 500.0 + 100.0;

std::string scratch;
std::string fileName;
std::vector<uint8_t> imageSent;
emulator::Board* board = nullptr;  // alive until the process ends
Clock::time_point started;
bool uploadFailed = false;

bool MakeScratch() { return MakeBenchScratch("/tmp/upload-bench-XXXXXX", &scratch); }

bool WriteImage(long bytes)
{
    uint32_t sum = 0;
    for (long i = 0; i < bytes; ++i) {
        const uint8_t byte = static_cast<uint8_t>((i * 131 + 17) ^ (i >> 8));
        imageSent.push_back(byte);
        sum += byte;
    }
    char name[64];
    std::snprintf(name, sizeof name, "%s_Bench_CRC_%X.bin", IsCuUtility() ? "CU" : "SU", sum);
    fileName = name;
    std::ofstream out(fileName, std::ios::binary);
    out.write(reinterpret_cast<const char*>(imageSent.data()), static_cast<std::streamsize>(bytes));
    return static_cast<bool>(out);
}

bool StartBoard()
{
    std::string error;
    emulator::Scenario scenario;
    if (!emulator::AddScenarioLine(&scenario, "fault.any=delay:1", "bench", &error)) {
        std::fprintf(stderr, "scenario: %s\n", error.c_str());
        return false;
    }
    emulator::BoardSetup setup;
    const emulator::Personality* personality = emulator::FindPersonality(IsCuUtility() ? "cu" : "su");
    board = new emulator::Board;
    if (personality == nullptr || !emulator::BuildBoardSetup(scenario, *personality, &setup, &error) ||
        !board->Start(setup, scratch + "/dev", &error)) {
        std::fprintf(stderr, "board: %s\n", error.c_str());
        return false;
    }
    return true;
}

// The "Bytes Left" counter is not what is measured.
void DiscardConsole(const char*, size_t) {}
bool NoKey() { return false; }
int NoKeyRead() { return 'X'; }
void NoLine(char* buffer, size_t) { buffer[0] = '\0'; }
const PlatConsoleOps quietConsole = {NoKey, NoKeyRead, NoLine, DiscardConsole};

void Report()
{
    if (uploadFailed) {
        board->Stop();
        std::_Exit(1);
    }
    const double tookMs = std::chrono::duration<double, std::milli>(Clock::now() - started).count();
    const long bytes = static_cast<long>(imageSent.size());
    const long blocks = (bytes + 31) / 32;
    const double floorMs = PORT_SLEEPS_MS + static_cast<double>(blocks + 1) * POLL_STEP_MS;
    const std::vector<uint8_t> kept = board->State().uploadImage;
    const bool whole = kept == imageSent;
    const double over = (tookMs - floorMs) / floorMs * 100.0;
    std::printf("%s: %ld bytes in %ld blocks uploaded in %.1f ms\n", g_Variant.banner, bytes, blocks,
                tookMs);
    std::printf("  floor %.1f ms (%ld polling steps of 100 ms + %.0f ms port sleeps): %+.3f %%\n",
                floorMs, blocks + 1, PORT_SLEEPS_MS, over);
    std::printf("  image kept by the board %s the file\n", whole ? "equals" : "DIFFERS FROM");
    std::fflush(stdout);
    board->Stop();
    std::error_code ignored;
    std::filesystem::remove_all(scratch, ignored);
    std::_Exit(whole && over >= 0.0 && over <= 1.0 ? 0 : 1);
}

}  // namespace

int main(int argc, char** argv)
{
    const long bytes = argc > 1 ? std::atol(argv[1]) : 65535;
    if (bytes < 1 || bytes > 65535 || !MakeScratch() || !WriteImage(bytes)) {
        std::fprintf(stderr, "usage: %s [image bytes, 1 to 65535]\n", argv[0]);
        return 2;
    }
    AccessProgramConfig();
    if (!StartBoard()) return 1;
    // As at the program's start, the identity is read first; by then the
    // link's reader is serving the board, as it is before any command.
    if (InitializeSecurityModule() != 0 || GetSecurityModuleVersion() != 0 ||
        GetSecurityModuleChecksum() != 0) {
        std::fprintf(stderr, "the link did not start\n");
        return 1;
    }
    g_ProgramOptions.m_ConsoleDisplay = false;
    g_ProgramOptions.m_AutomatedMode = true;
    g_ProgramOptions.m_CommandName = "SecurityModuleUpload";
    g_ProgramOptions.m_InputFile = fileName.c_str();
    Plat_SetConsole(&quietConsole);
    std::atexit(Report);

    started = Clock::now();
    SecurityModuleUpload();
    // Only a failed upload comes back; its scratch folder is kept.
    uploadFailed = true;
    Plat_SetConsole(nullptr);
    std::fprintf(stderr, "the upload failed; see %s/drive_c/FirmwareUpdate\n", scratch.c_str());
    return 1;
}
