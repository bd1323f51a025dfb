#include "frame/StartUp.h"

#include "frame/CommandLine.h"
#include "frame/MainSequence.h"
#include "frame/UsageSummary.h"
#include "base/TextUtil.h"
#include "base/Variant.h"
#include "link/securitymodule.h"
#include "platform/Platform.h"
#include "trace/Trace.h"

namespace {

enum { EXIT_FRAMEWORK_FAILED = 200, EXIT_LINK_FAILED = 202 };

// Capture files and dumps go here, at the root of the current drive.
const char* const FirmwareUpdateFolder = "\\FirmwareUpdate";

}  // namespace

int UtilityMain(int argc, char** argv)
{
    if (!Plat_FrameworkInit()) {
        Plat_ConsolePrintf("FATAL ERROR 1A: MFC initialization failed.\n");
        return EXIT_FRAMEWORK_FAILED;
    }
    // Answered before anything else is touched: no folder, no trace, no board.
    if (argc > 1 && EqualsIgnoreCase(argv[1], "-GetUtilityVersion")) {
        Plat_ConsolePrintf("\n%s\n", g_Variant.banner);
        return 0;
    }
    // Like the banner: a technician asking how to run the program changes nothing.
    if (argc > 1 && IsHelpRequest(argv[1])) {
        ShowUsageSummary();
        return 0;
    }
    // Usually there already; a failure shows up as a missing capture file.
    Plat_CreateDirectory(FirmwareUpdateFolder);
    ParseCommandLine(argc, argv);

    TRACE(TL_INFO | TF_CONSOLE, MODULE_COMMANDS, "Initializing Security Module..");
    if (InitializeSecurityModule() != 0) {
        // Not stopped: the driver never opened, so there is nothing to close.
        TRACE(TL_ERROR | TF_CONSOLE | TF_ALERT, MODULE_COMMANDS,
              "ERROR 1A, Initializing Security Module.");
        return EXIT_LINK_FAILED;
    }
    const int status = RunMainSequence();
    TRACE(TL_INFO, MODULE_COMMANDS, "Return Code %d", status);
    // Its own failure is traced by the link and does not change the status.
    CloseSecurityModule();
    return status;
}
