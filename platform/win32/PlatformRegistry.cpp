// Registry values under HKEY_LOCAL_MACHINE, and the machine name.
#include "platform/Platform.h"

#include <new>
#include <windows.h>

struct PlatRegKeyImpl {
    HKEY key;
};

bool Plat_RegOpenLocalMachineKey(const char* keyPath, PlatRegKey* key)
{
    *key = nullptr;
    HKEY opened;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_READ, &opened) != ERROR_SUCCESS) return false;
    PlatRegKeyImpl* handle = new (std::nothrow) PlatRegKeyImpl{opened};
    if (handle == nullptr) {
        RegCloseKey(opened);
        return false;
    }
    *key = handle;
    return true;
}

bool Plat_RegQueryValue(PlatRegKey key, const char* valueName, char* buffer, unsigned size)
{
    if (key == nullptr || size == 0) return false;
    DWORD length = size;
    LONG result = RegQueryValueExA(key->key, valueName, nullptr, nullptr,
                                   reinterpret_cast<BYTE*>(buffer), &length);
    // A value too long for the buffer is refused (ERROR_MORE_DATA), never cut.
    if (result != ERROR_SUCCESS) return false;
    if (length < size) {
        buffer[length] = '\0';
        return true;
    }
    // The buffer is full: only a value stored with its terminator fits.
    return buffer[size - 1] == '\0';
}

void Plat_RegCloseKey(PlatRegKey key)
{
    if (key == nullptr) return;
    RegCloseKey(key->key);
    delete key;
}

bool Plat_GetComputerName(char* buffer, unsigned size)
{
    if (size == 0) return false;
    DWORD length = size;
    if (GetComputerNameA(buffer, &length) != 0) return true;
    buffer[0] = '\0';
    return false;
}
