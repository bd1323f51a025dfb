// Placeholder until the profile files exist: every key is missing.
#include "platform/Platform.h"

#include <cstring>

unsigned Plat_GetProfileString(const char*, const char*, const char* defaultValue, char* buffer,
                               unsigned size, const char*)
{
    if (size == 0) return 0;
    size_t length = std::strlen(defaultValue);
    if (length >= size) length = size - 1;
    std::memcpy(buffer, defaultValue, length);
    buffer[length] = '\0';
    return static_cast<unsigned>(length);
}

bool Plat_WriteProfileString(const char*, const char*, const char*, const char*) { return false; }

unsigned Plat_GetProfileSectionNames(char* buffer, unsigned size, const char*)
{
    if (size >= 2) buffer[0] = buffer[1] = '\0';
    return 0;
}

bool Plat_RegOpenLocalMachineKey(const char*, PlatRegKey* key)
{
    *key = nullptr;
    return false;
}

bool Plat_RegQueryValue(PlatRegKey, const char*, char*, unsigned) { return false; }

void Plat_RegCloseKey(PlatRegKey) {}

bool Plat_GetComputerName(char* buffer, unsigned size)
{
    if (size == 0) return false;
    buffer[0] = '\0';
    return false;
}
