// The board's kernel driver, opened by its device name ("\\.\SecModuleDevice0")
// with synchronous handles.
#include "platform/Platform.h"

#include <windows.h>

namespace {

HANDLE Handle(PlatDevice device) { return reinterpret_cast<HANDLE>(device); }

PlatDevice NativeOpen(const char* deviceName, int access, unsigned long* errorCode)
{
    DWORD desired = 0;
    if (access & PLAT_DEVICE_READ) desired |= GENERIC_READ;
    if (access & PLAT_DEVICE_WRITE) desired |= GENERIC_WRITE;
    // The transport holds several handles on the one device at once.
    HANDLE handle = CreateFileA(deviceName, desired, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        *errorCode = GetLastError();
        return PLAT_INVALID_DEVICE;
    }
    return reinterpret_cast<PlatDevice>(handle);
}

bool NativeRead(PlatDevice device, void* buffer, unsigned size, unsigned* count,
                unsigned long* errorCode)
{
    DWORD read = 0;
    if (!ReadFile(Handle(device), buffer, size, &read, nullptr)) {
        *errorCode = GetLastError();
        return false;
    }
    *count = read;
    return true;
}

bool NativeWrite(PlatDevice device, const void* buffer, unsigned size, unsigned* written,
                 unsigned long* errorCode)
{
    DWORD done = 0;
    if (!WriteFile(Handle(device), buffer, size, &done, nullptr)) {
        *errorCode = GetLastError();
        return false;
    }
    *written = done;
    return true;
}

bool NativeControl(PlatDevice device, unsigned long code, void* outBuffer, unsigned outSize,
                   unsigned long* errorCode)
{
    DWORD returned = 0;
    if (!DeviceIoControl(Handle(device), code, nullptr, 0, outBuffer, outSize, &returned, nullptr)) {
        *errorCode = GetLastError();
        return false;
    }
    return true;
}

const PlatDeviceOps nativeDevice = {NativeOpen, NativeRead, NativeWrite, NativeControl};

}  // namespace

const PlatDeviceOps* Plat_NativeDevice() { return &nativeDevice; }
