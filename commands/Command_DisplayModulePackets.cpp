// Prints every packet the board sends until a key is pressed.
#include "commands/Command_ConveyorTests.h"

#include "commands/ModulePacketLine.h"
#include "link/Port6Session.h"
#include "link/securitymodule.h"
#include "link/securitymodule_commands.h"
#include "platform/Platform.h"
#include "trace/Trace.h"

namespace {

const int PACKET_WAIT_COUNT = 250;

}  // namespace

// A key is noticed only between reads; it stays for the menu.
void DisplayModulePacketsTest()
{
    const Port6Session port6;
    if (!port6.IsOpen()) return;
    TRACE(TL_INFO | TF_CONSOLE, MODULE_COMMANDS, "\n\nStarting Display ORBA Packets Test.\n\n");
    Plat_ConsolePrintf("Press any key to exit test");
    Plat_ConsolePrintf("\n\n");
    while (!Plat_KeyHit()) {
        ModulePacket packet;
        if (!ReadPacketFromSecurityModule(&packet, PACKET_WAIT_COUNT)) continue;
        char line[MODULE_PACKET_LINE_SIZE];
        const size_t length = FormatModulePacketLine(&packet, line, sizeof line);
        Plat_ConsoleWrite(line, length);
    }
    Plat_ConsolePrintf("\n\nDone");
}
