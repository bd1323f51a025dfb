#include "platform/Platform.h"
#include "platform/posix/PosixSupport.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
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

bool PosixReadWholeFile(const std::string& path, std::string* text)
{
    // Non-blocking, so that a pipe in the file's place cannot hold the caller.
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    // Only a plain file is a profile: a folder or a pipe is not read.
    struct stat info;
    int error = 0;
    if (fstat(fd, &info) != 0)
        error = errno;
    else if (!S_ISREG(info.st_mode))
        error = EISDIR;
    if (error != 0) {
        close(fd);
        errno = error;
        return false;
    }
    text->clear();
    char chunk[4096];
    for (;;) {
        ssize_t count = read(fd, chunk, sizeof chunk);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) {
            error = errno;
            close(fd);
            errno = error;
            return false;
        }
        if (count == 0) break;
        text->append(chunk, static_cast<size_t>(count));
    }
    close(fd);
    return true;
}
