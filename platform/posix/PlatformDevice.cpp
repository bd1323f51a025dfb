// The board's kernel driver off Windows: a SOCK_SEQPACKET Unix socket in
// SECMODULE_DEVICE_DIR, held by whatever stands in for the board. Every
// message begins with a tag byte; each open is its own connection.
#include "platform/Platform.h"
#include "platform/posix/PosixSupport.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <sys/uio.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// System error codes the layer reports itself (their Windows meanings).
const unsigned long ERROR_FILE_NOT_FOUND_CODE = 2;
const unsigned long ERROR_BROKEN_PIPE_CODE = 32;
const unsigned long ERROR_FILENAME_TOO_LONG_CODE = 36;

const int OPEN_ANSWER_TIMEOUT_MS = 5000;

// Largest read result handed over: the rest of a longer message is only
// counted.
const unsigned DEVICE_READ_LIMIT = 64;

std::string DevicePath(const char* deviceName)
{
    std::string folder = PosixEnv("SECMODULE_DEVICE_DIR");
    if (folder.empty()) folder = "/tmp";
    const char* name = std::strrchr(deviceName, '\\');
    name = name != nullptr ? name + 1 : deviceName;
    return folder + "/" + name;
}

// Waits for one message; its length, 0 when the board closed the
// connection, -1 on timeout or error (errno set).
ssize_t ReceiveWithin(int socketFd, void* buffer, size_t size, int timeoutMs)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() < 0) left = std::chrono::milliseconds(0);
        struct pollfd waiting = {socketFd, POLLIN, 0};
        int ready = poll(&waiting, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0) return -1;
        if (ready == 0) {
            errno = ETIMEDOUT;
            return -1;
        }
        ssize_t received = recv(socketFd, buffer, size, 0);
        if (received < 0 && errno == EINTR) continue;
        return received;
    }
}

// The board's answer to an open: 0 when opened, else the code to report.
unsigned long OpenAnswer(int socketFd)
{
    unsigned char answer[16];
    ssize_t received = ReceiveWithin(socketFd, answer, sizeof answer, OPEN_ANSWER_TIMEOUT_MS);
    if (received == 1 && answer[0] == 'O') return 0;
    if (received == 5 && answer[0] == 'E') {
        unsigned long code = static_cast<unsigned long>(answer[1]) |
                             static_cast<unsigned long>(answer[2]) << 8 |
                             static_cast<unsigned long>(answer[3]) << 16 |
                             static_cast<unsigned long>(answer[4]) << 24;
        // A refusal must never read as success.
        return code != 0 ? code : ERROR_FILE_NOT_FOUND_CODE;
    }
    // Closed, silent, or an answer the contract does not know.
    return ERROR_FILE_NOT_FOUND_CODE;
}

PlatDevice SocketOpen(const char* deviceName, int access, unsigned long* errorCode)
{
    std::string path = DevicePath(deviceName);
    struct sockaddr_un address;
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) {
        *errorCode = ERROR_FILENAME_TOO_LONG_CODE;
        return PLAT_INVALID_DEVICE;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);

    int socketFd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    if (socketFd < 0) {
        *errorCode = static_cast<unsigned long>(errno);
        return PLAT_INVALID_DEVICE;
    }
    int connected;
    do {
        connected = connect(socketFd, reinterpret_cast<struct sockaddr*>(&address), sizeof address);
    } while (connected != 0 && errno == EINTR);
    if (connected != 0) {
        *errorCode = static_cast<unsigned long>(errno);
        close(socketFd);
        return PLAT_INVALID_DEVICE;
    }

    const char request = (access & PLAT_DEVICE_READ) != 0 ? 'R' : 'W';
    unsigned long refusal = ERROR_FILE_NOT_FOUND_CODE;
    if (send(socketFd, &request, 1, MSG_NOSIGNAL) == 1) refusal = OpenAnswer(socketFd);
    if (refusal != 0) {
        *errorCode = refusal;
        close(socketFd);
        return PLAT_INVALID_DEVICE;
    }
    return static_cast<PlatDevice>(socketFd);
}

// Sends the tag and the header bytes, then the body, as one message.
bool SendMessage(PlatDevice device, const void* header, size_t headerSize, const void* body,
                 size_t bodySize, unsigned long* errorCode)
{
    struct iovec parts[2];
    parts[0].iov_base = const_cast<void*>(header);
    parts[0].iov_len = headerSize;
    parts[1].iov_base = const_cast<void*>(body);
    parts[1].iov_len = body != nullptr ? bodySize : 0;
    struct msghdr message;
    std::memset(&message, 0, sizeof message);
    message.msg_iov = parts;
    message.msg_iovlen = 2;
    ssize_t sent;
    do {
        sent = sendmsg(static_cast<int>(device), &message, MSG_NOSIGNAL);
    } while (sent < 0 && errno == EINTR);
    if (sent < 0) {
        *errorCode = static_cast<unsigned long>(errno);
        return false;
    }
    return true;
}

bool SocketWrite(PlatDevice device, const void* buffer, unsigned size, unsigned* written,
                 unsigned long* errorCode)
{
    *written = 0;
    const unsigned char tag = 'D';
    if (!SendMessage(device, &tag, 1, buffer, size, errorCode)) return false;
    *written = size;
    return true;
}

bool SocketControl(PlatDevice device, unsigned long code, void* outBuffer, unsigned outSize,
                   unsigned long* errorCode)
{
    const unsigned char header[5] = {
        'C',
        static_cast<unsigned char>(code & 0xFF),
        static_cast<unsigned char>((code >> 8) & 0xFF),
        static_cast<unsigned char>((code >> 16) & 0xFF),
        static_cast<unsigned char>((code >> 24) & 0xFF),
    };
    return SendMessage(device, header, sizeof header, outBuffer, outSize, errorCode);
}

bool SocketRead(PlatDevice device, void* buffer, unsigned size, unsigned* count,
                unsigned long* errorCode)
{
    *count = 0;
    unsigned char message[1 + DEVICE_READ_LIMIT];
    for (;;) {
        // MSG_TRUNC makes the receive report the whole message length, so an
        // over-long packet is seen for what it is.
        ssize_t received = recv(static_cast<int>(device), message, sizeof message, MSG_TRUNC);
        if (received < 0 && errno == EINTR) continue;
        if (received < 0) {
            *errorCode = static_cast<unsigned long>(errno);
            return false;
        }
        if (received == 0) {
            *errorCode = ERROR_BROKEN_PIPE_CODE;
            return false;
        }
        // Only read results travel this way; anything else is not a read.
        if (message[0] != 'P') continue;
        unsigned length = static_cast<unsigned>(received - 1);
        unsigned delivered = length;
        if (delivered > DEVICE_READ_LIMIT) delivered = DEVICE_READ_LIMIT;
        if (delivered > size) delivered = size;
        std::memcpy(buffer, message + 1, delivered);
        *count = length;
        return true;
    }
}

const PlatDeviceOps socketDevice = {SocketOpen, SocketRead, SocketWrite, SocketControl};

}  // namespace

const PlatDeviceOps* Plat_NativeDevice() { return &socketDevice; }
