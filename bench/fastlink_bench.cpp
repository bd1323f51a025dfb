// Sets the fast link ("-FastLink") against the polling reads, side by side,
// with the emulated board answering every request 1 ms late, as a board
// behind USB does:
//   start-up  whole runs of "su_utility -GetVersion" (median);
//   exchange  one version request through the link, in this process (median);
//   upload    one whole run of "su_utility -SecurityModuleUpload" with an
//             image of 65,535 bytes; the image the board kept must equal the file;
//   waiting   processor time of both threads while a read waits 5 s for a
//             reply that never comes, in % of one core.
// Each program run has a fresh lane and board. The polling upload alone takes
// about 3.5 minutes.
// With UTILITY_E2E_WINE set to the Windows build folder (and WINEPREFIX), the
// runs are su_utility.exe under Wine through the test driver route; the
// exchange and waiting rows, which measure this process's own link, are then
// left out.
// Usage: fastlink_bench [start-ups, 5] [exchanges, 50] [image bytes, 1 to 65535]
// Exit status: 0 when every run ended as it should and the images arrived whole.
#include "support/posix/ChildProcess.h"
#include "LaneFolder.h"
#include "Variant.h"
#include "WindowsUnderWine.h"
#include "support/TestBoard.h"
#include "config/PgmCnfg.h"
#include "base/ProgramOptions.h"
#include "link/securitymodule.h"
#include "link/securitymodule_commands.h"
#include "platform/Platform.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

const char REPLY_DELAY[] = "fault.any=delay:1";
const double REPLY_DELAY_MS = 1.0;
const int WAIT_COUNT = 50;  // the empty read: 5 s
const char* const MODE_NAMES[2] = {"polling", "fast link"};

bool failed = false;

double Median(std::vector<double> values)
{
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double MsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double ProcessCpuMs()
{
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](const struct timeval& t) {
        return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_usec) / 1000.0;
    };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

// One whole run of su_utility with its own lane and board; its running time
// in ms. An upload run also checks the image the board kept.
double RunProgram(std::vector<std::string> arguments, bool fast, const std::string& imageName = "",
                  const std::string& image = "")
{
    e2e::LaneFolder lane;
    testboard::TestBoard board;
    board.Set(REPLY_DELAY);
    board.Start(e2e::SU.name, lane.DeviceDir());
    if (!imageName.empty()) e2e::WriteTextFile(lane.BinDir() + "/" + imageName, image);
    // Last, where a script puts it.
    if (fast) arguments.push_back("-FastLink");
    e2e::ChildOptions options;
    options.program = e2e::SU.program;
    options.arguments = arguments;
    if (e2e::UnderWine()) {
        e2e::ServeBoardUnderWine(lane.DeviceDir(), e2e::SU.deviceSocket);
        options.program = e2e::WineLauncher();
        options.arguments.insert(options.arguments.begin(), e2e::WindowsProgram(e2e::SU.windowsProgram));
        options.windowsLineEnds = true;
    }
    options.environment = lane.Environment();
    options.workDir = lane.BinDir();
    e2e::ChildProcess child;
    if (!child.Start(options)) {
        std::fprintf(stderr, "could not start %s: %s\n", options.program.c_str(), child.Error().c_str());
        failed = true;
        return 0;
    }
    child.CloseInput();
    const int status = child.Wait(600000);
    board.Settle();
    if (status != 0) {
        std::fprintf(stderr, "%s ended with %d:\n%s\n", MODE_NAMES[fast], status,
                     child.Output().c_str());
        failed = true;
    }
    if (!imageName.empty()) {
        const std::vector<uint8_t> kept = board.UploadedImage();
        if (std::string(kept.begin(), kept.end()) != image) {
            std::fprintf(stderr, "%s: the image the board kept DIFFERS FROM the file\n",
                         MODE_NAMES[fast]);
            failed = true;
        }
    }
    return static_cast<double>(child.WallTime().count());
}

std::string Image(long bytes, std::string* name)
{
    std::string image;
    unsigned sum = 0;
    for (long i = 0; i < bytes; ++i) {
        image.push_back(static_cast<char>((i * 131 + 17) ^ (i >> 8)));
        sum += static_cast<unsigned char>(image.back());
    }
    char text[64];
    std::snprintf(text, sizeof text, "SU_Bench_CRC_%X.bin", sum);
    *name = text;
    return image;
}

struct LinkFigures {
    double exchangeMs[2];
    double waitingCpuPercent[2];
};

// The link in this process, against a board of its own.
bool MeasureLink(int exchanges, LinkFigures* figures)
{
    e2e::LaneFolder lane;
    testboard::TestBoard board;
    board.Set(REPLY_DELAY);
    board.Start(e2e::SU.name, lane.DeviceDir());
    for (const auto& [name, value] : lane.Environment()) setenv(name.c_str(), value.c_str(), 1);
    if (chdir(lane.BinDir().c_str()) != 0) return false;
    Plat_CreateDirectory("c:\\FirmwareUpdate");
    g_ProgramOptions.m_ConsoleDisplay = false;
    AccessProgramConfig();
    if (InitializeSecurityModule() != 0 || OpenSecurityModulePort6() != 0) return false;
    FlushReceivedPackets();
    for (int fast = 0; fast < 2; ++fast) {
        SetFastLink(fast != 0);
        std::vector<double> times;
        for (int i = 0; i < exchanges; ++i) {
            ModulePacket reply;
            const Clock::time_point start = Clock::now();
            if (StandardExchange('Z', '2', nullptr, 0, 10, &reply) != EXCHANGE_OK) failed = true;
            times.push_back(MsSince(start));
        }
        figures->exchangeMs[fast] = Median(times);

        const double cpuBefore = ProcessCpuMs();
        const Clock::time_point start = Clock::now();
        ModulePacket nothing;
        if (ReadPacketFromSecurityModule(&nothing, WAIT_COUNT)) failed = true;
        figures->waitingCpuPercent[fast] = (ProcessCpuMs() - cpuBefore) / MsSince(start) * 100.0;
    }
    SetFastLink(false);
    CloseSecurityModulePort6();
    CloseSecurityModule();
    return true;
}

void PrintRow(const char* what, const double (&ms)[2], const char* unit = "ms")
{
    std::printf("%-28s %12.3f %s %12.3f %s %9.1fx\n", what, ms[0], unit, ms[1], unit, ms[0] / ms[1]);
}

}  // namespace

int main(int argc, char** argv)
{
    const int startUps = argc > 1 ? std::atoi(argv[1]) : 5;
    const int exchanges = argc > 2 ? std::atoi(argv[2]) : 50;
    const long bytes = argc > 3 ? std::atol(argv[3]) : 65535;
    if (startUps < 1 || exchanges < 1 || bytes < 1 || bytes > 65535) {
        std::fprintf(stderr, "usage: %s [start-ups] [exchanges] [image bytes, 1 to 65535]\n", argv[0]);
        return 2;
    }
    LinkFigures link = {};
    if (!e2e::UnderWine() && !MeasureLink(exchanges, &link)) {
        std::fprintf(stderr, "the link did not start\n");
        return 1;
    }
    double startUp[2];
    double upload[2];
    std::string imageName;
    const std::string image = Image(bytes, &imageName);
    for (int fast = 0; fast < 2; ++fast) {
        std::vector<double> times;
        for (int i = 0; i < startUps; ++i) times.push_back(RunProgram({"-GetVersion"}, fast != 0));
        startUp[fast] = Median(times);
        upload[fast] =
            RunProgram({"-SecurityModuleUpload", "-InputFile", imageName}, fast != 0, imageName, image);
    }

    std::printf("%s against the emulated board, every reply %.0f ms late\n",
                e2e::UnderWine() ? "su_utility.exe under Wine, through the test driver," : "su_utility",
                REPLY_DELAY_MS);
    std::printf("%-28s %15s %15s %10s\n", "", MODE_NAMES[0], MODE_NAMES[1], "ratio");
    PrintRow("start-up, -GetVersion", startUp);
    if (!e2e::UnderWine()) PrintRow("one exchange", link.exchangeMs);
    char uploadLabel[64];
    std::snprintf(uploadLabel, sizeof uploadLabel, "upload, %ld bytes", bytes);
    PrintRow(uploadLabel, upload);
    if (!e2e::UnderWine()) {
        std::printf("%-28s %12.3f %% %12.3f %%   (of one core, over a %d ms empty wait)\n",
                    "processor while waiting", link.waitingCpuPercent[0], link.waitingCpuPercent[1],
                    WAIT_COUNT * 100);
        std::printf("fast exchange over the board's delay: %.3f ms; ",
                    link.exchangeMs[1] - REPLY_DELAY_MS);
    }
    std::printf("images %s\n", failed ? "or runs FAILED" : "equal the file");
    return failed ? 1 : 0;
}
