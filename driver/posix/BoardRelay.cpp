// board-relay: lets a program that cannot reach a Unix socket (a Windows
// program under Wine) reach the board device sockets of a folder over TCP on
// the loopback interface.
//
// Each TCP connection stands for one open of a board device. Every message
// crosses TCP as a frame: a 32-bit little-endian length, then the bytes. The
// first frame names the device ("SecModuleDevice0"); the relay connects to
// that socket in the device folder, exactly as a utility does, and from then
// on hands every frame to the board as one message and every board message
// back as one frame, whatever it holds. When either side closes, the relay
// closes the other.
//
// Usage: board-relay DEVICE_DIR [PORT]
// Prints "board-relay: port N" once it listens (PORT 0 or none: any free
// port), and serves until SIGINT or SIGTERM.
#include "driver/RelayFrames.h"

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <pthread.h>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

volatile sig_atomic_t stopRequested = 0;

void RequestStop(int) { stopRequested = 1; }

long SendSome(int fd, const unsigned char* bytes, size_t size)
{
    for (;;) {
        const ssize_t done = send(fd, bytes, size, MSG_NOSIGNAL);
        if (done >= 0 || errno != EINTR) return done;
    }
}

long ReceiveSome(int fd, unsigned char* bytes, size_t size)
{
    for (;;) {
        const ssize_t done = recv(fd, bytes, size, 0);
        if (done >= 0 || errno != EINTR) return done;
    }
}

bool SendFrame(int fd, const unsigned char* bytes, size_t size)
{
    return relay::SendFrame(
        [fd](const unsigned char* part, size_t partSize) { return SendSome(fd, part, partSize); }, bytes,
        size);
}

bool ReceiveFrame(int fd, std::vector<unsigned char>* frame)
{
    return relay::ReceiveFrame(
        [fd](unsigned char* part, size_t partSize) { return ReceiveSome(fd, part, partSize); }, frame);
}

// The device name must name a socket in the folder, nothing outside it.
bool PlainName(const std::string& name)
{
    return !name.empty() && name.find('/') == std::string::npos && name != "." && name != "..";
}

// Connects to the board's socket; -1 with errno set when it cannot.
int ConnectBoard(const std::string& deviceDir, const std::string& name)
{
    const std::string path = deviceDir + "/" + name;
    struct sockaddr_un address;
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) {
        errno = ENAMETOOLONG;
        return -1;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int board = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    if (board < 0) return -1;
    int connected;
    do {
        connected = connect(board, reinterpret_cast<struct sockaddr*>(&address), sizeof address);
    } while (connected != 0 && errno == EINTR);
    if (connected != 0) {
        const int error = errno;
        close(board);
        errno = error;
        return -1;
    }
    return board;
}

// A failed connect is a failed open with errno as its code, as the board
// would have refused it.
void RefuseOpen(int client, int error)
{
    unsigned char answer[5] = {'E'};
    relay::PutFrameLength(answer + 1, static_cast<uint32_t>(error));
    SendFrame(client, answer, sizeof answer);
}

// Moves messages both ways until one side closes.
void Pass(int client, int board)
{
    std::vector<unsigned char> message(relay::MAX_FRAME_SIZE);
    std::vector<unsigned char> frame;
    struct pollfd ends[2] = {{client, POLLIN, 0}, {board, POLLIN, 0}};
    for (;;) {
        if (poll(ends, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (ends[0].revents != 0) {
            if (!ReceiveFrame(client, &frame)) return;
            if (send(board, frame.data(), frame.size(), MSG_NOSIGNAL) < 0) return;
        }
        if (ends[1].revents != 0) {
            const ssize_t received = recv(board, message.data(), message.size(), 0);
            if (received < 0 && errno == EINTR) continue;
            // Zero bytes: the board hung up (an empty read result is "P").
            if (received <= 0) return;
            if (!SendFrame(client, message.data(), static_cast<size_t>(received))) return;
        }
    }
}

void Serve(int client, const std::string& deviceDir)
{
    const int noDelay = 1;
    setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof noDelay);
    std::vector<unsigned char> name;
    if (ReceiveFrame(client, &name)) {
        const std::string device(name.begin(), name.end());
        const int board = PlainName(device) ? ConnectBoard(deviceDir, device) : -1;
        if (board < 0) {
            RefuseOpen(client, PlainName(device) ? errno : ENOENT);
        } else {
            Pass(client, board);
            close(board);
        }
    }
    close(client);
}

int Listen(unsigned port)
{
    const int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener < 0) return -1;
    const int reuse = 1;
    setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
    struct sockaddr_in address;
    std::memset(&address, 0, sizeof address);
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    if (bind(listener, reinterpret_cast<struct sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener, 16) != 0) {
        close(listener);
        return -1;
    }
    return listener;
}

unsigned BoundPort(int listener)
{
    struct sockaddr_in address;
    socklen_t size = sizeof address;
    std::memset(&address, 0, sizeof address);
    getsockname(listener, reinterpret_cast<struct sockaddr*>(&address), &size);
    return ntohs(address.sin_port);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: board-relay DEVICE_DIR [PORT]\n");
        return 2;
    }
    const std::string deviceDir = argv[1];
    const unsigned long port = argc == 3 ? std::strtoul(argv[2], nullptr, 10) : 0;
    const int listener = port <= 65535 ? Listen(static_cast<unsigned>(port)) : -1;
    if (listener < 0) {
        std::perror("board-relay: cannot listen");
        return 1;
    }
    struct sigaction stop;
    std::memset(&stop, 0, sizeof stop);
    stop.sa_handler = RequestStop;  // no SA_RESTART: the accept below returns
    sigaction(SIGINT, &stop, nullptr);
    sigaction(SIGTERM, &stop, nullptr);

    std::printf("board-relay: port %u\n", BoundPort(listener));
    std::fflush(stdout);
    while (stopRequested == 0) {
        const int client = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) continue;
        // Each open lives as long as its program keeps it; the process
        // ending closes whatever is left. The stop signals are the accept's
        // alone: a serving thread that took one would leave it waiting.
        sigset_t stops;
        sigset_t before;
        sigemptyset(&stops);
        sigaddset(&stops, SIGINT);
        sigaddset(&stops, SIGTERM);
        pthread_sigmask(SIG_BLOCK, &stops, &before);
        std::thread(Serve, client, deviceDir).detach();
        pthread_sigmask(SIG_SETMASK, &before, nullptr);
    }
    close(listener);
    return 0;
}
