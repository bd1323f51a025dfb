#include "emulator/SystemError.h"

#include <cstring>

namespace emulator {

namespace {

// strerror_r comes in two forms: the GNU one returns the text, the POSIX one
// fills the buffer and returns 0. The C library in use needs only one.
[[maybe_unused]] const char* TextOf(const char* text, const char*) { return text; }
[[maybe_unused]] const char* TextOf(int result, const char* buffer)
{
    return result == 0 ? buffer : "unknown error";
}

}  // namespace

std::string SystemErrorText(int code)
{
    char buffer[256] = "";
    return TextOf(strerror_r(code, buffer, sizeof buffer), buffer);
}

}  // namespace emulator
