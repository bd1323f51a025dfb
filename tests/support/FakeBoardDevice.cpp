#include "support/FakeBoardDevice.h"

#include "link/ORBA_Support.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>

namespace fakeboard {

namespace {

const unsigned long ERROR_BROKEN_PIPE = 32;

struct Board {
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<Bytes> reads;
    bool closed = false;
    int blockedReaders = 0;
    int readCount = 0;
    std::vector<Opened> opens;
    int failOpensFrom = 0;
    unsigned long openFailure = 0;
    int failingWrites = 0;  // how many of the next writes fail; -1: all
    std::function<bool(const Sent&)> failingWrite;
    unsigned long writeFailure = 0;
    int shortWrite = -1;  // the count the next stream write reports
    std::vector<Sent> sent;
    std::function<void(const Sent&)> responder;
};

// Never freed: see the header.
Board* board = new Board;

PlatDevice Open(const char* deviceName, int access, unsigned long* errorCode)
{
    std::lock_guard<std::mutex> guard(board->mutex);
    board->opens.push_back({deviceName, access});
    const int number = static_cast<int>(board->opens.size());
    if (board->failOpensFrom > 0 && number >= board->failOpensFrom) {
        *errorCode = board->openFailure;
        return PLAT_INVALID_DEVICE;
    }
    return number;
}

bool Read(PlatDevice, void* buffer, unsigned size, unsigned* count, unsigned long* errorCode)
{
    std::unique_lock<std::mutex> lock(board->mutex);
    ++board->readCount;
    ++board->blockedReaders;
    board->changed.notify_all();
    board->changed.wait(lock, [] { return board->closed || !board->reads.empty(); });
    --board->blockedReaders;
    if (board->reads.empty()) {
        *errorCode = ERROR_BROKEN_PIPE;
        return false;
    }
    Bytes bytes = std::move(board->reads.front());
    board->reads.pop_front();
    board->changed.notify_all();
    const size_t delivered = bytes.size() < size ? bytes.size() : size;
    if (delivered > 0) std::memcpy(buffer, bytes.data(), delivered);
    *count = static_cast<unsigned>(bytes.size());
    return true;
}

// Records the packet unless it is to fail; *written is what a stream write reports.
bool Record(const Sent& packet, unsigned* written, unsigned long* errorCode)
{
    std::function<void(const Sent&)> responder;
    {
        std::lock_guard<std::mutex> guard(board->mutex);
        if (board->failingWrites != 0 || (board->failingWrite && board->failingWrite(packet))) {
            if (board->failingWrites > 0) --board->failingWrites;
            *errorCode = board->writeFailure;
            return false;
        }
        *written = static_cast<unsigned>(packet.bytes.size());
        if (!packet.control && board->shortWrite >= 0) {
            *written = static_cast<unsigned>(board->shortWrite);
            board->shortWrite = -1;
        }
        board->sent.push_back(packet);
        board->changed.notify_all();
        responder = board->responder;
    }
    if (responder) responder(packet);
    return true;
}

bool Write(PlatDevice device, const void* buffer, unsigned size, unsigned* written,
           unsigned long* errorCode)
{
    const uint8_t* bytes = static_cast<const uint8_t*>(buffer);
    return Record(Sent{false, 0, Bytes(bytes, bytes + size), device}, written, errorCode);
}

bool Control(PlatDevice device, unsigned long code, void* outBuffer, unsigned outSize,
             unsigned long* errorCode)
{
    const uint8_t* bytes = static_cast<const uint8_t*>(outBuffer);
    unsigned written = 0;
    return Record(Sent{true, code, Bytes(bytes, bytes + outSize), device}, &written, errorCode);
}

const PlatDeviceOps ops = {Open, Read, Write, Control};

template <typename Predicate>
bool WaitFor(unsigned timeoutMs, Predicate predicate)
{
    std::unique_lock<std::mutex> lock(board->mutex);
    return board->changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), predicate);
}

}  // namespace

void Install()
{
    {
        std::lock_guard<std::mutex> guard(board->mutex);
        board->reads.clear();
        board->closed = false;
        board->readCount = 0;
        board->opens.clear();
        board->failOpensFrom = 0;
        board->failingWrites = 0;
        board->failingWrite = nullptr;
        board->shortWrite = -1;
        board->sent.clear();
        board->responder = nullptr;
    }
    Plat_SetDevice(&ops);
}

void Uninstall() { Plat_SetDevice(nullptr); }

void QueueRead(const Bytes& bytes)
{
    std::lock_guard<std::mutex> guard(board->mutex);
    board->reads.push_back(bytes);
    board->changed.notify_all();
}

void QueueReply(const std::string& data) { QueueRead(Wire(ORBA_PORT_MODULE, ORBA_DC_DATA, data)); }

void CloseBoard()
{
    std::lock_guard<std::mutex> guard(board->mutex);
    board->closed = true;
    board->changed.notify_all();
}

void FailOpensFrom(int openNumber, unsigned long code)
{
    std::lock_guard<std::mutex> guard(board->mutex);
    board->failOpensFrom = openNumber;
    board->openFailure = code;
}

void FailWrites(unsigned long code)
{
    std::lock_guard<std::mutex> guard(board->mutex);
    board->failingWrites = -1;
    board->writeFailure = code;
}

void FailNextWrite(unsigned long code)
{
    std::lock_guard<std::mutex> guard(board->mutex);
    board->failingWrites = 1;
    board->writeFailure = code;
}

void ShortNextWrite(unsigned written)
{
    std::lock_guard<std::mutex> guard(board->mutex);
    board->shortWrite = static_cast<int>(written);
}

void FailWritesOf(std::function<bool(const Sent&)> matches, unsigned long code)
{
    std::lock_guard<std::mutex> guard(board->mutex);
    board->failingWrite = std::move(matches);
    board->writeFailure = code;
}

void SetResponder(std::function<void(const Sent&)> responder)
{
    std::lock_guard<std::mutex> guard(board->mutex);
    board->responder = std::move(responder);
}

std::vector<Sent> SentPackets()
{
    std::lock_guard<std::mutex> guard(board->mutex);
    return board->sent;
}

void ClearSent()
{
    std::lock_guard<std::mutex> guard(board->mutex);
    board->sent.clear();
}

bool WaitForSent(size_t count, unsigned timeoutMs)
{
    return WaitFor(timeoutMs, [count] { return board->sent.size() >= count; });
}

bool WaitForIdleReader(unsigned timeoutMs)
{
    return WaitFor(timeoutMs, [] { return board->reads.empty() && board->blockedReaders > 0; });
}

std::vector<Opened> Opens()
{
    std::lock_guard<std::mutex> guard(board->mutex);
    return board->opens;
}

int ReadCount()
{
    std::lock_guard<std::mutex> guard(board->mutex);
    return board->readCount;
}

}  // namespace fakeboard
