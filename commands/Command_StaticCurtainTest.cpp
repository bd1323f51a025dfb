// The static light-curtain test: "1" starts it in the board, a later "0"
// collects the results into the curtain dump file.
#include "commands/Command_ConveyorTests.h"

#include "commands/CurtainResults.h"
#include "link/Port6Session.h"
#include "link/ModuleRequest.h"
#include "link/securitymodule.h"
#include "link/securitymodule_commands.h"
#include "platform/Platform.h"
#include "trace/Trace.h"

#include <cstdio>

namespace {

const int SHOWN = TL_INFO | TF_CONSOLE;
const int RESULT_WAIT_COUNT = 250;
const char* const CURTAIN_DUMP_FILE = "c:\\FirmwareUpdate\\Curtain_Dump.txt";
const char* const RESULT_HEADER =
    "Low Diff/High Diff/Low No IR/High No IR/Low With IR/High With IR/Block Count/Block Value\n";

// Without the dump file the results go to the console only.
void PrintBoth(FILE* dump, const char* text)
{
    Plat_ConsolePrintf("%s", text);
    if (dump != nullptr) std::fputs(text, dump);
}

void SendCurtainRequest(char step)
{
    const char request[] = {'A', '6', step};
    if (WriteModuleRequest(request, sizeof request) != 0)
        TRACE(SHOWN, MODULE_COMMANDS, "ERROR 11: Writing Security Module data Failed.");
}

// Waits for the next result packet, dropping others. False after an empty
// wait. At the 100th packet the message is shown; a result in hand is used,
// anything else is dropped and the wait starts counting again.
bool IsCurtainResultPacket(const ModulePacket& packet) { return IsCurtainResult(&packet); }

bool WaitForCurtainResult(ModulePacket* packet)
{
    const ReplyRule rule = {0, 0, IsCurtainResultPacket, RESULT_WAIT_COUNT, 0};
    for (;;) {
        const int result = AwaitReply(rule, packet);
        if (result == EXCHANGE_OK) return true;
        ShowRequestFailure(result, {nullptr, "ERROR 10: Waiting for data timeout.",
                                    "ERROR 12: Security Module status timeout."});
        if (result == EXCHANGE_NO_REPLY) return false;
        if (IsCurtainResult(packet)) return true;
    }
}

void PrintCurtainResult(FILE* dump, const CurtainResult& result)
{
    char line[CURTAIN_LINE_SIZE];
    std::snprintf(line, sizeof line, "Total Scans %u\n\n", static_cast<unsigned>(result.totalScans));
    if (dump != nullptr) std::fputs(line, dump);
    if (result.sensor == CURTAIN_SENSOR_FP) Plat_ConsolePrintf("%s", line);
    FormatCurtainLabel(result.sensor, line, sizeof line);
    PrintBoth(dump, line);
    FormatCurtainValues(result, line, sizeof line);
    PrintBoth(dump, line);
}

// Collects one result set, up to and including the RTP sensor's packet; false
// when a wait failed first.
bool CollectCurtainResults()
{
    FILE* dump = Plat_OpenFile(CURTAIN_DUMP_FILE, "w");
    SendCurtainRequest('0');
    PrintBoth(dump, RESULT_HEADER);
    for (;;) {
        ModulePacket packet;
        if (!WaitForCurtainResult(&packet)) break;
        const CurtainResult result = TakeCurtainResult(&packet);
        PrintCurtainResult(dump, result);
        if (result.sensor == CURTAIN_SENSOR_RTP) {
            if (dump != nullptr) std::fclose(dump);
            return true;
        }
    }
    // What arrived before the wait failed is kept.
    if (dump != nullptr) std::fclose(dump);
    return false;
}

void PrintTimeOfTest()
{
    char date[16];
    char time[16];
    Plat_LocalDateText(date);
    Plat_LocalTimeText(time);
    Plat_ConsolePrintf("Time: %s %s\n\n", date, time);
}

}  // namespace

void StaticCurtainTest()
{
    Port6Session port6;
    if (!port6.IsOpen()) return;
    TRACE(SHOWN, MODULE_COMMANDS, "\n\nStatic Curtain Test.\n\n");
    Plat_ConsolePrintf("Press 1 to start new test or 0 to stop test and display results :");
    const char key = static_cast<char>(Plat_GetKey() & 0xFF);
    Plat_ConsolePrintf("%c\n\n", key);
    PrintTimeOfTest();
    if (key == '1') {
        // The board gathers curtain data until the results are asked for.
        SendCurtainRequest(key);
    } else if (key == '0' && !CollectCurtainResults()) {
        // A failed wait leaves the port open.
        port6.LeaveOpen();
    }
}
