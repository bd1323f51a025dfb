#include "link/Port6Session.h"

#include "link/securitymodule_commands.h"
#include "trace/Trace.h"

namespace {

const char* const PORT6_OPEN_FAILED_TEXT = "ERROR 1B: Can not open port 6.";

bool OpenPort6OrShow(const char* openFailedText)
{
    if (OpenSecurityModulePort6() == 0) return true;
    TRACE(TL_INFO | TF_CONSOLE, MODULE_COMMANDS, "%s", openFailedText);
    return false;
}

}  // namespace

Port6Session::Port6Session() : Port6Session(PORT6_OPEN_FAILED_TEXT) {}

Port6Session::Port6Session(const char* openFailedText) : open(OpenPort6OrShow(openFailedText)) {}

Port6Session::~Port6Session()
{
    if (closeAtEnd) Close();
}

void Port6Session::Close()
{
    if (!open) return;
    open = false;
    CloseSecurityModulePort6();
}
