// The files behind the profile calls: program paths mapped as every other
// file's, a link followed, and a write that replaces the file as a whole,
// keeping its owner and permissions.
#include "platform/IniText.h"
#include "platform/ProfileFiles.h"
#include "platform/posix/PosixSupport.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::atomic<unsigned> tempCounter{0};

// A link is followed: the file it names is the one replaced.
bool ResolveTarget(const std::string& native, std::string* target)
{
    struct stat link;
    if (lstat(native.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) {
        *target = native;
        return true;
    }
    char* resolved = realpath(native.c_str(), nullptr);
    if (resolved == nullptr) return false;
    *target = resolved;
    std::free(resolved);
    return true;
}

std::string FolderOf(const std::string& path)
{
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// A new, empty file beside the target (rename only works within one file
// system); -1 when none can be made there.
int CreateTempBeside(const std::string& target, std::string* tempPath)
{
    const std::string stem = FolderOf(target) + "/.profile-" + std::to_string(getpid()) + "-";
    for (int attempt = 0; attempt < 100; ++attempt) {
        *tempPath = stem + std::to_string(tempCounter.fetch_add(1)) + ".tmp";
        int fd = open(tempPath->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

bool WriteAll(int fd, const std::string& text)
{
    size_t done = 0;
    while (done < text.size()) {
        ssize_t count = write(fd, text.data() + done, text.size() - done);
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) return false;
        done += static_cast<size_t>(count);
    }
    return true;
}

// The old file's owner and permissions go to its replacement.
bool KeepAttributes(int fd, const struct stat& old)
{
    if (fchown(fd, old.st_uid, old.st_gid) != 0) {
        // Only a privileged process may give a file away; the mode still holds.
    }
    return fchmod(fd, old.st_mode & 07777) == 0;
}

bool ReplaceWhole(const std::string& target, const std::string& text, const struct stat* old)
{
    std::string tempPath;
    int fd = CreateTempBeside(target, &tempPath);
    if (fd < 0) return false;
    bool written = WriteAll(fd, text);
    if (written && old != nullptr) written = KeepAttributes(fd, *old);
    written = written && fsync(fd) == 0;
    written = (close(fd) == 0) && written;
    written = written && std::rename(tempPath.c_str(), target.c_str()) == 0;
    if (!written) unlink(tempPath.c_str());
    return written;
}

// Windows refuses to write a read-only file; the owner's write bit decides,
// whoever runs the program.
bool MayRewrite(const std::string& target, const struct stat& info)
{
    return S_ISREG(info.st_mode) && (info.st_mode & S_IWUSR) != 0 && access(target.c_str(), W_OK) == 0;
}

}  // namespace

bool ProfileReadFile(const char* file, std::string* text)
{
    std::string native = PosixNativePath(file);
    return !native.empty() && PosixReadWholeFile(native, text);
}

bool ProfileWriteValue(const char* file, const char* section, const char* key, const char* value)
{
    std::string native = PosixNativePath(file);
    std::string target;
    if (native.empty() || !ResolveTarget(native, &target)) return false;
    std::string text;
    struct stat old;
    bool exists = stat(target.c_str(), &old) == 0;
    if (exists) {
        if (!MayRewrite(target, old) || !PosixReadWholeFile(target, &text)) return false;
    } else if (errno != ENOENT) {
        return false;
    }
    return ReplaceWhole(target, IniSetValue(text, section, key, value), exists ? &old : nullptr);
}
