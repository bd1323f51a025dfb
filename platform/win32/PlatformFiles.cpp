#include "platform/Platform.h"

#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

bool Plat_CreateDirectory(const char* path) { return CreateDirectoryA(path, nullptr) != 0; }

bool Plat_MoveFileReplace(const char* from, const char* to)
{
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING) != 0;
}

// fopen's modes ("r", "w", "a", with "+" and "b"), but the file is shared for
// renaming and deleting too: another program on the lane that rotates its
// capture files must be able to move this one aside while it is being
// written, instead of failing and then truncating it.
FILE* Plat_OpenFile(const char* path, const char* mode)
{
    const bool update = std::strchr(mode, '+') != nullptr;
    DWORD access = 0;
    DWORD disposition = 0;
    int flags = std::strchr(mode, 'b') != nullptr ? _O_BINARY : _O_TEXT;
    switch (mode[0]) {
    case 'r':
        access = GENERIC_READ | (update ? GENERIC_WRITE : 0);
        disposition = OPEN_EXISTING;
        if (!update) flags |= _O_RDONLY;
        break;
    case 'w':
        access = GENERIC_WRITE | (update ? GENERIC_READ : 0);
        disposition = CREATE_ALWAYS;
        break;
    case 'a':
        access = GENERIC_WRITE | (update ? GENERIC_READ : 0);
        disposition = OPEN_ALWAYS;
        flags |= _O_APPEND;
        break;
    default: return nullptr;
    }
    HANDLE handle = CreateFileA(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle), flags);
    if (descriptor < 0) {
        CloseHandle(handle);
        return nullptr;
    }
    FILE* file = _fdopen(descriptor, mode);
    if (file == nullptr) _close(descriptor);
    return file;
}

void Plat_LastErrorText(char* out, size_t size)
{
    if (size == 0) return;
    const DWORD code = GetLastError();
    char text[256];
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                  code, 0, text, sizeof text, nullptr);
    // Without the line end and the full stop the system's texts end with.
    while (length > 0 && std::strchr("\r\n. ", text[length - 1]) != nullptr) --length;
    std::snprintf(out, size, "%.*s (error %lu)", static_cast<int>(length), text,
                  static_cast<unsigned long>(code));
}

long Plat_GetFileAttributes(const char* path)
{
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return -1;
    return static_cast<long>(attributes);
}
