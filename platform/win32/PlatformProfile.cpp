// The files behind the profile calls, opened by CreateFileA: a name without a
// folder is the current directory's (the Windows profile calls would look in
// the Windows folder), and a write replaces the file as a whole with one
// rename, so that a failure, or the end of the process half-way, leaves it as
// it was.
#include "platform/IniText.h"
#include "platform/ProfileFiles.h"

#include <windows.h>

#include <atomic>
#include <string>

namespace {

// As the program's other files: a profile being read or replaced may still
// be read, written, renamed or deleted by another program.
const DWORD SHARE_ALL = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// What a replacement takes over from the file it replaces (read-only files
// are not rewritten at all).
const DWORD KEPT_ATTRIBUTES = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

std::atomic<unsigned> tempCounter{0};

// An existing plain file opened for reading; INVALID_HANDLE_VALUE otherwise,
// with GetLastError telling why. A folder fails to open; a device name (NUL,
// COM1) or a pipe opens, but is no profile.
HANDLE OpenPlainFile(const char* path)
{
    HANDLE file = CreateFileA(path, GENERIC_READ, SHARE_ALL, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE || GetFileType(file) == FILE_TYPE_DISK) return file;
    CloseHandle(file);
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
}

bool ReadAll(HANDLE file, std::string* text)
{
    text->clear();
    char chunk[4096];
    for (;;) {
        DWORD count = 0;
        if (ReadFile(file, chunk, sizeof chunk, &count, nullptr) == 0) return false;
        if (count == 0) return true;
        text->append(chunk, count);
    }
}

bool WriteAll(HANDLE file, const std::string& text)
{
    size_t done = 0;
    while (done < text.size()) {
        const size_t left = text.size() - done;
        const DWORD chunk = left > 0x10000000 ? 0x10000000 : static_cast<DWORD>(left);
        DWORD written = 0;
        if (WriteFile(file, text.data() + done, chunk, &written, nullptr) == 0 || written == 0)
            return false;
        done += written;
    }
    return true;
}

// The folder part of a path with its separator: "" for a bare name, "C:" for
// "C:name" (the current directory of drive C:).
std::string FolderPart(const char* path)
{
    const std::string text(path);
    const size_t end = text.find_last_of("\\/:");
    return end == std::string::npos ? std::string() : text.substr(0, end + 1);
}

// A new, empty file beside the target (a rename only replaces within one
// volume), created with the given attributes.
HANDLE CreateTempBeside(const char* target, DWORD attributes, std::string* tempPath)
{
    const std::string stem = FolderPart(target) + "profile-" + std::to_string(GetCurrentProcessId()) +
                             "-";
    for (int attempt = 0; attempt < 100; ++attempt) {
        *tempPath = stem + std::to_string(tempCounter.fetch_add(1)) + ".tmp";
        HANDLE file = CreateFileA(tempPath->c_str(), GENERIC_WRITE, SHARE_ALL, nullptr, CREATE_NEW,
                                  attributes, nullptr);
        if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) return file;
    }
    return INVALID_HANDLE_VALUE;
}

// The new text goes into a file beside the target, reaches the disk, and then
// takes the target's name in one rename: MoveFileExA, not ReplaceFileA, whose
// failure without a backup file can leave the target's name empty.
bool ReplaceWhole(const char* target, const std::string& text, DWORD attributes, bool exists)
{
    std::string tempPath;
    HANDLE temp = CreateTempBeside(target, attributes, &tempPath);
    if (temp == INVALID_HANDLE_VALUE) return false;
    bool written = WriteAll(temp, text) && FlushFileBuffers(temp) != 0;
    written = CloseHandle(temp) != 0 && written;
    // A file that appeared since it was found missing is not overwritten.
    const DWORD flags = MOVEFILE_WRITE_THROUGH | (exists ? MOVEFILE_REPLACE_EXISTING : 0);
    written = written && MoveFileExA(tempPath.c_str(), target, flags) != 0;
    if (!written) DeleteFileA(tempPath.c_str());
    return written;
}

}  // namespace

bool ProfileReadFile(const char* file, std::string* text)
{
    HANDLE handle = OpenPlainFile(file);
    if (handle == INVALID_HANDLE_VALUE) return false;
    const bool read = ReadAll(handle, text);
    CloseHandle(handle);
    return read;
}

bool ProfileWriteValue(const char* file, const char* section, const char* key, const char* value)
{
    std::string text;
    DWORD attributes = FILE_ATTRIBUTE_NORMAL;
    HANDLE old = OpenPlainFile(file);
    const bool exists = old != INVALID_HANDLE_VALUE;
    if (exists) {
        BY_HANDLE_FILE_INFORMATION info;
        const bool read = GetFileInformationByHandle(old, &info) != 0 && ReadAll(old, &text);
        CloseHandle(old);
        // Windows refuses to write a read-only file.
        if (!read || (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0) return false;
        if ((info.dwFileAttributes & KEPT_ATTRIBUTES) != 0)
            attributes = info.dwFileAttributes & KEPT_ATTRIBUTES;
    } else if (GetLastError() != ERROR_FILE_NOT_FOUND) {
        // A missing folder, a folder or a device in its place, no access.
        return false;
    }
    return ReplaceWhole(file, IniSetValue(text, section, key, value), attributes, exists);
}
