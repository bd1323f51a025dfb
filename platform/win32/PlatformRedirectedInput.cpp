// Redirected standard input. A file or a device is read as it is: a byte or
// its end is always there. A pipe is asked with PeekNamedPipe whether a byte
// is waiting; where the pipe cannot be asked (Wine refuses the peek on a Unix
// pipe), a thread reads it ahead and the key test looks at what has arrived.
#include "platform/win32/RedirectedInput.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace {

enum InputMode { INPUT_DIRECT, INPUT_PEEKED_PIPE, INPUT_READ_AHEAD };

HANDLE input = INVALID_HANDLE_VALUE;
InputMode mode = INPUT_DIRECT;
bool ended = false;
int pushedBack = -1;

// Shared with the read-ahead thread. Never deleted: the thread may still be
// reading while the process ends.
struct ReadAhead {
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<unsigned char> bytes;
    bool ended = false;
};
ReadAhead* readAhead = nullptr;

void ReadAheadThread()
{
    for (;;) {
        unsigned char chunk[256];
        DWORD count = 0;
        bool atEnd = !ReadFile(input, chunk, sizeof chunk, &count, nullptr) || count == 0;
        std::lock_guard<std::mutex> lock(readAhead->mutex);
        if (atEnd)
            readAhead->ended = true;
        else
            readAhead->bytes.insert(readAhead->bytes.end(), chunk, chunk + count);
        readAhead->changed.notify_all();
        if (atEnd) return;
    }
}

int ReadAheadByte()
{
    std::unique_lock<std::mutex> lock(readAhead->mutex);
    readAhead->changed.wait(lock, [] { return !readAhead->bytes.empty() || readAhead->ended; });
    if (readAhead->bytes.empty()) return -1;
    int next = readAhead->bytes.front();
    readAhead->bytes.pop_front();
    return next;
}

int ReadDirectByte()
{
    if (pushedBack >= 0) {
        int next = pushedBack;
        pushedBack = -1;
        return next;
    }
    if (ended) return -1;
    unsigned char next;
    DWORD count = 0;
    if (ReadFile(input, &next, 1, &count, nullptr) && count == 1) return next;
    ended = true;
    return -1;
}

// Whether the pipe holds a byte; a pipe whose writer has gone has ended.
bool PipeHasByte()
{
    DWORD available = 0;
    if (PeekNamedPipe(input, nullptr, 0, nullptr, &available, nullptr)) return available > 0;
    ended = true;
    return false;
}

}  // namespace

void RedirectedInputStart(HANDLE handle)
{
    input = handle;
    if (input == nullptr || input == INVALID_HANDLE_VALUE) {
        ended = true;
        return;
    }
    if (GetFileType(input) != FILE_TYPE_PIPE) return;
    DWORD available = 0;
    if (PeekNamedPipe(input, nullptr, 0, nullptr, &available, nullptr) ||
        GetLastError() == ERROR_BROKEN_PIPE) {
        mode = INPUT_PEEKED_PIPE;
        return;
    }
    mode = INPUT_READ_AHEAD;
    readAhead = new ReadAhead;
    std::thread(ReadAheadThread).detach();
    // A script usually has its keys in the pipe already: let the first key
    // test see them.
    std::unique_lock<std::mutex> lock(readAhead->mutex);
    readAhead->changed.wait_for(lock, std::chrono::milliseconds(100),
                                [] { return !readAhead->bytes.empty() || readAhead->ended; });
}

bool RedirectedKeyWaiting()
{
    if (mode == INPUT_READ_AHEAD) {
        std::lock_guard<std::mutex> lock(readAhead->mutex);
        return !readAhead->bytes.empty() || readAhead->ended;
    }
    if (pushedBack >= 0 || ended) return true;
    if (mode == INPUT_PEEKED_PIPE) return PipeHasByte() || ended;
    int next = ReadDirectByte();
    if (next >= 0) pushedBack = next;
    return true;
}

int RedirectedReadByte() { return mode == INPUT_READ_AHEAD ? ReadAheadByte() : ReadDirectByte(); }
