#include "commands/FirmwareFileName.h"

#include "base/Variant.h"

#include <cctype>

namespace {

const char* const checksumMarker = "CRC_";

char UpperCase(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

int HexDigitValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

const char* FirmwareControllerMarker() { return IsCuUtility() ? "CU_" : "SU_"; }

int FindNameMarker(const char* marker, const char* name)
{
    for (int start = 0; name[start] != '\0'; ++start) {
        int i = 0;
        while (marker[i] != '\0' && name[start + i] != '\0' &&
               UpperCase(marker[i]) == UpperCase(name[start + i]))
            ++i;
        if (marker[i] == '\0') return start;
        // The name ended inside a partial match: no later start can match.
        if (name[start + i] == '\0') return -1;
    }
    return -1;
}

bool ExpectedChecksumFromName(const char* name, char* digits, uint32_t* checksum)
{
    digits[0] = '\0';
    *checksum = 0;
    const int at = FindNameMarker(checksumMarker, name);
    if (at < 0) return false;
    const char* run = name + at + 4;
    int count = 0;
    uint32_t value = 0;
    while (count < EXPECTED_CHECKSUM_MAX_DIGITS && HexDigitValue(run[count]) >= 0) {
        value = value << 4 | static_cast<uint32_t>(HexDigitValue(run[count]));
        digits[count] = run[count];
        ++count;
    }
    digits[count] = '\0';
    *checksum = value;
    return count > 0;
}
