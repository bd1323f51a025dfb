// Private-profile (INI) files through the Windows profile calls. A file name
// without a folder is looked for in the Windows folder, as Windows does.
#include "platform/Platform.h"

#include <windows.h>

#include <cstring>

namespace {

bool HasLineBreak(const char* text) { return text != nullptr && std::strpbrk(text, "\r\n") != nullptr; }

}  // namespace

unsigned Plat_GetProfileString(const char* section, const char* key, const char* defaultValue,
                               char* buffer, unsigned size, const char* file)
{
    return GetPrivateProfileStringA(section, key, defaultValue, buffer, size, file);
}

bool Plat_WriteProfileString(const char* section, const char* key, const char* value, const char* file)
{
    // Windows writes a line break as it is: it would split the entry and
    // plant lines of its own (a board's serial number reaches this).
    if (HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(value)) return false;
    return WritePrivateProfileStringA(section, key, value, file) != 0;
}

unsigned Plat_GetProfileSectionNames(char* buffer, unsigned size, const char* file)
{
    return GetPrivateProfileSectionNamesA(buffer, size, file);
}
