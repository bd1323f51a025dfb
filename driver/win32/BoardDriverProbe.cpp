// board-driver-probe.exe: makes the calls of a board device one by one and
// prints what each gave, for the tests of the driver route: the calls the
// utilities make and those they never make (a device control, a read into a
// small buffer).
//
// Usage: board-driver-probe.exe DEVICE STEP...
//   DEVICE: SecModuleDevice0 or ConvUnitDevice0
//   STEP:   open-w, open-r          CreateFileA for writing, for reading
//           write:HEX               WriteFile of the bytes on the last open for writing
//           control:HEX             DeviceIoControl(0x0022AB86) with the bytes as its output buffer
//           read:SIZE               ReadFile into a buffer of SIZE bytes on the last open for reading
//           pause:MS                Sleep(MS)
// Prints a line per step: "STEP ok", "STEP ok N HEX" (a read: the count and
// the bytes), "STEP ok MS" (a pause: the milliseconds from the end of the
// call before it to its own end, as this program measured them), or
// "STEP error CODE" (GetLastError; a read also "N HEX").
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

const DWORD IOCTL_USB_SYSTEM_PORT_WRITE = 0x0022AB86;

std::vector<unsigned char> FromHex(const std::string& text)
{
    std::vector<unsigned char> bytes;
    for (size_t i = 0; i + 1 < text.size(); i += 2)
        bytes.push_back(
            static_cast<unsigned char>(std::strtoul(text.substr(i, 2).c_str(), nullptr, 16)));
    return bytes;
}

double NowMs()
{
    LARGE_INTEGER now;
    LARGE_INTEGER frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

std::string ToHex(const unsigned char* bytes, DWORD count)
{
    std::string text;
    char digits[3];
    for (DWORD i = 0; i < count; ++i) {
        std::snprintf(digits, sizeof digits, "%02x", bytes[i]);
        text += digits;
    }
    return text;
}

// The step's line; error is GetLastError() right after the call.
void Report(const std::string& step, BOOL done, DWORD error, const std::string& more = "")
{
    if (done)
        std::printf("%s ok%s\n", step.c_str(), more.c_str());
    else
        std::printf("%s error %lu%s\n", step.c_str(), error, more.c_str());
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: board-driver-probe.exe DEVICE STEP...\n");
        return 2;
    }
    const std::string device = std::string("\\\\.\\") + argv[1];
    HANDLE writer = INVALID_HANDLE_VALUE;
    HANDLE reader = INVALID_HANDLE_VALUE;
    double lastCallEnd = NowMs();
    for (int i = 2; i < argc; ++i) {
        const std::string step = argv[i];
        const std::string value = step.substr(step.find(':') + 1);
        if (step == "open-w" || step == "open-r") {
            const bool write = step == "open-w";
            HANDLE handle = CreateFileA(device.c_str(), write ? GENERIC_WRITE : GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                        nullptr);
            const DWORD error = GetLastError();
            lastCallEnd = NowMs();
            Report(step, handle != INVALID_HANDLE_VALUE, error);
            (write ? writer : reader) = handle;
        } else if (step.rfind("write:", 0) == 0) {
            const std::vector<unsigned char> bytes = FromHex(value);
            DWORD written = 0;
            const BOOL done =
                WriteFile(writer, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
            const DWORD error = GetLastError();
            lastCallEnd = NowMs();
            Report(step, done, error, done ? " " + std::to_string(written) : "");
        } else if (step.rfind("control:", 0) == 0) {
            std::vector<unsigned char> bytes = FromHex(value);
            DWORD returned = 0;
            const BOOL done = DeviceIoControl(writer, IOCTL_USB_SYSTEM_PORT_WRITE, nullptr, 0,
                                              bytes.data(), static_cast<DWORD>(bytes.size()), &returned,
                                              nullptr);
            const DWORD error = GetLastError();
            lastCallEnd = NowMs();
            Report(step, done, error);
        } else if (step.rfind("read:", 0) == 0) {
            std::vector<unsigned char> buffer(std::strtoul(value.c_str(), nullptr, 10));
            DWORD count = 0;
            const BOOL done =
                ReadFile(reader, buffer.data(), static_cast<DWORD>(buffer.size()), &count, nullptr);
            const DWORD error = GetLastError();
            lastCallEnd = NowMs();
            Report(step, done, error, " " + std::to_string(count) + " " + ToHex(buffer.data(), count));
        } else if (step.rfind("pause:", 0) == 0) {
            Sleep(std::strtoul(value.c_str(), nullptr, 10));
            char made[32];
            std::snprintf(made, sizeof made, " %.1f", NowMs() - lastCallEnd);
            Report(step, TRUE, 0, made);
        } else {
            std::fprintf(stderr, "board-driver-probe: unknown step %s\n", step.c_str());
            return 2;
        }
    }
    return 0;
}
