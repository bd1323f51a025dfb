// USB loop-back test: the board echoes numbered requests until a key is
// pressed; the counters show how the link is doing.
#include "commands/Command_ModuleService.h"

#include "commands/UsbLoopback.h"
#include "link/securitymodule.h"
#include "link/securitymodule_commands.h"
#include "platform/Platform.h"
#include "trace/Trace.h"

#include <cstring>

namespace {

const int SHOWN = TL_INFO | TF_CONSOLE;
const int LOOPBACK_WAIT_COUNT = 250;
const int MAX_READS_PER_ECHO = 100;

struct UsbTestCounters {
    int32_t sent;
    int32_t received;
    int32_t errors;
    int32_t zeroLength;
};

bool IsLoopbackEcho(const ModulePacket* packet)
{
    return packet->data[0] == 'z' && packet->data[1] == 'I';
}

// Reads until the echo comes or the 100th read; empty reads count too. The
// record holds the last read afterwards.
void WaitForEcho(ModulePacket* echo, UsbTestCounters* counters)
{
    for (int reads = 1;; ++reads) {
        std::memset(echo, 0, sizeof *echo);
        if (!ReadPacketFromSecurityModule(echo, LOOPBACK_WAIT_COUNT)) {
            TRACE(SHOWN, MODULE_COMMANDS, "ERROR 10: Waiting for data timeout.");
            CountOne(&counters->errors);
        }
        if (echo->DA == 0 || echo->DC == 0 || echo->DL == 0) CountOne(&counters->zeroLength);
        if (reads >= MAX_READS_PER_ECHO) {
            TRACE(SHOWN, MODULE_COMMANDS, "ERROR 12: Security Module status timeout.");
            CountOne(&counters->errors);
            return;
        }
        if (IsLoopbackEcho(echo)) return;
    }
}

void RunOneCycle(UsbTestCounters* counters)
{
    Plat_ConsolePrintf("Packets Sent %ld, Received %ld, Errors %ld, Zero Length %ld\r",
                       static_cast<long>(counters->sent), static_cast<long>(counters->received),
                       static_cast<long>(counters->errors), static_cast<long>(counters->zeroLength));
    ModulePacket request;
    BuildLoopbackRequest(&request, counters->sent);
    if (WritePacketToSecurityModule(&request) != 0) {
        TRACE(SHOWN, MODULE_COMMANDS, "ERROR 11: Writing Security Module data Failed.");
        CountOne(&counters->errors);
    }
    CountOne(&counters->sent);

    ModulePacket echo;
    WaitForEcho(&echo, counters);
    CountOne(&counters->received);
    for (int errors = CountEchoErrors(&echo, &request); errors > 0; --errors)
        CountOne(&counters->errors);
}

}  // namespace

void UsbTest()
{
    const Port6Session port6;
    if (!port6.IsOpen()) return;
    TRACE(SHOWN, MODULE_COMMANDS, "\n\nStarting USB test.\n\n");
    UsbTestCounters counters = {0, 0, 0, 0};
    while (!Plat_KeyHit()) RunOneCycle(&counters);
    Plat_GetKey();
    Plat_ConsolePrintf("\n\n");
}
