// USB loop-back test: the board echoes numbered requests until a key is
// pressed; the counters show how the link is doing.
#include "commands/Command_ModuleService.h"

#include "commands/UsbLoopback.h"
#include "link/Port6Session.h"
#include "link/securitymodule.h"
#include "link/securitymodule_commands.h"
#include "platform/Platform.h"
#include "trace/Trace.h"

namespace {

const int SHOWN = TL_INFO | TF_CONSOLE;
const int LOOPBACK_WAIT_COUNT = 250;

struct UsbTestCounters {
    int32_t sent;
    int32_t received;
    int32_t errors;
    int32_t zeroLength;
};

void CountRead(const ModulePacket& packet, bool empty, void* context)
{
    UsbTestCounters* counters = static_cast<UsbTestCounters*>(context);
    if (empty) {
        TRACE(SHOWN, MODULE_COMMANDS, "ERROR 10: Waiting for data timeout.");
        CountOne(&counters->errors);
    }
    if (packet.DA == 0 || packet.DC == 0 || packet.DL == 0) CountOne(&counters->zeroLength);
}

// An empty read does not end the wait for the echo; every read is counted.
// The record holds the last read afterwards.
void WaitForEcho(ModulePacket* echo, UsbTestCounters* counters)
{
    const ReplyRule echoRule = {'z', 'I', nullptr, LOOPBACK_WAIT_COUNT, 0};
    if (AwaitReplyThroughEmptyWaits(echoRule, {CountRead, counters}, echo) != EXCHANGE_TOO_MANY) return;
    TRACE(SHOWN, MODULE_COMMANDS, "ERROR 12: Security Module status timeout.");
    CountOne(&counters->errors);
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
