#include "fuzz/FuzzSupport.h"

#include "platform/Platform.h"
#include "trace/TraceTestHooks.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace fuzzsupport {

namespace {

std::string scratch;

bool NoKey() { return false; }
int NoChar() { return 0; }
void EmptyLine(char* buffer, size_t size)
{
    if (size > 0) buffer[0] = '\0';
}
void Discard(const char*, size_t) {}

const PlatConsoleOps quietConsole = {NoKey, NoChar, EmptyLine, Discard};

// The capture files of a long run live here; they go with the process.
void RemoveScratch()
{
    std::error_code ignored;
    std::filesystem::remove_all(scratch, ignored);
}

}  // namespace

void SetUpOnce()
{
    if (!scratch.empty()) return;
    // In memory where there is such a folder: the profile writer syncs
    // every write to the disk, which would make a run wait on the disk.
    char memoryPattern[] = "/dev/shm/utility-fuzz-XXXXXX";
    char diskPattern[] = "/tmp/utility-fuzz-XXXXXX";
    char* pattern = mkdtemp(memoryPattern);
    if (pattern == nullptr) pattern = mkdtemp(diskPattern);
    if (pattern == nullptr) Fail("mkdtemp");
    scratch = pattern;
    std::atexit(RemoveScratch);
    std::filesystem::create_directories(scratch + "/drive_c/FirmwareUpdate");
    std::filesystem::create_directories(scratch + "/drive_c/lane/Bin");
    std::filesystem::create_directories(scratch + "/drive_c/lane/Config");
    std::filesystem::create_directories(scratch + "/devices");
    setenv("SECMODULE_ROOT", (scratch + "/drive_c").c_str(), 1);
    setenv("SECMODULE_REGISTRY", (scratch + "/registry.ini").c_str(), 1);
    setenv("SECMODULE_DEVICE_DIR", (scratch + "/devices").c_str(), 1);
    if (chdir((scratch + "/drive_c/lane/Bin").c_str()) != 0) Fail("chdir");
    Plat_SetConsole(&quietConsole);
    TraceSetErrorHoldForTests(0);
}

const std::string& Scratch() { return scratch; }

void SkipWaits()
{
    // An event wait still takes a set, but never waits for one.
    static const PlatTimeOps noWaits = {Plat_NativeTime()->tickCountMs, [](unsigned) {},
                                        [](PlatEvent event, unsigned, unsigned long* errorCode) {
                                            return Plat_WaitEvent(event, 0, errorCode);
                                        }};
    Plat_SetTime(&noWaits);
}

void WriteFile(const std::string& path, const uint8_t* data, size_t size)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) Fail("cannot write the input file");
    if (size > 0 && std::fwrite(data, 1, size, file) != size) Fail("short write");
    std::fclose(file);
}

void Fail(const char* what)
{
    std::fprintf(stderr, "fuzz finding: %s\n", what);
    std::abort();
}

}  // namespace fuzzsupport
