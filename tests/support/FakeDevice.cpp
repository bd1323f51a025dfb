#include "support/FakeDevice.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>

namespace fakedevice {

namespace {

struct ReadResult {
    bool ok;
    std::vector<uint8_t> bytes;
    unsigned count;
    unsigned long error;
};

struct Faults {
    std::map<int, unsigned long> openFailures;  // by open number
    int opens = 0;
    std::deque<ReadResult> reads;
    bool failWrite = false;
    unsigned long writeError = 0;
    bool shortWrite = false;
    unsigned shortWritten = 0;
    bool failControl = false;
    unsigned long controlError = 0;
};

std::mutex deviceMutex;
Faults faults;
std::vector<Call> calls;
PlatDevice nextHandle = 101;

void Record(Call call) { calls.push_back(std::move(call)); }

PlatDevice FakeOpen(const char* name, int access, unsigned long* errorCode)
{
    std::lock_guard<std::mutex> lock(deviceMutex);
    int number = ++faults.opens;
    auto failure = faults.openFailures.find(number);
    PlatDevice handle = PLAT_INVALID_DEVICE;
    if (failure != faults.openFailures.end())
        *errorCode = failure->second;
    else
        handle = nextHandle++;
    Record({'O', handle, access, name, 0, {}});
    return handle;
}

bool FakeRead(PlatDevice device, void* buffer, unsigned size, unsigned* count, unsigned long* errorCode)
{
    std::lock_guard<std::mutex> lock(deviceMutex);
    Record({'R', device, 0, "", 0, {}});
    if (faults.reads.empty()) {
        *errorCode = NOTHING_QUEUED;
        return false;
    }
    ReadResult result = faults.reads.front();
    faults.reads.pop_front();
    if (!result.ok) {
        *errorCode = result.error;
        return false;
    }
    if (!result.bytes.empty())
        std::memcpy(buffer, result.bytes.data(), std::min<size_t>(size, result.bytes.size()));
    *count = result.count;
    return true;
}

bool FakeWrite(PlatDevice device, const void* buffer, unsigned size, unsigned* written,
               unsigned long* errorCode)
{
    std::lock_guard<std::mutex> lock(deviceMutex);
    const uint8_t* bytes = static_cast<const uint8_t*>(buffer);
    Record({'W', device, 0, "", 0, std::vector<uint8_t>(bytes, bytes + size)});
    if (faults.failWrite) {
        faults.failWrite = false;
        *errorCode = faults.writeError;
        return false;
    }
    *written = size;
    if (faults.shortWrite) {
        faults.shortWrite = false;
        *written = faults.shortWritten;
    }
    return true;
}

bool FakeControl(PlatDevice device, unsigned long code, void* outBuffer, unsigned outSize,
                 unsigned long* errorCode)
{
    std::lock_guard<std::mutex> lock(deviceMutex);
    const uint8_t* bytes = static_cast<const uint8_t*>(outBuffer);
    Record({'C', device, 0, "", code, std::vector<uint8_t>(bytes, bytes + outSize)});
    if (faults.failControl) {
        faults.failControl = false;
        *errorCode = faults.controlError;
        return false;
    }
    return true;
}

const PlatDeviceOps fakeDevice = {FakeOpen, FakeRead, FakeWrite, FakeControl};

}  // namespace

void Install()
{
    {
        std::lock_guard<std::mutex> lock(deviceMutex);
        faults = Faults();
        calls.clear();
        nextHandle = 101;
    }
    Plat_SetDevice(&fakeDevice);
}

void Uninstall() { Plat_SetDevice(nullptr); }

void FailOpen(int nth, unsigned long code)
{
    std::lock_guard<std::mutex> lock(deviceMutex);
    faults.openFailures[faults.opens + nth] = code;
}

void QueueRead(const std::vector<uint8_t>& bytes)
{
    QueueReadWithCount(bytes, static_cast<unsigned>(bytes.size()));
}

void QueueReadWithCount(const std::vector<uint8_t>& bytes, unsigned count)
{
    std::lock_guard<std::mutex> lock(deviceMutex);
    faults.reads.push_back({true, bytes, count, 0});
}

void QueueReadFailure(unsigned long code)
{
    std::lock_guard<std::mutex> lock(deviceMutex);
    faults.reads.push_back({false, {}, 0, code});
}

void FailNextWrite(unsigned long code)
{
    std::lock_guard<std::mutex> lock(deviceMutex);
    faults.failWrite = true;
    faults.writeError = code;
}

void ShortNextWrite(unsigned written)
{
    std::lock_guard<std::mutex> lock(deviceMutex);
    faults.shortWrite = true;
    faults.shortWritten = written;
}

void FailNextControl(unsigned long code)
{
    std::lock_guard<std::mutex> lock(deviceMutex);
    faults.failControl = true;
    faults.controlError = code;
}

std::vector<Call> Calls()
{
    std::lock_guard<std::mutex> lock(deviceMutex);
    return calls;
}

int CountCalls(char kind)
{
    std::lock_guard<std::mutex> lock(deviceMutex);
    return static_cast<int>(
        std::count_if(calls.begin(), calls.end(), [kind](const Call& c) { return c.kind == kind; }));
}

}  // namespace fakedevice
