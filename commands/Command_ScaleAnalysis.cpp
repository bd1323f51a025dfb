// "Analyze Scale Data": how quiet the bagging scale is, counted over the
// readings of one run, per interval and in total.
#include "commands/Command_ScaleTest.h"

#include "commands/ScaleAnalysisRun.h"
#include "commands/ScaleStream.h"
#include "base/TextUtil.h"
#include "link/Port6Session.h"
#include "link/securitymodule_commands.h"
#include "platform/Platform.h"
#include "trace/Trace.h"

#include <cctype>
#include <cstdio>

namespace {

const int SHOWN = TL_INFO | TF_CONSOLE;
const int ESCAPE = 27;
const char LOG_FILE[] = "c:\\FirmwareUpdate\\AnalyzeData.txt";

int UpperKey(int key) { return std::toupper(key & 0xFF); }

// The interval in minutes (0: none); false when the answer begins with X.
bool AskInterval(int* minutes)
{
    Plat_ConsolePrintf("Enter Time Interval in minutes (enter 0 or blank for none) :");
    char line[80];
    Plat_GetLine(line, sizeof line);
    if (line[0] == 'X' || line[0] == 'x') return false;
    *minutes = DecimalValue(line);
    return true;
}

// Asks, reads one key and echoes it; whether it was Y.
bool AskYes(const char* question, const char* echoEnd)
{
    Plat_ConsolePrintf("%s", question);
    const int key = UpperKey(Plat_GetKey());
    Plat_ConsolePrintf("%c%s", key, echoEnd);
    return key == 'Y';
}

bool ExitKeyPressed()
{
    if (!Plat_KeyHit()) return false;
    const int key = UpperKey(Plat_GetKey());
    return key == 'X' || key == ESCAPE;
}

void StopStream()
{
    SendScaleCommand('5');
    SendScaleCommand('8');
}

// Polls until a reading arrives (true) or X or Escape is pressed (false).
bool WaitForFirstReading()
{
    for (;;) {
        if (ExitKeyPressed()) return false;
        if (PollScaleReading()) return true;
    }
}

void CloseLog(FILE* log)
{
    if (log != nullptr) std::fclose(log);
}

}  // namespace

void AnalyzeScaleData()
{
    ClearScreen();
    TRACE(SHOWN, MODULE_COMMANDS, "**** Analyze Scale values ****\n\n\n");
    Port6Session port6;
    if (!port6.IsOpen()) return;
    // Only a run that ends by its exit key closes the port.
    port6.LeaveOpen();
    RequestScaleConfig();
    int minutes = 0;
    if (!AskInterval(&minutes)) return;
    bool zeroEachInterval = false;
    FILE* log = nullptr;
    if (minutes != 0) {
        zeroEachInterval = AskYes("Zero values for each interval :", "\n");
        // A log that cannot be opened leaves logging off without a word.
        if (AskYes("Do you want to log this data :", "\n\n")) log = Plat_OpenFile(LOG_FILE, "w");
    }
    Plat_ConsolePrintf("Press the \"X\" key to exit.\n\n");
    Plat_ConsolePrintf("Press any key to start");
    if (UpperKey(Plat_GetKey()) == 'X') {
        CloseLog(log);
        return;
    }

    SendScaleCommand('5');
    SendScaleCommand('7');
    if (!WaitForFirstReading()) {
        StopStream();
        CloseLog(log);
        return;
    }
    ScaleAnalysisRun run;
    BeginScaleAnalysis(&run, &ScaleReadingBuffer, minutes, zeroEachInterval, log);
    while (!ExitKeyPressed())
        if (PollScaleReading()) CountScaleAnalysisReading(&run, &ScaleReadingBuffer);
    StopStream();
    port6.Close();
    EndScaleAnalysis(&run);
    Plat_ConsolePrintf("\n\n");
    PressAnyKeyToContinue();
}
