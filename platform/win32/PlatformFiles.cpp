#include "platform/Platform.h"

#include <cstdio>
#include <windows.h>

bool Plat_CreateDirectory(const char* path) { return CreateDirectoryA(path, nullptr) != 0; }

bool Plat_MoveFileReplace(const char* from, const char* to)
{
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING) != 0;
}

FILE* Plat_OpenFile(const char* path, const char* mode) { return std::fopen(path, mode); }

long Plat_GetFileAttributes(const char* path)
{
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return -1;
    return static_cast<long>(attributes);
}
