#include "platform/Platform.h"
#include "platform/posix/PosixSupport.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

bool Plat_FrameworkInit()
{
    // A process whose current directory was removed cannot resolve the
    // relative paths of the lane's configuration.
    char path[PATH_MAX];
    if (getcwd(path, sizeof path) == nullptr) return false;
    Plat_NativeConsole();
    return true;
}

void Plat_ExitNow(int status)
{
    std::fflush(stdout);
    PosixRestoreTerminal();
    std::_Exit(status);
}
