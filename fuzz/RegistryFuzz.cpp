// The registry value: the input is the whole registry file; the lane's
// values are read into buffers of several sizes. A value read must be
// terminated within the buffer and hold no line end.
#include "config/ConfigLookup.h"
#include "fuzz/FuzzSupport.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzsupport::SetUpOnce();
    fuzzsupport::WriteFile(fuzzsupport::Scratch() + "/registry.ini", data, size);
    const char* names[] = {"SecurityModuleType", "LaneType", "", "=", "[x]"};
    const unsigned lengths[] = {1, 2, 8, 64, 201};
    for (const char* name : names) {
        for (unsigned length : lengths) {
            char buffer[256];
            std::memset(buffer, 0x7F, sizeof buffer);
            bool read = ReadLaneRegistryValue(name, buffer, length);
            if (std::memchr(buffer, '\0', length) == nullptr) fuzzsupport::Fail("not terminated");
            if (buffer[length] != 0x7F) fuzzsupport::Fail("wrote past the buffer");
            if (read && std::strchr(buffer, '\n') != nullptr) fuzzsupport::Fail("line end in value");
        }
    }
    return 0;
}
