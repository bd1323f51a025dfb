#include "emulator/DeviceSocket.h"

#include "emulator/SystemError.h"

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace emulator {

namespace {

bool MakeAddress(const std::string& path, struct sockaddr_un* address)
{
    std::memset(address, 0, sizeof *address);
    address->sun_family = AF_UNIX;
    if (path.size() >= sizeof address->sun_path) return false;
    std::memcpy(address->sun_path, path.c_str(), path.size() + 1);
    return true;
}

// True when something answers a connect on the path.
bool SomeoneListens(const struct sockaddr_un& address)
{
    int probe = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    if (probe < 0) return false;
    bool live = connect(probe, reinterpret_cast<const struct sockaddr*>(&address), sizeof address) == 0;
    close(probe);
    return live;
}

// Removes a socket file left behind by a board that is gone.
bool RemoveStaleSocket(const std::string& path, const struct sockaddr_un& address, std::string* error)
{
    struct stat info;
    if (lstat(path.c_str(), &info) != 0) return true;
    if (!S_ISSOCK(info.st_mode)) {
        *error = path + " exists and is not a socket";
        return false;
    }
    if (SomeoneListens(address)) {
        *error = "another board is already serving on " + path;
        return false;
    }
    unlink(path.c_str());
    return true;
}

}  // namespace

bool ListenOnDeviceSocket(const std::string& path, DeviceSocket* result, std::string* error)
{
    struct sockaddr_un address;
    if (!MakeAddress(path, &address)) {
        *error = "the socket path is too long for a Unix socket: " + path;
        return false;
    }
    if (!RemoveStaleSocket(path, address, error)) return false;
    int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        *error = std::string("cannot create a socket: ") + SystemErrorText(errno);
        return false;
    }
    if (bind(fd, reinterpret_cast<struct sockaddr*>(&address), sizeof address) != 0 ||
        listen(fd, 16) != 0) {
        *error = "cannot listen on " + path + ": " + SystemErrorText(errno);
        close(fd);
        return false;
    }
    struct stat info;
    std::memset(&info, 0, sizeof info);
    stat(path.c_str(), &info);
    result->fd = fd;
    result->path = path;
    result->device = info.st_dev;
    result->inode = info.st_ino;
    return true;
}

void CloseDeviceSocket(DeviceSocket* socket)
{
    if (socket->fd < 0) return;
    close(socket->fd);
    socket->fd = -1;
    struct stat info;
    if (lstat(socket->path.c_str(), &info) == 0 && info.st_dev == socket->device &&
        info.st_ino == socket->inode)
        unlink(socket->path.c_str());
}

}  // namespace emulator
