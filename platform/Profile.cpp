// GetPrivateProfileStringA, WritePrivateProfileStringA and
// GetPrivateProfileSectionNamesA by our own INI code on every platform: the
// result never depends on how one Windows version's profile calls rewrite a
// file, and a file name without a folder means the current directory.
#include "platform/IniText.h"
#include "platform/Platform.h"
#include "platform/ProfileFiles.h"

#include <cstring>
#include <string>

namespace {

// Copies at most size - 1 characters and terminates; the count copied.
unsigned CopyCut(const std::string& value, char* buffer, unsigned size)
{
    size_t length = std::strlen(value.c_str());
    if (length > size - 1) length = size - 1;
    std::memcpy(buffer, value.data(), length);
    buffer[length] = '\0';
    return static_cast<unsigned>(length);
}

bool HasLineBreak(const char* text) { return std::strpbrk(text, "\r\n") != nullptr; }

}  // namespace

unsigned Plat_GetProfileString(const char* section, const char* key, const char* defaultValue,
                               char* buffer, unsigned size, const char* file)
{
    if (buffer == nullptr || size == 0) return 0;
    std::string value = defaultValue != nullptr ? defaultValue : "";
    std::string text;
    std::string found;
    if (section != nullptr && key != nullptr && file != nullptr && ProfileReadFile(file, &text) &&
        IniFindValue(text, section, key, &found))
        value = found;
    return CopyCut(value, buffer, size);
}

bool Plat_WriteProfileString(const char* section, const char* key, const char* value, const char* file)
{
    if (section == nullptr || key == nullptr || value == nullptr || file == nullptr) return false;
    // A line break would split the entry and plant lines of its own (a
    // board's serial number reaches this).
    if (HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(value)) return false;
    return ProfileWriteValue(file, section, key, value);
}

unsigned Plat_GetProfileSectionNames(char* buffer, unsigned size, const char* file)
{
    if (buffer == nullptr || size == 0) return 0;
    buffer[0] = '\0';
    if (size == 1) return 0;
    std::string text;
    if (file == nullptr || !ProfileReadFile(file, &text)) {
        buffer[1] = '\0';
        return 0;
    }
    size_t used = 0;
    for (const std::string& name : IniSectionNames(text)) {
        // Room is kept for this name's terminator and the list's.
        if (used + name.size() + 2 > size) {
            if (used < size - 2) std::memcpy(buffer + used, name.data(), size - 2 - used);
            buffer[size - 2] = '\0';
            buffer[size - 1] = '\0';
            return size - 2;
        }
        std::memcpy(buffer + used, name.c_str(), name.size() + 1);
        used += name.size() + 1;
    }
    buffer[used] = '\0';
    return static_cast<unsigned>(used);
}
