// The stand-in's own side of the profile files: drive paths, permissions,
// links, and a replacement that never rewrites the old file in place.
#include "platform/Platform.h"
#include "support/LaneConfigFiles.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const char FILE_NAME[] = "..\\Config\\Test.Ini";

std::string TestFile() { return lanefiles::ConfigPath("Test.Ini"); }

bool Set(const char* section, const char* key, const char* value)
{
    return Plat_WriteProfileString(section, key, value, FILE_NAME);
}

long FilesInConfigFolder()
{
    return std::distance(fs::directory_iterator(fs::path(TestFile()).parent_path()),
                         fs::directory_iterator());
}

unsigned Mode(const std::string& path)
{
    struct stat info;
    if (stat(path.c_str(), &info) != 0) return 0;
    return info.st_mode & 07777;
}

TEST(PosixProfile, ProgramPathsAreMapped)
{
    testenv::WriteFile(testenv::DriveRoot() + "/Lane/Drive.Ini", "[S]\nK=on drive c\n");
    char value[64];
    Plat_GetProfileString("S", "K", "DEF", value, sizeof value, "c:\\Lane\\Drive.Ini");
    EXPECT_STREQ(value, "on drive c");
    Plat_GetProfileString("S", "K", "DEF", value, sizeof value, "\\Lane\\Drive.Ini");
    EXPECT_STREQ(value, "on drive c");
}

TEST(PosixProfile, AWriteKeepsPermissionsAndLeavesTheOldFileUntouched)
{
    testenv::WriteFile(TestFile(), "[S]\nA=1\n");
    ASSERT_EQ(chmod(TestFile().c_str(), 0640), 0);
    // A reader that has the old file open still reads the old text: the
    // file was replaced, never rewritten where it stood.
    int reader = open(TestFile().c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    ASSERT_TRUE(Set("S", "A", "2"));
    char old[16] = {};
    ssize_t count = read(reader, old, sizeof old - 1);
    close(reader);
    EXPECT_EQ(std::string(old, count > 0 ? static_cast<size_t>(count) : 0u), "[S]\nA=1\n");
    EXPECT_EQ(testenv::ReadFile(TestFile()), "[S]\nA=2\n");
    EXPECT_EQ(Mode(TestFile()), 0640u);
    EXPECT_EQ(FilesInConfigFolder(), 1L);
}

TEST(PosixProfile, AFolderThatCannotTakeTheReplacementRefusesTheWrite)
{
    if (geteuid() == 0) GTEST_SKIP() << "folder permissions do not bind the superuser";
    const std::string before = "[S]\nA=1\n";
    testenv::WriteFile(TestFile(), before);
    const std::string folder = fs::path(TestFile()).parent_path().string();
    ASSERT_EQ(chmod(folder.c_str(), 0555), 0);
    bool written = Set("S", "A", "2");
    chmod(folder.c_str(), 0755);
    EXPECT_FALSE(written);
    EXPECT_EQ(testenv::ReadFile(TestFile()), before);
    EXPECT_EQ(FilesInConfigFolder(), 1L);
}

TEST(PosixProfile, ALinkIsFollowedAndStaysALink)
{
    const std::string real = testenv::ScratchDir() + "/real.ini";
    testenv::WriteFile(real, "[S]\nA=1\n");
    fs::create_directories(fs::path(TestFile()).parent_path());
    fs::create_symlink(real, TestFile());
    ASSERT_TRUE(Set("S", "A", "2"));
    EXPECT_TRUE(fs::is_symlink(TestFile()));
    EXPECT_EQ(testenv::ReadFile(real), "[S]\nA=2\n");
}

}  // namespace
