// The listening socket a board holds in the device folder.
#ifndef EMULATOR_DEVICESOCKET_H
#define EMULATOR_DEVICESOCKET_H

#include <string>
#include <sys/types.h>

namespace emulator {

struct DeviceSocket {
    int fd = -1;
    std::string path;
    dev_t device = 0;  // identify the socket file, so that only our own
    ino_t inode = 0;   // file is removed
};

// Creates and listens on the socket. A socket file nobody listens on (left by
// a board that died) is replaced; a live one, or any other file, is an error.
bool ListenOnDeviceSocket(const std::string& path, DeviceSocket* socket, std::string* error);
// Stops listening and removes the socket file if it is still ours.
void CloseDeviceSocket(DeviceSocket* socket);

}  // namespace emulator

#endif
