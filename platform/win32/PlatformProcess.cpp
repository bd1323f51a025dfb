#include "platform/Platform.h"

#include <cstdio>
#include <cstdlib>
#include <windows.h>

bool Plat_FrameworkInit()
{
    // The lane's configuration is found relative to the current directory.
    char path[MAX_PATH + 1];
    DWORD length = GetCurrentDirectoryA(sizeof path, path);
    if (length == 0 || length > sizeof path) return false;
    Plat_NativeConsole();
    return true;
}

void Plat_ExitNow(int status)
{
    std::fflush(stdout);
    std::_Exit(status);
}
