// Windows' own side of the profile files: a rewrite replaces the file rather
// than writing where it stood, and keeps its attributes.
#include "platform/Platform.h"
#include "support/LaneConfigFiles.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <string>
#include <windows.h>

namespace fs = std::filesystem;

namespace {

const char FILE_NAME[] = "..\\Config\\Test.Ini";

long FilesInConfigFolder()
{
    return std::distance(
        fs::directory_iterator(fs::path(lanefiles::ConfigPath("Test.Ini")).parent_path()),
        fs::directory_iterator());
}

// The file's identity on its volume: a replacement is another file.
unsigned long long FileIndex(const char* path)
{
    HANDLE file = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    BY_HANDLE_FILE_INFORMATION info = {};
    if (file != INVALID_HANDLE_VALUE) {
        GetFileInformationByHandle(file, &info);
        CloseHandle(file);
    }
    return (static_cast<unsigned long long>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
}

TEST(Win32Profile, AWriteReplacesTheFileKeepingItsAttributes)
{
    lanefiles::WriteConfig("Test.Ini", "[S]\r\nA=1\r\n");
    ASSERT_NE(SetFileAttributesA(FILE_NAME, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE), 0);
    const unsigned long long before = FileIndex(FILE_NAME);
    ASSERT_TRUE(Plat_WriteProfileString("S", "A", "2", FILE_NAME));
    EXPECT_NE(FileIndex(FILE_NAME), before) << "rewritten where it stood";
    EXPECT_EQ(testenv::ReadFile(lanefiles::ConfigPath("Test.Ini")), "[S]\r\nA=2\r\n");
    EXPECT_EQ(GetFileAttributesA(FILE_NAME) & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE),
              static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_EQ(FilesInConfigFolder(), 1L);
}

TEST(Win32Profile, AFileHeldOpenIsReplacedWholeOrLeftAsItWas)
{
    lanefiles::WriteConfig("Test.Ini", "[S]\r\nA=1\r\n");
    // Held as the programs hold their files; Wine refuses to rename over it.
    HANDLE reader = CreateFileA(FILE_NAME, GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    const bool written = Plat_WriteProfileString("S", "A", "2", FILE_NAME);
    char seen[16] = {};
    DWORD count = 0;
    ReadFile(reader, seen, sizeof seen - 1, &count, nullptr);
    CloseHandle(reader);
    EXPECT_EQ(std::string(seen, count), "[S]\r\nA=1\r\n");
    EXPECT_EQ(testenv::ReadFile(lanefiles::ConfigPath("Test.Ini")),
              written ? "[S]\r\nA=2\r\n" : "[S]\r\nA=1\r\n");
    EXPECT_EQ(FilesInConfigFolder(), 1L) << "no temporary file left";
}

}  // namespace
