#include "frame/UsageSummary.h"

#include "base/TextUtil.h"
#include "base/Variant.h"
#include "platform/Platform.h"

namespace {

// One switch a line, its value in angle brackets: the documentation check
// (scripts/documents.py switches) reads the switches from the printed summary.
const char* const usageText[] = {
    "Reads the board's identity, then runs the one command a switch selects (the",
    "last one given), or the menus when none does. Switches are matched without",
    "regard to letter case; a value is the next argument. An argument that is no",
    "switch ends the reading (a note on standard error names it).",
    "",
    "Commands:",
    "  -GetVersion                       show the board's identity",
    "  -SecurityModuleUpload             upload the firmware file of -InputFile",
    "  -SetSafetySwitchEnable            conveyor safety switches on (setting 1)",
    "  -SetSafetySwitchDisable           conveyor safety switches off (setting 0)",
    "  -SetSafetySwitchType0             safety switches off (setting 0)",
    "  -SetSafetySwitchType1             on, mechanical switches (setting 1)",
    "  -SetSafetySwitchType2             on, optical switches (setting 2)",
    "  -SetCurtainBreakWindow <number>   curtain break window: 10 to 255, 0 default",
    "  -SetFlatpackEnable                flatpack sensor on",
    "  -SetFlatpackDisable               flatpack sensor off",
    "  -SetEPSFlash                      all three EAS lights as flashing lane light",
    "  -SetTopEPSLL                      top EAS light as lane light",
    "  -SetEPSLLFlash                    both of the above, in that order",
    "  -SetEBoxRound02                   carousel E-Box weight rounding .02",
    "  -HardwareVersionRequest <path>    write the identity into that INI file",
    "Options:",
    "  -InputFile <path>                 the firmware file to upload",
    "  -SupressConsoleDisplay            nothing on the console, no acknowledging",
    "                                    (one \"p\" in Supress)",
    "  -SuppressAcknowledgeResults       the menus take X by themselves",
    "  -FastLink                         take each reply as it arrives; put it last",
    "  -GetUtilityVersion                first argument only: show the banner",
    "  -?, /?, -help, --help             first argument only: show this summary",
    "Accepted, changing nothing:",
    "  -AutoUpdate",
    "  -NoInternalFileChecksumCheck",
    "  -CreateSuccFile <path>",
    "  -OutputFile <path>",
    "  -InputFileChecksum <hex>",
    "  -UpLoadChecksum <hex>",
    "  -TargetType <text>",
    "  -MinSecurityModuleVersion <number>",
    "",
    "Exit status:",
    "  0    the command ran (a setting that failed says ERROR on the console),",
    "       the menus were left, or the banner or this summary was shown",
    "  1    a lane configuration value is invalid (see the capture file)",
    "  97   internal failure: a packet too long for the board's wire",
};

void ShowExitPair(int first, const char* firstMeaning, int second, const char* secondMeaning)
{
    Plat_ConsolePrintf("  %-3d  %-29s %-3d  %s\n", first, firstMeaning, second, secondMeaning);
}

}  // namespace

bool IsHelpRequest(const char* argument)
{
    return EqualsIgnoreCase(argument, "-?") || EqualsIgnoreCase(argument, "/?") ||
           EqualsIgnoreCase(argument, "-help") || EqualsIgnoreCase(argument, "--help");
}

void ShowUsageSummary()
{
    Plat_ConsolePrintf("\n%s\n\nUsage: %s [switch [value]]...\n", g_Variant.banner,
                       g_Variant.programName);
    for (const char* line : usageText) Plat_ConsolePrintf("%s\n", line);
    const UtilityVariant& v = g_Variant;
    ShowExitPair(v.exitPort6Open, "port 6 did not open", v.exitVersion, "the version request failed");
    ShowExitPair(v.exitChecksum, "the checksum request failed", v.exitModel, "the model request failed");
    ShowExitPair(v.exitPort6Close, "port 6 did not close", v.exitUploadFailed,
                 "the firmware upload failed");
    ShowExitPair(200, "the process did not start", 202, "the board's driver did not open");
    Plat_ConsolePrintf(
        "\nCapture file: C:\\FirmwareUpdate\\Utility01.Txt (earlier runs: Utility02 to\n"
        "Utility05). The full guide: docs/usage.md of the release; on Linux also\n"
        "man %s.\n",
        g_Variant.programName);
}
