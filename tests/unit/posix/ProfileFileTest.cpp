#include "platform/Platform.h"
#include "support/LaneConfigFiles.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const char FILE_NAME[] = "..\\Config\\Test.Ini";

std::string TestFile() { return lanefiles::ConfigPath("Test.Ini"); }

std::string Get(const char* section, const char* key, unsigned size = 256, const char* file = FILE_NAME)
{
    std::string buffer(size, '#');
    unsigned count = Plat_GetProfileString(section, key, "DEF", &buffer[0], size, file);
    EXPECT_EQ(buffer[count], '\0');
    return buffer.substr(0, count);
}

bool Set(const char* section, const char* key, const char* value)
{
    return Plat_WriteProfileString(section, key, value, FILE_NAME);
}

// Files other than the profile itself in its folder (left-over temp files).
int OtherFilesInConfigFolder()
{
    int count = 0;
    for (const auto& entry : fs::directory_iterator(fs::path(TestFile()).parent_path()))
        if (entry.path().filename() != "Test.Ini") ++count;
    return count;
}

unsigned Mode(const std::string& path)
{
    struct stat info;
    if (stat(path.c_str(), &info) != 0) return 0;
    return info.st_mode & 07777;
}

TEST(ProfileRead, NamesBlanksQuotesAndComments)
{
    testenv::WriteFile(TestFile(),
                       "; leading comment\n"
                       "orphan=before any section\n"
                       "  [ Lane Setup ]  \n"
                       "  Store Name   =  Main Street  \n"
                       "Quoted=\"  padded  \"\n"
                       "Single='x'\n"
                       "Mixed=\"x'\n"
                       "Inner=a\"b\"\n"
                       ";Hidden=1\n"
                       "  ; Indented=1\n"
                       "NoEquals\n"
                       "Empty=\n");
    EXPECT_EQ(Get("lane setup", "STORE NAME"), "Main Street");
    EXPECT_EQ(Get("Lane Setup", "quoted"), "  padded  ");
    EXPECT_EQ(Get("Lane Setup", "Single"), "x");
    EXPECT_EQ(Get("Lane Setup", "Mixed"), "\"x'");
    EXPECT_EQ(Get("Lane Setup", "Inner"), "a\"b\"");
    EXPECT_EQ(Get("Lane Setup", "Hidden"), "DEF");
    EXPECT_EQ(Get("Lane Setup", "Indented"), "DEF");
    EXPECT_EQ(Get("Lane Setup", "NoEquals"), "DEF");
    EXPECT_EQ(Get("Lane Setup", "Empty"), "");
    EXPECT_EQ(Get("Lane Setup", "orphan"), "DEF");
}

TEST(ProfileRead, FirstSectionAndFirstKeyWinWithEitherLineEnd)
{
    testenv::WriteFile(
        TestFile(),
        "[A]\r\nKey=first\r\nkey=second\r\n[B]\r\nOther=b\r\n[a]\r\nKey=third\r\nLate=1\r\n");
    EXPECT_EQ(Get("A", "Key"), "first");
    EXPECT_EQ(Get("A", "Late"), "DEF");
    EXPECT_EQ(Get("B", "Other"), "b");
    EXPECT_EQ(Get("B", "Key"), "DEF");

    testenv::WriteFile(TestFile(), "[A]\nKey=lf\n[B]\nLast=no line end");
    EXPECT_EQ(Get("A", "Key"), "lf");
    EXPECT_EQ(Get("B", "Last"), "no line end");
}

TEST(ProfileRead, MissingFileSectionOrKeyGivesTheDefaultCutToSize)
{
    EXPECT_EQ(Get("A", "Key"), "DEF");
    testenv::WriteFile(TestFile(), "[A]\nKey=0123456789\n");
    EXPECT_EQ(Get("Z", "Key"), "DEF");
    EXPECT_EQ(Get("A", "Key", 5), "0123");
    EXPECT_EQ(Get("A", "Missing", 3), "DE");
    EXPECT_EQ(Get("A", "Key", 1), "");
}

TEST(ProfileRead, ProgramPathsAreMapped)
{
    testenv::WriteFile(testenv::DriveRoot() + "/Lane/Drive.Ini", "[S]\nK=on drive c\n");
    EXPECT_EQ(Get("S", "K", 64, "c:\\Lane\\Drive.Ini"), "on drive c");
    EXPECT_EQ(Get("S", "K", 64, "\\Lane\\Drive.Ini"), "on drive c");
}

TEST(ProfileSectionNames, ListedInOrderAndCutToSize)
{
    testenv::WriteFile(TestFile(), "[One]\nk=v\n; [Not]\n[ Two ]\n[Three]\n");
    char names[64];
    unsigned count = Plat_GetProfileSectionNames(names, sizeof names, FILE_NAME);
    EXPECT_EQ(std::string(names, count + 1), std::string("One\0Two\0Three\0\0", 15));

    char small[7];
    count = Plat_GetProfileSectionNames(small, sizeof small, FILE_NAME);
    EXPECT_EQ(count, 5u);
    EXPECT_EQ(std::string(small, 7), std::string("One\0T\0\0", 7));

    char none[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(Plat_GetProfileSectionNames(none, sizeof none, "..\\Config\\Missing.Ini"), 0u);
    EXPECT_EQ(none[0], '\0');
    EXPECT_EQ(none[1], '\0');
}

TEST(ProfileWrite, ReplacesOnlyTheKeysLineInAnLfFile)
{
    const std::string before =
        "; lane file\n"
        "\n"
        "[Common]\n"
        "  StoreName = \"Main\"   ; old\n"
        "LaneNumber=4\n"
        "\n"
        "[HardwareVersions]\n"
        "; kept\n"
        "Scanner = 1.0\n"
        "Scale=2.0\n"
        "\n";
    testenv::WriteFile(TestFile(), before);
    ASSERT_TRUE(Set("hardwareversions", "SCANNER", "1.1"));
    ASSERT_TRUE(Set("Common", "storename", "Corner"));
    EXPECT_EQ(testenv::ReadFile(TestFile()),
              "; lane file\n"
              "\n"
              "[Common]\n"
              "storename=Corner\n"
              "LaneNumber=4\n"
              "\n"
              "[HardwareVersions]\n"
              "; kept\n"
              "SCANNER=1.1\n"
              "Scale=2.0\n"
              "\n");
    EXPECT_EQ(Get("Common", "StoreName"), "Corner");
}

TEST(ProfileWrite, AddsKeysAfterTheLastEntryAndSectionsAtTheEndOfACrlfFile)
{
    testenv::WriteFile(TestFile(),
                       "[First]\r\n"
                       "A=1\r\n"
                       "B=2\r\n"
                       "\r\n"
                       "; about Second\r\n"
                       "[Second]\r\n"
                       "\r\n");
    ASSERT_TRUE(Set("First", "C", "3"));
    ASSERT_TRUE(Set("Second", "D", "4"));
    ASSERT_TRUE(Set("Third", "E", "5"));
    EXPECT_EQ(testenv::ReadFile(TestFile()),
              "[First]\r\n"
              "A=1\r\n"
              "B=2\r\n"
              "C=3\r\n"
              "\r\n"
              "; about Second\r\n"
              "[Second]\r\n"
              "D=4\r\n"
              "\r\n"
              "[Third]\r\n"
              "E=5\r\n");
}

TEST(ProfileWrite, ALastLineWithoutLineEndGetsOneFirst)
{
    testenv::WriteFile(TestFile(), "[S]\r\nA=1");
    ASSERT_TRUE(Set("S", "B", "2"));
    EXPECT_EQ(testenv::ReadFile(TestFile()), "[S]\r\nA=1\r\nB=2\r\n");

    testenv::WriteFile(TestFile(), "[S]\nA=1\n; trailing comment");
    ASSERT_TRUE(Set("New", "K", "v"));
    EXPECT_EQ(testenv::ReadFile(TestFile()), "[S]\nA=1\n; trailing comment\n[New]\nK=v\n");

    // A replaced last line keeps having no line end.
    testenv::WriteFile(TestFile(), "[S]\nA=1");
    ASSERT_TRUE(Set("S", "A", "22"));
    EXPECT_EQ(testenv::ReadFile(TestFile()), "[S]\nA=22");
}

TEST(ProfileWrite, NamesWithBlanksAroundThemReadBack)
{
    // Found by fuzzing: the file's names are trimmed, so an untrimmed
    // section or key was written but never found again.
    testenv::WriteFile(TestFile(), "[S]\nA=1\n");
    ASSERT_TRUE(Set("B\t", " K ", "v"));
    EXPECT_EQ(Get("B\t", " K "), "v");
    EXPECT_EQ(Get("B", "K"), "v");
    ASSERT_TRUE(Set(" S", "A ", "2"));
    EXPECT_EQ(Get("S", "A"), "2");
    EXPECT_EQ(testenv::ReadFile(TestFile()), "[S]\nA =2\n[B\t]\n K =v\n");
}

TEST(ProfileWrite, CreatesAMissingFileButNotItsFolder)
{
    fs::create_directories(fs::path(TestFile()).parent_path());
    ASSERT_TRUE(Set("HardwareVersions", "Board", "5.00"));
    EXPECT_EQ(testenv::ReadFile(TestFile()), "[HardwareVersions]\nBoard=5.00\n");
    EXPECT_FALSE(Plat_WriteProfileString("S", "K", "v", "..\\NoSuchFolder\\x.Ini"));
    EXPECT_FALSE(testenv::FileExists(testenv::ScratchDir() + "/lane/NoSuchFolder"));
}

TEST(ProfileWrite, KeepsPermissionsAndLeavesNoTemporaryFile)
{
    testenv::WriteFile(TestFile(), "[S]\nA=1\n");
    ASSERT_EQ(chmod(TestFile().c_str(), 0640), 0);
    ASSERT_TRUE(Set("S", "A", "2"));
    EXPECT_EQ(Mode(TestFile()), 0640u);
    EXPECT_EQ(OtherFilesInConfigFolder(), 0);
}

TEST(ProfileWrite, ARefusedWriteLeavesTheFileAsItWas)
{
    const std::string before = "[S]\nA=1\n";
    testenv::WriteFile(TestFile(), before);
    ASSERT_EQ(chmod(TestFile().c_str(), 0444), 0);
    EXPECT_FALSE(Set("S", "A", "2"));
    EXPECT_EQ(testenv::ReadFile(TestFile()), before);
    EXPECT_EQ(Mode(TestFile()), 0444u);
    EXPECT_EQ(OtherFilesInConfigFolder(), 0);

    // A line break in the value would plant a line of its own.
    ASSERT_EQ(chmod(TestFile().c_str(), 0644), 0);
    EXPECT_FALSE(Set("S", "A", "2\n[Injected]"));
    EXPECT_FALSE(Set("S", "A\r\nB", "2"));
    EXPECT_EQ(testenv::ReadFile(TestFile()), before);
}

TEST(ProfileWrite, AFolderThatCannotTakeTheReplacementRefusesTheWrite)
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
    EXPECT_EQ(OtherFilesInConfigFolder(), 0);
}

TEST(ProfileWrite, ALinkIsFollowedAndStaysALink)
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
