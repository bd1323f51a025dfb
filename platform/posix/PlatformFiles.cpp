#include "platform/Platform.h"
#include "platform/posix/PosixSupport.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

std::string PosixNativePath(const char* path)
{
    char native[4096];
    if (!Plat_NativePath(path, native, sizeof native)) return std::string();
    return std::string(native);
}

bool Plat_CreateDirectory(const char* path)
{
    std::string native = PosixNativePath(path);
    return !native.empty() && mkdir(native.c_str(), 0777) == 0;
}

bool Plat_MoveFileReplace(const char* from, const char* to)
{
    std::string source = PosixNativePath(from);
    std::string target = PosixNativePath(to);
    if (source.empty() || target.empty()) return false;
    return std::rename(source.c_str(), target.c_str()) == 0;
}

FILE* Plat_OpenFile(const char* path, const char* mode)
{
    std::string native = PosixNativePath(path);
    if (native.empty()) {
        errno = ENAMETOOLONG;
        return nullptr;
    }
    return std::fopen(native.c_str(), mode);
}

void Plat_LastErrorText(char* out, size_t size)
{
    if (size == 0) return;
    char buffer[128];
    // The GNU strerror_r, which may return a text of its own instead of
    // filling the buffer.
    const char* text = strerror_r(errno, buffer, sizeof buffer);
    std::snprintf(out, size, "%s", text);
}

long Plat_GetFileAttributes(const char* path)
{
    std::string native = PosixNativePath(path);
    struct stat info;
    if (native.empty() || stat(native.c_str(), &info) != 0) return -1;
    if (S_ISDIR(info.st_mode)) return 0x10;
    if (S_ISREG(info.st_mode)) return (info.st_mode & S_IWUSR) ? 0x20 : 0x21;
    return 0x40;
}
