#include "support/FakeBoardDevice.h"

#include "link/ORBA_Support.h"
#include "platform/Platform.h"

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
    int opens = 0;
    int failOpensFrom = 0;
    unsigned long openFailure = 0;
    bool failWrites = false;
    std::function<bool(const Sent&)> failingWrite;
    unsigned long writeFailure = 0;
    std::string lastOpenedName;
    std::vector<Sent> sent;
    std::function<void(const Sent&)> responder;
};

// Never freed: see the header.
Board* board = new Board;

PlatDevice Open(const char* deviceName, int, unsigned long* errorCode)
{
    std::lock_guard<std::mutex> guard(board->mutex);
    ++board->opens;
    board->lastOpenedName = deviceName;
    if (board->failOpensFrom > 0 && board->opens >= board->failOpensFrom) {
        *errorCode = board->openFailure;
        return PLAT_INVALID_DEVICE;
    }
    return board->opens;
}

bool Read(PlatDevice, void* buffer, unsigned size, unsigned* count, unsigned long* errorCode)
{
    std::unique_lock<std::mutex> lock(board->mutex);
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

bool Record(const Sent& packet, unsigned long* errorCode)
{
    std::function<void(const Sent&)> responder;
    {
        std::lock_guard<std::mutex> guard(board->mutex);
        if (board->failWrites || (board->failingWrite && board->failingWrite(packet))) {
            *errorCode = board->writeFailure;
            return false;
        }
        board->sent.push_back(packet);
        board->changed.notify_all();
        responder = board->responder;
    }
    if (responder) responder(packet);
    return true;
}

bool Write(PlatDevice, const void* buffer, unsigned size, unsigned* written, unsigned long* errorCode)
{
    const uint8_t* bytes = static_cast<const uint8_t*>(buffer);
    if (!Record(Sent{false, 0, Bytes(bytes, bytes + size)}, errorCode)) return false;
    *written = size;
    return true;
}

bool Control(PlatDevice, unsigned long code, void* outBuffer, unsigned outSize, unsigned long* errorCode)
{
    const uint8_t* bytes = static_cast<const uint8_t*>(outBuffer);
    return Record(Sent{true, code, Bytes(bytes, bytes + outSize)}, errorCode);
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
        board->opens = 0;
        board->failOpensFrom = 0;
        board->failWrites = false;
        board->failingWrite = nullptr;
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
    board->failWrites = true;
    board->writeFailure = code;
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

int OpenCount()
{
    std::lock_guard<std::mutex> guard(board->mutex);
    return board->opens;
}

std::string LastOpenedName()
{
    std::lock_guard<std::mutex> guard(board->mutex);
    return board->lastOpenedName;
}

}  // namespace fakeboard
