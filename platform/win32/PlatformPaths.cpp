// On Windows a path is opened as the program writes it: drive C: and the
// backslashes are the real ones.
#include "platform/Platform.h"

#include <cstring>

bool Plat_NativePath(const char* path, char* out, size_t outSize)
{
    size_t length = std::strlen(path);
    if (length + 1 > outSize) return false;
    std::memcpy(out, path, length + 1);
    return true;
}
