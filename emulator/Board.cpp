#include "emulator/Board.h"

#include "emulator/BoardLogic.h"
#include "emulator/DeviceSocket.h"
#include "emulator/SystemError.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace emulator {

namespace {

typedef std::chrono::steady_clock Clock;

// Largest message taken from the utility; the rest of a longer one is
// reported by its length only.
const size_t RECEIVE_LIMIT = 4096;

// Stream packets sent in one pass of the loop, so that what the utility
// writes (the request that stops the stream above all) is read between
// batches even when the stream has no pause.
const unsigned STREAM_BATCH = 32;
// How far a stream that fell behind (a full read connection) may catch up
// with a burst.
constexpr std::chrono::milliseconds STREAM_CATCH_UP(50);

struct Connection {
    enum Role { Pending, Reader, Writer, Silent } role = Pending;
    int fd = -1;
    bool closing = false;
};

char RoleTag(Connection::Role role)
{
    if (role == Connection::Reader) return 'R';
    if (role == Connection::Writer) return 'W';
    return '?';
}

bool SendMessage(int fd, const std::vector<uint8_t>& message)
{
    ssize_t sent;
    do {
        sent = send(fd, message.data(), message.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    } while (sent < 0 && errno == EINTR);
    return sent >= 0;
}

// A read as the contract carries it: 'P' and the bytes.
std::vector<uint8_t> ReadMessage(const std::vector<uint8_t>& bytes)
{
    std::vector<uint8_t> message;
    message.reserve(bytes.size() + 1);
    message.push_back('P');
    message.insert(message.end(), bytes.begin(), bytes.end());
    return message;
}

}  // namespace

// The socket side: one thread polls the listening socket, every connection
// and a wake-up pipe, and sends the scheduled reads when they fall due.
class Board::Server {
public:
    Server(const BoardSetup& setup, PacketLog& log, DeviceSocket socket)
        : logic_(setup, log), log_(log), socket_(std::move(socket))
    {
    }
    ~Server();

    bool Start(std::string* error);
    BoardState State() const { return logic_.State(); }

private:
    void Loop();
    void Accept();
    void Receive(Connection& connection);
    void Opening(Connection& connection, const std::vector<uint8_t>& message);
    void Schedule(const std::vector<Outbound>& items);
    // Sends what is due; false when the read connection is full.
    bool SendDue();
    // Sends the stream packets that are due; false when the read connection
    // is full.
    bool SendStream();
    int MillisecondsToNextDue() const;
    int MillisecondsToNextWake() const;
    void CloseConnection(Connection& connection);
    void RemoveClosed();

    BoardLogic logic_;
    PacketLog& log_;
    DeviceSocket socket_;
    int wake_[2] = {-1, -1};
    std::thread thread_;
    std::vector<Connection> connections_;
    int readerFd_ = -1;
    std::map<std::pair<Clock::time_point, unsigned long>, Outbound> outbox_;
    unsigned long scheduled_ = 0;
    bool streaming_ = false;   // the last ask found a stream packet
    bool streamHeld_ = false;  // held_ waits for room on the read connection
    StreamPacket held_;
    Clock::time_point streamDue_;
    std::vector<uint8_t> buffer_ = std::vector<uint8_t>(RECEIVE_LIMIT);
};

bool Board::Server::Start(std::string* error)
{
    if (pipe2(wake_, O_CLOEXEC) != 0) {
        *error = std::string("cannot create a pipe: ") + SystemErrorText(errno);
        return false;
    }
    thread_ = std::thread([this] { Loop(); });
    return true;
}

Board::Server::~Server()
{
    if (thread_.joinable()) {
        const char stop = 'x';
        while (write(wake_[1], &stop, 1) < 0 && errno == EINTR) {
        }
        thread_.join();
    }
    for (const Connection& connection : connections_) close(connection.fd);
    for (int fd : wake_)
        if (fd >= 0) close(fd);
    CloseDeviceSocket(&socket_);
}

void Board::Server::Loop()
{
    for (;;) {
        const bool blocked = !SendDue() || !SendStream();
        RemoveClosed();
        std::vector<struct pollfd> waiting;
        waiting.push_back({wake_[0], POLLIN, 0});
        waiting.push_back({socket_.fd, POLLIN, 0});
        for (const Connection& connection : connections_) {
            short events = POLLIN;
            if (blocked && connection.fd == readerFd_) events |= POLLOUT;
            waiting.push_back({connection.fd, events, 0});
        }
        int ready = poll(waiting.data(), waiting.size(), blocked ? -1 : MillisecondsToNextWake());
        if (ready < 0 && errno != EINTR) return;
        if (ready <= 0) continue;
        if (waiting[0].revents != 0) return;
        if (waiting[1].revents & POLLIN) Accept();
        // Only connections that were polled; Accept may have added more.
        for (size_t i = 2; i < waiting.size(); ++i)
            if (waiting[i].revents & (POLLIN | POLLHUP | POLLERR)) Receive(connections_[i - 2]);
        RemoveClosed();
    }
}

void Board::Server::Accept()
{
    int fd = accept4(socket_.fd, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) return;
    Connection connection;
    connection.fd = fd;
    connections_.push_back(connection);
}

void Board::Server::Receive(Connection& connection)
{
    if (connection.closing) return;
    ssize_t received;
    do {
        received = recv(connection.fd, buffer_.data(), buffer_.size(), MSG_DONTWAIT | MSG_TRUNC);
    } while (received < 0 && errno == EINTR);
    if (received < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
    if (received <= 0) {
        LogEntry entry;
        entry.kind = LogKind::HungUp;
        entry.tag = RoleTag(connection.role);
        log_.Add(entry);
        CloseConnection(connection);
        return;
    }
    const size_t kept = std::min(static_cast<size_t>(received), buffer_.size());
    std::vector<uint8_t> message(buffer_.begin(), buffer_.begin() + static_cast<long>(kept));
    if (connection.role == Connection::Pending) {
        Opening(connection, message);
        return;
    }
    std::vector<uint8_t> rest(message.begin() + 1, message.end());
    if (connection.role == Connection::Writer && message[0] == 'D') {
        Schedule(logic_.StreamWrite(rest));
    } else if (connection.role == Connection::Writer && message[0] == 'C') {
        Schedule(logic_.ControlRequest(rest));
    } else {
        LogEntry entry;
        entry.kind = LogKind::Unexpected;
        entry.wire = message;
        entry.note = std::string("on-") + RoleTag(connection.role);
        log_.Add(entry);
    }
}

void Board::Server::Opening(Connection& connection, const std::vector<uint8_t>& message)
{
    OpenAnswer answer = logic_.Open(message);
    switch (answer.kind) {
    case OpenAnswer::Opened:
        SendMessage(connection.fd, {'O'});
        connection.role = answer.forReading ? Connection::Reader : Connection::Writer;
        if (answer.forReading) readerFd_ = connection.fd;
        break;
    case OpenAnswer::Refused:
        SendMessage(connection.fd, {'E', static_cast<uint8_t>(answer.code & 0xFF),
                                    static_cast<uint8_t>((answer.code >> 8) & 0xFF),
                                    static_cast<uint8_t>((answer.code >> 16) & 0xFF),
                                    static_cast<uint8_t>((answer.code >> 24) & 0xFF)});
        CloseConnection(connection);
        break;
    case OpenAnswer::HangUp: CloseConnection(connection); break;
    case OpenAnswer::NoAnswer: connection.role = Connection::Silent; break;
    }
}

void Board::Server::Schedule(const std::vector<Outbound>& items)
{
    const Clock::time_point now = Clock::now();
    for (const Outbound& item : items)
        outbox_.emplace(std::make_pair(now + std::chrono::milliseconds(item.delayMs), ++scheduled_),
                        item);
}

bool Board::Server::SendDue()
{
    while (!outbox_.empty() && outbox_.begin()->first.first <= Clock::now()) {
        const Outbound& item = outbox_.begin()->second;
        LogEntry entry;
        entry.note = item.note;
        if (item.kind == Outbound::CloseReader) {
            entry.kind = LogKind::Closed;
            entry.tag = 'R';
            if (readerFd_ < 0) entry.note += " no-reader";
            for (Connection& connection : connections_)
                if (connection.fd == readerFd_ && !connection.closing) CloseConnection(connection);
            readerFd_ = -1;
        } else {
            entry.tag = 'P';
            entry.wire = item.bytes;
            entry.kind = LogKind::FromBoard;
            if (readerFd_ < 0) {
                entry.kind = LogKind::Dropped;
                entry.note += " no-reader";
            } else {
                if (!SendMessage(readerFd_, ReadMessage(item.bytes))) {
                    if (errno == EAGAIN || errno == EWOULDBLOCK) return false;
                    entry.kind = LogKind::Dropped;
                    entry.note += std::string(" ") + SystemErrorText(errno);
                }
            }
        }
        log_.Add(entry);
        outbox_.erase(outbox_.begin());
    }
    return true;
}

bool Board::Server::SendStream()
{
    for (unsigned batch = 0; batch < STREAM_BATCH && readerFd_ >= 0; ++batch) {
        if (!streamHeld_) {
            const Clock::time_point now = Clock::now();
            if (streaming_ && streamDue_ > now) return true;
            if (!logic_.NextStreamPacket(&held_)) {
                streaming_ = false;
                return true;
            }
            // The first packet goes at once, each later one at the stream's
            // pace after the one before it.
            const Clock::time_point base = streaming_ ? std::max(streamDue_, now - STREAM_CATCH_UP)
                                                      : now;
            streamDue_ = base + std::chrono::microseconds(held_.nextGapUs);
            streaming_ = true;
            streamHeld_ = true;
        }
        LogEntry entry;
        entry.tag = 'P';
        entry.wire = held_.bytes;
        entry.kind = LogKind::FromBoard;
        entry.note = "stream";
        const bool delivered = SendMessage(readerFd_, ReadMessage(held_.bytes));
        if (!delivered && (errno == EAGAIN || errno == EWOULDBLOCK)) return false;
        streamHeld_ = false;
        if (!delivered) {
            entry.kind = LogKind::Dropped;
            entry.note += std::string(" ") + SystemErrorText(errno);
            log_.Add(entry);
            // The reader has gone; its hang-up is logged when it is read.
            logic_.StopStreams();
            streaming_ = false;
            return true;
        }
        log_.Add(entry);
    }
    return true;
}

int Board::Server::MillisecondsToNextWake() const
{
    const int outbox = MillisecondsToNextDue();
    if (!streaming_ || readerFd_ < 0) return outbox;
    auto left = std::chrono::duration_cast<std::chrono::microseconds>(streamDue_ - Clock::now());
    // Rounded up, like the outbox's wait.
    const int stream = left.count() <= 0 ? 0 : static_cast<int>(left.count() / 1000) + 1;
    return outbox < 0 ? stream : std::min(outbox, stream);
}

int Board::Server::MillisecondsToNextDue() const
{
    if (outbox_.empty()) return -1;
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(outbox_.begin()->first.first -
                                                                      Clock::now());
    // Round up so that the wait never ends just short of the due time.
    return left.count() < 0 ? 0 : static_cast<int>(left.count()) + 1;
}

void Board::Server::CloseConnection(Connection& connection)
{
    // Nobody is left to read a stream: it stops, as when the utility ends it.
    if (connection.fd == readerFd_) {
        readerFd_ = -1;
        logic_.StopStreams();
        streaming_ = false;
        streamHeld_ = false;
    }
    connection.closing = true;
}

void Board::Server::RemoveClosed()
{
    for (auto it = connections_.begin(); it != connections_.end();) {
        if (it->closing) {
            close(it->fd);
            it = connections_.erase(it);
        } else {
            ++it;
        }
    }
}

Board::Board() = default;

Board::~Board() { Stop(); }

bool Board::Start(const BoardSetup& setup, const std::string& deviceDir, std::string* error)
{
    Stop();
    if (setup.personality == nullptr) {
        *error = "no kind of board chosen";
        return false;
    }
    log_.Clear();
    if (!setup.logPath.empty() && !log_.WriteTo(setup.logPath)) {
        *error = "cannot write the packet log " + setup.logPath + ": " + SystemErrorText(errno);
        return false;
    }
    DeviceSocket socket;
    std::string path = deviceDir + "/" + setup.personality->deviceName;
    if (!ListenOnDeviceSocket(path, &socket, error)) return false;
    server_.reset(new Server(setup, log_, socket));
    if (!server_->Start(error)) {
        server_.reset();
        return false;
    }
    socketPath_ = path;
    return true;
}

void Board::Stop() { server_.reset(); }

const std::string& Board::SocketPath() const { return socketPath_; }

PacketLog& Board::Log() { return log_; }

std::vector<LogEntry> Board::LogEntries() const { return log_.Entries(); }

BoardState Board::State() const { return server_ ? server_->State() : BoardState(); }

}  // namespace emulator
