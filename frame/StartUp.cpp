#include "frame/StartUp.h"

#include "frame/TextUtil.h"
#include "frame/Variant.h"
#include "platform/Platform.h"

int UtilityMain(int argc, char** argv)
{
    if (!Plat_FrameworkInit()) {
        Plat_ConsolePrintf("FATAL ERROR 1A: MFC initialization failed.\n");
        return 200;
    }
    // Answered before anything else is touched: no folder, no trace, no board.
    if (argc > 1 && EqualsIgnoreCase(argv[1], "-GetUtilityVersion")) {
        Plat_ConsolePrintf("\n%s\n", g_Variant.banner);
        return 0;
    }
    return 0;
}
