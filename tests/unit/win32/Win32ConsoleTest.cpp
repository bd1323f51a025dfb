// Redirected standard input on Windows: every byte one key, and once the
// input ends, a key is always waiting, every key is X and every line empty.
// The console reads its input handle once per process, so each case runs in
// a fresh child process.
#include "platform/Platform.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <windows.h>

namespace {

std::string problems;

void Check(bool condition, const char* what)
{
    if (!condition) problems += std::string(what) + "; ";
}

[[noreturn]] void Finish()
{
    std::fprintf(stderr, "%s", problems.c_str());
    std::fflush(stderr);
    std::_Exit(problems.empty() ? 0 : 1);
}

std::string Line(size_t size)
{
    char buffer[64];
    Plat_NativeConsole()->getLine(buffer, size);
    return buffer;
}

void Put(HANDLE pipe, const char* bytes)
{
    DWORD written = 0;
    WriteFile(pipe, bytes, static_cast<DWORD>(std::strlen(bytes)), &written, nullptr);
}

void PipeScript()
{
    HANDLE readEnd;
    HANDLE writeEnd;
    if (!CreatePipe(&readEnd, &writeEnd, nullptr, 0)) std::_Exit(2);
    SetStdHandle(STD_INPUT_HANDLE, readEnd);
    const PlatConsoleOps* console = Plat_NativeConsole();

    Check(!console->keyHit(), "an empty open pipe reports a key");
    Put(writeEnd, "ab\r\nthis line is too long\nlast");
    Check(console->keyHit(), "a waiting byte is not reported");
    Check(console->getKey() == 'a', "first key");
    Check(console->getKey() == 'b', "second key");
    Check(Line(64).empty(), "the rest of the line with its \\r");
    Check(Line(8) == "this li", "a long line is cut to the buffer");
    CloseHandle(writeEnd);
    Check(Line(64) == "last", "the last line without its end");
    Check(console->keyHit(), "the end is not reported as a key");
    Check(console->getKey() == 'X', "a key after the end is not X");
    Check(Line(64).empty(), "a line after the end is not empty");
    Finish();
}

void FileScript()
{
    char name[MAX_PATH];
    GetTempFileNameA(".", "key", 0, name);
    FILE* keys = std::fopen(name, "wb");
    std::fputs("k\n", keys);
    std::fclose(keys);
    HANDLE file = CreateFileA(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    SetStdHandle(STD_INPUT_HANDLE, file);
    const PlatConsoleOps* console = Plat_NativeConsole();

    Check(console->keyHit(), "a file's byte is not reported");
    Check(console->getKey() == 'k', "the file's key");
    Check(console->getKey() == '\n', "the line end is a key too");
    Check(console->keyHit(), "the end of the file is not reported as a key");
    Check(console->getKey() == 'X', "a key after the end is not X");
    Finish();
}

void NoInputScript()
{
    SetStdHandle(STD_INPUT_HANDLE, nullptr);
    const PlatConsoleOps* console = Plat_NativeConsole();
    Check(console->keyHit(), "missing input does not count as ended");
    Check(console->getKey() == 'X', "a key without input is not X");
    Check(Line(64).empty(), "a line without input is not empty");
    Finish();
}

TEST(Win32ConsoleDeathTest, PipedKeysAndLinesThenTheEnd)
{
    EXPECT_EXIT(PipeScript(), ::testing::ExitedWithCode(0), "");
}

TEST(Win32ConsoleDeathTest, KeysFromAFile)
{
    EXPECT_EXIT(FileScript(), ::testing::ExitedWithCode(0), "");
}

TEST(Win32ConsoleDeathTest, NoInputAtAll)
{
    EXPECT_EXIT(NoInputScript(), ::testing::ExitedWithCode(0), "");
}

}  // namespace
