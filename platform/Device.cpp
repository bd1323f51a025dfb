// Routes device calls to the native driver or to a test backend.
#include "platform/Platform.h"

#include <atomic>

namespace {
std::atomic<const PlatDeviceOps*> currentDevice{nullptr};
}

void Plat_SetDevice(const PlatDeviceOps* ops) { currentDevice.store(ops); }

const PlatDeviceOps* Plat_Device()
{
    const PlatDeviceOps* ops = currentDevice.load();
    return ops != nullptr ? ops : Plat_NativeDevice();
}
