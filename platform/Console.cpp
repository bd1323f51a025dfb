// Routes console traffic to the native console or to a test's script.
#include "platform/Platform.h"

#include <atomic>
#include <cstdarg>

namespace {

std::atomic<const PlatConsoleOps*> currentConsole{nullptr};

const PlatConsoleOps* Console()
{
    const PlatConsoleOps* ops = currentConsole.load();
    return ops != nullptr ? ops : Plat_NativeConsole();
}

}  // namespace

void Plat_SetConsole(const PlatConsoleOps* ops) { currentConsole.store(ops); }

bool Plat_KeyHit() { return Console()->keyHit(); }

int Plat_GetKey() { return Console()->getKey(); }

void Plat_GetLine(char* buffer, size_t size)
{
    if (size == 0) return;
    Console()->getLine(buffer, size);
}

void Plat_ConsoleWrite(const char* text, size_t length) { Console()->write(text, length); }

namespace {

void FormatAndWrite(void (*write)(const char*, size_t), const char* format, va_list arguments)
{
    char text[1024];
    int length = vsnprintf(text, sizeof text, format, arguments);
    if (length < 0) return;
    if (static_cast<size_t>(length) >= sizeof text) length = sizeof text - 1;
    write(text, static_cast<size_t>(length));
}

}  // namespace

void Plat_ConsolePrintf(const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    FormatAndWrite(Plat_ConsoleWrite, format, arguments);
    va_end(arguments);
}

void Plat_ErrorPrintf(const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    FormatAndWrite(Plat_ErrorWrite, format, arguments);
    va_end(arguments);
}
