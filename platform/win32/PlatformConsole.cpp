// The Windows console. Keys come from _kbhit/_getch and lines from the C
// runtime's line input. Input that is not a console (a pipe, a file) is read
// as bytes, every byte one key; once it ends, every key is X and every line is
// empty, so a scripted run ends like a technician pressing X.
#include "platform/Platform.h"
#include "platform/win32/RedirectedInput.h"

#include <conio.h>
#include <cstdio>
#include <mutex>
#include <windows.h>

namespace {

std::once_flag setUpOnce;
bool inputIsConsole = false;

void SetUpConsole()
{
    std::call_once(setUpOnce, [] {
        HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
        DWORD consoleMode;
        inputIsConsole = input != nullptr && input != INVALID_HANDLE_VALUE &&
                         GetConsoleMode(input, &consoleMode) != 0;
        if (!inputIsConsole) RedirectedInputStart(input);
    });
}

void FlushOutput() { std::fflush(stdout); }

// One byte of a line, or -1 at the end of the input. On a console the C
// runtime has already made "\r\n" a "\n".
int ReadLineByte()
{
    if (!inputIsConsole) return RedirectedReadByte();
    int next = std::getchar();
    return next == EOF ? -1 : next;
}

bool NativeKeyHit()
{
    SetUpConsole();
    FlushOutput();
    return inputIsConsole ? _kbhit() != 0 : RedirectedKeyWaiting();
}

int NativeGetKey()
{
    SetUpConsole();
    FlushOutput();
    if (inputIsConsole) return _getch();
    int key = RedirectedReadByte();
    return key < 0 ? 'X' : key;
}

void NativeGetLine(char* buffer, size_t size)
{
    SetUpConsole();
    FlushOutput();
    size_t length = 0;
    for (;;) {
        int next = ReadLineByte();
        if (next < 0 || next == '\n') break;
        if (length + 1 < size) buffer[length++] = static_cast<char>(next);
    }
    if (length > 0 && buffer[length - 1] == '\r') --length;
    buffer[length] = '\0';
}

void NativeWrite(const char* text, size_t length) { std::fwrite(text, 1, length, stdout); }

const PlatConsoleOps nativeConsole = {NativeKeyHit, NativeGetKey, NativeGetLine, NativeWrite};

}  // namespace

const PlatConsoleOps* Plat_NativeConsole()
{
    SetUpConsole();
    return &nativeConsole;
}

void Plat_ErrorWrite(const char* text, size_t length)
{
    FlushOutput();
    std::fwrite(text, 1, length, stderr);
    std::fflush(stderr);
}
