// "Display/Capture Scale Values": the scale's readings live on the console,
// and on request in the dump file.
#include "commands/Command_ScaleTest.h"

#include "commands/ScaleDisplay.h"
#include "commands/ScaleStream.h"
#include "link/Port6Session.h"
#include "link/securitymodule_commands.h"
#include "platform/Platform.h"
#include "trace/Trace.h"

#include <cctype>

namespace {

const int SHOWN = TL_INFO | TF_CONSOLE;
const int ESCAPE = 27;
const int PORT6_OPEN_FAILED = 75;

int UpperKey(int key) { return std::toupper(key & 0xFF); }

void ShowKeyHelp()
{
    Plat_ConsolePrintf("Active Keys:\n");
    Plat_ConsolePrintf("N - Normal Display, show only new Stable and Unstable readings.\n");
    Plat_ConsolePrintf("C - Continuous Display, Show all readings\n");
    Plat_ConsolePrintf("1 - Avg Weight, 2 - Filter 1 weight, 3 - Direct ADC, 4 - Noise\n");
    Plat_ConsolePrintf("H - show Hex number, D - Decimal\n");
    Plat_ConsolePrintf("F - Start File Capture to \"C:\\FirmwareUpdate\\ScaleDump.txt\"\n");
    Plat_ConsolePrintf("E - End File Capture\n");
    Plat_ConsolePrintf("X - Exit Test\n");
    Plat_ConsolePrintf("\nPress any key to start");
}

// Acts on a waiting key; true when it ends the test. The keys 1 to 4, H and
// D are listed in the help but change nothing.
bool HandleKey()
{
    if (!Plat_KeyHit()) return false;
    switch (UpperKey(Plat_GetKey())) {
    case 'X':
    case ESCAPE: return true;
    case 'N': SetScaleDisplayMode(SCALE_DISPLAY_NORMAL); break;
    case 'C': SetScaleDisplayMode(SCALE_DISPLAY_CONTINUOUS); break;
    case 'F': StartScaleCapture(); break;
    case 'E': EndScaleCapture(); break;
    default: break;
    }
    return false;
}

}  // namespace

int ScaleTest()
{
    ClearScreen();
    TRACE(SHOWN, MODULE_COMMANDS, "Scale Test/Dump values\n\n");
    Port6Session port6;
    if (!port6.IsOpen()) return PORT6_OPEN_FAILED;
    RequestScaleConfig();
    SetScaleDisplayMode(SCALE_DISPLAY_NORMAL);
    ShowKeyHelp();
    const int key = UpperKey(Plat_GetKey());
    if (key == 'X' || key == ESCAPE) {
        port6.LeaveOpen();
        return 0;
    }

    Plat_ConsolePrintf("\n\nAvg Weight   Filter 1   ADC   Noise\n\n");
    SendScaleCommand('5');
    SendScaleCommand('7');
    while (!HandleKey())
        if (PollScaleReading()) ShowScaleReading(&ScaleReadingBuffer);
    SendScaleCommand('5');
    SendScaleCommand('8');
    StopScaleCapture();
    return 0;
}
