// The local-machine hive of the registry is a file: one INI section per key
// path, its entries the key's values as text. The host name stands for the
// computer name.
#include "platform/Platform.h"
#include "platform/IniText.h"
#include "platform/posix/PosixSupport.h"

#include <climits>
#include <cstring>
#include <new>
#include <string>
#include <unistd.h>

struct PlatRegKeyImpl {
    std::string path;
};

namespace {

std::string RegistryFile()
{
    std::string file = PosixEnv("SECMODULE_REGISTRY");
    if (!file.empty()) return file;
    return PosixEnv("HOME") + "/.secmodule/registry.ini";
}

bool ReadRegistry(std::string* text) { return PosixReadWholeFile(RegistryFile(), text); }

}  // namespace

bool Plat_RegOpenLocalMachineKey(const char* keyPath, PlatRegKey* key)
{
    *key = nullptr;
    std::string text;
    if (keyPath == nullptr || !ReadRegistry(&text) || !IniHasSection(text, keyPath)) return false;
    *key = new (std::nothrow) PlatRegKeyImpl{keyPath};
    return *key != nullptr;
}

bool Plat_RegQueryValue(PlatRegKey key, const char* valueName, char* buffer, unsigned size)
{
    std::string text;
    std::string value;
    if (key == nullptr || valueName == nullptr || buffer == nullptr || size == 0) return false;
    if (!ReadRegistry(&text) || !IniFindValue(text, key->path.c_str(), valueName, &value)) return false;
    // Windows refuses a value that does not fit rather than cutting it.
    if (value.size() > size - 1) return false;
    std::memcpy(buffer, value.data(), value.size());
    buffer[value.size()] = '\0';
    return true;
}

void Plat_RegCloseKey(PlatRegKey key) { delete key; }

bool Plat_GetComputerName(char* buffer, unsigned size)
{
    if (buffer == nullptr || size == 0) return false;
    buffer[0] = '\0';
    char host[HOST_NAME_MAX + 1];
    if (gethostname(host, sizeof host) != 0) return false;
    host[HOST_NAME_MAX] = '\0';
    size_t length = std::strlen(host);
    if (length > size - 1) return false;
    std::memcpy(buffer, host, length + 1);
    return true;
}
