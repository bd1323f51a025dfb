// Private-profile (INI) files through the Windows profile calls. A file name
// without a folder is looked for in the Windows folder, as Windows does.
#include "platform/Platform.h"

#include <windows.h>

unsigned Plat_GetProfileString(const char* section, const char* key, const char* defaultValue,
                               char* buffer, unsigned size, const char* file)
{
    return GetPrivateProfileStringA(section, key, defaultValue, buffer, size, file);
}

bool Plat_WriteProfileString(const char* section, const char* key, const char* value,
                             const char* file)
{
    return WritePrivateProfileStringA(section, key, value, file) != 0;
}

unsigned Plat_GetProfileSectionNames(char* buffer, unsigned size, const char* file)
{
    return GetPrivateProfileSectionNamesA(buffer, size, file);
}
