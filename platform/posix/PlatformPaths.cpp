// Drive letters and backslashes stand for folders below SECMODULE_ROOT.
#include "platform/Platform.h"
#include "platform/posix/PosixSupport.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <pwd.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A service account started without HOME still has a home folder.
std::string HomeFolder()
{
    std::string home = PosixEnv("HOME");
    if (!home.empty()) return home;
    struct passwd entry;
    struct passwd* found = nullptr;
    char text[4096];
    if (getpwuid_r(getuid(), &entry, text, sizeof text, &found) == 0 && found != nullptr &&
        found->pw_dir != nullptr)
        return found->pw_dir;
    return std::string();
}

std::string DriveRoot()
{
    std::string root = PosixEnv("SECMODULE_ROOT");
    if (!root.empty()) return root;
    return HomeFolder() + "/.secmodule/drive_c";
}

// mkdir -p; an existing folder is fine.
void CreateFolders(const std::string& path)
{
    size_t start = 0;
    while (start <= path.size()) {
        size_t slash = path.find('/', start);
        if (slash == std::string::npos) slash = path.size();
        const std::string partial = path.substr(0, slash);
        if (!partial.empty()) mkdir(partial.c_str(), 0777);
        start = slash + 1;
    }
}

}  // namespace

std::string PosixEnv(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

bool Plat_NativePath(const char* path, char* out, size_t outSize)
{
    if (path == nullptr || out == nullptr) return false;
    std::string result;
    const char* rest = path;
    bool belowRoot = false;
    if (std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':') {
        rest = path + 2;
        belowRoot = true;
    } else if (path[0] == '\\') {
        belowRoot = true;
    }
    std::string tail(rest);
    for (char& c : tail)
        if (c == '\\') c = '/';
    if (belowRoot) {
        std::string root = DriveRoot();
        struct stat info;
        if (stat(root.c_str(), &info) != 0) CreateFolders(root);
        if (!tail.empty() && tail[0] != '/') tail.insert(tail.begin(), '/');
        result = root + tail;
    } else {
        result = tail;
    }
    if (result.size() + 1 > outSize) return false;
    std::memcpy(out, result.c_str(), result.size() + 1);
    return true;
}
