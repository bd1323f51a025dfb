#include "commands/ScaleDisplay.h"

#include "commands/ScaleValues.h"
#include "platform/Platform.h"
#include "trace/Trace.h"

#include <cstdio>
#include <cstring>

namespace {

const int SHOWN = TL_INFO | TF_CONSOLE;
const char DUMP_FILE[] = "c:\\FirmwareUpdate\\ScaleDump.txt";

int displayMode = SCALE_DISPLAY_NORMAL;
bool unstableSeen = true;
unsigned stablesNotShown = 0;
FILE* dumpFile = nullptr;  // capture is on while it is open

void ShowReadingLine(const ModulePacket* reading)
{
    char line[160];
    FormatScaleReadingLine(reading, line, sizeof line);
    Plat_ConsoleWrite(line, std::strlen(line));
    if (!(ScaleFlags(reading) & SCALE_FLAG_UNSTABLE)) stablesNotShown = 0;
}

void CaptureReading(const ModulePacket* reading)
{
    char line[64];
    FormatScaleDumpLine(reading, line, sizeof line);
    std::fputs(line, dumpFile);
}

}  // namespace

void SetScaleDisplayMode(int mode) { displayMode = mode; }

void ShowScaleReading(const ModulePacket* reading)
{
    const bool unstable = (ScaleFlags(reading) & SCALE_FLAG_UNSTABLE) != 0;
    if (unstable) unstableSeen = true;
    if (displayMode == SCALE_DISPLAY_CONTINUOUS || unstable) {
        ShowReadingLine(reading);
    } else if (unstableSeen) {
        // The first stable reading after unstable ones.
        ShowReadingLine(reading);
        unstableSeen = false;
    } else {
        ++stablesNotShown;
        Plat_ConsolePrintf("%u - Stables\r", stablesNotShown);
    }
    if (dumpFile != nullptr) CaptureReading(reading);
}

void StartScaleCapture()
{
    if (dumpFile != nullptr) return;
    TRACE(SHOWN, MODULE_COMMANDS, "Opening ScaleDump.txt");
    dumpFile = Plat_OpenFile(DUMP_FILE, "w");
    if (dumpFile == nullptr) TRACE(SHOWN, MODULE_COMMANDS, "ERROR 01: Can not open ScaleDump.txt file");
}

void EndScaleCapture()
{
    TRACE(SHOWN, MODULE_COMMANDS, "Capture file closed");
    StopScaleCapture();
}

void StopScaleCapture()
{
    if (dumpFile != nullptr) std::fclose(dumpFile);
    dumpFile = nullptr;
}
