#include "driver/win32/RelayConnection.h"

#include "driver/RelayFrames.h"

#include <ws2tcpip.h>

#include <string>
#include <thread>

namespace helper {

namespace {

using namespace boarddriver;

// An open the board does not answer within this fails with code 2.
const DWORD OPEN_ANSWER_MS = 5000;
const uint32_t ERROR_NO_BOARD = 2;

bool SendFrame(SOCKET relay, const unsigned char* bytes, size_t size)
{
    return relay::SendFrame(
        [relay](const unsigned char* part, size_t partSize) {
            return static_cast<long>(
                send(relay, reinterpret_cast<const char*>(part), static_cast<int>(partSize), 0));
        },
        bytes, size);
}

bool ReceiveFrame(SOCKET relay, std::vector<unsigned char>* frame)
{
    return relay::ReceiveFrame(
        [relay](unsigned char* part, size_t partSize) {
            return static_cast<long>(
                recv(relay, reinterpret_cast<char*>(part), static_cast<int>(partSize), 0));
        },
        frame);
}

// True once the socket has something to read (or has ended) within the time.
bool Readable(SOCKET socket, DWORD timeoutMs)
{
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(socket, &readable);
    timeval timeout = {static_cast<long>(timeoutMs / 1000), static_cast<long>(timeoutMs % 1000) * 1000};
    return select(0, &readable, nullptr, nullptr, &timeout) == 1;
}

SOCKET ConnectRelay(unsigned short port)
{
    SOCKET relay = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (relay == INVALID_SOCKET) return relay;
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    if (connect(relay, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        closesocket(relay);
        return INVALID_SOCKET;
    }
    // Packets are small and the programs wait on every answer.
    const BOOL noDelay = TRUE;
    setsockopt(relay, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay), sizeof noDelay);
    return relay;
}

uint32_t LittleEndian32(const unsigned char* bytes)
{
    return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
           static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

}  // namespace

std::shared_ptr<RelayConnection> RelayConnection::Start(DriverControl& driver, unsigned short relayPort,
                                                        const Request& open,
                                                        std::function<void()> opened)
{
    auto connection = std::make_shared<RelayConnection>(driver, relayPort, std::move(opened));
    connection->Add(open);
    std::thread([connection] { connection->Serve(); }).detach();
    return connection;
}

void RelayConnection::Add(Request request)
{
    std::lock_guard<std::mutex> hold(lock_);
    requests_.push_back(std::move(request));
    added_.notify_one();
}

void RelayConnection::Close()
{
    Request close;
    close.header.kind = REQUEST_CLOSE;
    std::lock_guard<std::mutex> hold(lock_);
    // Wakes a read or an open waiting on the board: nothing more is waited for.
    if (relay_ != INVALID_SOCKET) shutdown(relay_, SD_BOTH);
    closing_ = true;
    requests_.push_back(std::move(close));
    added_.notify_one();
}

Request RelayConnection::Take()
{
    std::unique_lock<std::mutex> hold(lock_);
    added_.wait(hold, [this] { return !requests_.empty(); });
    Request request = std::move(requests_.front());
    requests_.pop_front();
    return request;
}

void RelayConnection::Serve()
{
    for (;;) {
        const Request request = Take();
        switch (request.header.kind) {
        case REQUEST_OPEN: Open(request); break;
        case REQUEST_WRITE: Write(request, 'D'); break;
        case REQUEST_CONTROL: Write(request, 'C'); break;
        case REQUEST_READ: Read(request); break;
        case REQUEST_CLOSE:
            if (relay_ != INVALID_SOCKET) closesocket(relay_);
            return;
        default: Reply(request, ERROR_INVALID_FUNCTION); break;
        }
    }
}

void RelayConnection::Reply(const Request& request, uint32_t error, uint32_t size,
                            const unsigned char* bytes, uint32_t count)
{
    BoardAnswer answer = {};
    answer.id = request.header.id;
    answer.error = error;
    answer.size = size;
    answer.bytes = count;
    driver_.Answer(answer, bytes);
}

// The open as the board's contract has it: the device name to the relay,
// then the tag; the board answers "O", or "E" and a code.
void RelayConnection::Open(const Request& request)
{
    SOCKET relay = ConnectRelay(relayPort_);
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (closing_ && relay != INVALID_SOCKET) shutdown(relay, SD_BOTH);
        relay_ = relay;
    }
    const std::string name = DeviceName(request.header.device);
    const unsigned char tag = static_cast<unsigned char>(request.header.tag);
    std::vector<unsigned char> answer;
    failure_ = ERROR_NO_BOARD;
    if (relay != INVALID_SOCKET &&
        SendFrame(relay, reinterpret_cast<const unsigned char*>(name.data()), name.size()) &&
        SendFrame(relay, &tag, 1) && Readable(relay, OPEN_ANSWER_MS) && ReceiveFrame(relay, &answer)) {
        if (answer.size() == 1 && answer[0] == 'O') failure_ = 0;
        if (answer.size() == 5 && answer[0] == 'E') failure_ = LittleEndian32(answer.data() + 1);
        // A refused open that names no failure still fails.
        if (answer.size() == 5 && answer[0] == 'E' && failure_ == 0) failure_ = ERROR_GEN_FAILURE;
    }
    Reply(request, failure_);
    opened_();
}

// True when the board has hung up this connection (it sends nothing else on
// a connection opened for writing).
bool RelayConnection::HungUp()
{
    char byte = 0;
    return Readable(relay_, 0) && recv(relay_, &byte, 1, MSG_PEEK) <= 0;
}

void RelayConnection::Write(const Request& request, char tag)
{
    if (failure_ == 0 && HungUp()) failure_ = ERROR_HUNG_UP;
    if (failure_ != 0) {
        Reply(request, failure_);
        return;
    }
    std::vector<unsigned char> message(1, static_cast<unsigned char>(tag));
    if (tag == 'C') {
        const uint32_t code = request.header.controlCode;
        for (unsigned i = 0; i < 4; ++i) message.push_back(static_cast<unsigned char>(code >> (8 * i)));
    }
    message.insert(message.end(), request.data.begin(), request.data.end());
    if (!SendFrame(relay_, message.data(), message.size())) failure_ = ERROR_HUNG_UP;
    Reply(request, failure_, static_cast<uint32_t>(request.data.size()));
}

// The board's next read result ("P" and its bytes), cut to the caller's
// buffer; the answer's size is the whole result, so that the driver can say
// that more was there.
void RelayConnection::Read(const Request& request)
{
    std::vector<unsigned char> message;
    while (failure_ == 0) {
        if (!ReceiveFrame(relay_, &message)) {
            failure_ = ERROR_HUNG_UP;
        } else if (!message.empty() && message[0] == 'P') {
            const uint32_t size = static_cast<uint32_t>(message.size() - 1);
            const uint32_t count = size < request.header.size ? size : request.header.size;
            Reply(request, 0, size, message.data() + 1, count);
            return;
        }
    }
    Reply(request, failure_);
}

}  // namespace helper
