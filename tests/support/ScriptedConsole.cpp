#include "support/ScriptedConsole.h"

#include "platform/Platform.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>

namespace scripted {

namespace {

std::mutex consoleMutex;
std::condition_variable consoleChanged;
std::deque<unsigned char> input;
std::string output;
bool holdEnd = false;

// Waits for a byte; -1 when the script has ended.
int NextByte()
{
    std::unique_lock<std::mutex> lock(consoleMutex);
    consoleChanged.wait(lock, [] { return !input.empty() || !holdEnd; });
    if (input.empty()) return -1;
    int byte = input.front();
    input.pop_front();
    return byte;
}

bool KeyHit()
{
    std::lock_guard<std::mutex> lock(consoleMutex);
    return !input.empty() || !holdEnd;
}

int GetKey()
{
    int byte = NextByte();
    return byte < 0 ? 'X' : byte;
}

void GetLine(char* buffer, size_t size)
{
    size_t length = 0;
    for (;;) {
        int byte = NextByte();
        if (byte < 0 || byte == '\n') break;
        if (length + 1 < size) buffer[length++] = static_cast<char>(byte);
    }
    if (length > 0 && buffer[length - 1] == '\r') --length;
    buffer[length] = '\0';
}

void Write(const char* text, size_t length)
{
    std::lock_guard<std::mutex> lock(consoleMutex);
    output.append(text, length);
    consoleChanged.notify_all();
}

const PlatConsoleOps scriptedConsole = {KeyHit, GetKey, GetLine, Write};

}  // namespace

void InstallConsole()
{
    {
        std::lock_guard<std::mutex> lock(consoleMutex);
        input.clear();
        output.clear();
        holdEnd = false;
    }
    Plat_SetConsole(&scriptedConsole);
}

void UninstallConsole() { Plat_SetConsole(nullptr); }

void Type(const std::string& bytes)
{
    std::lock_guard<std::mutex> lock(consoleMutex);
    input.insert(input.end(), bytes.begin(), bytes.end());
    consoleChanged.notify_all();
}

void HoldEndOfInput(bool hold)
{
    std::lock_guard<std::mutex> lock(consoleMutex);
    holdEnd = hold;
    consoleChanged.notify_all();
}

std::string Output()
{
    std::lock_guard<std::mutex> lock(consoleMutex);
    return output;
}

void ClearOutput()
{
    std::lock_guard<std::mutex> lock(consoleMutex);
    output.clear();
}

bool WaitForOutput(const std::string& text, unsigned timeoutMs)
{
    std::unique_lock<std::mutex> lock(consoleMutex);
    return consoleChanged.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                   [&] { return output.find(text) != std::string::npos; });
}

}  // namespace scripted
