// Placeholder until the board socket exists: every open fails as if the
// socket were missing.
#include "platform/Platform.h"

namespace {

PlatDevice StubOpen(const char*, int, unsigned long* errorCode)
{
    *errorCode = 2;
    return PLAT_INVALID_DEVICE;
}
bool StubRead(PlatDevice, void*, unsigned, unsigned*, unsigned long* errorCode)
{
    *errorCode = 6;
    return false;
}
bool StubWrite(PlatDevice, const void*, unsigned, unsigned*, unsigned long* errorCode)
{
    *errorCode = 6;
    return false;
}
bool StubControl(PlatDevice, unsigned long, void*, unsigned, unsigned long* errorCode)
{
    *errorCode = 6;
    return false;
}

const PlatDeviceOps stubDevice = {StubOpen, StubRead, StubWrite, StubControl};

}  // namespace

const PlatDeviceOps* Plat_NativeDevice() { return &stubDevice; }
