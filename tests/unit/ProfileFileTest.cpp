// The profile calls, byte for byte: the same INI code reads and writes the
// files on every platform, so these run on Windows too.
#include "platform/Platform.h"
#include "support/LaneConfigFiles.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

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

TEST(ProfileFiles, ANameWithoutAFolderIsInTheCurrentDirectory)
{
    testenv::WriteFile(testenv::WorkDir() + "/Here.Ini", "[S]\nK=here\n");
    EXPECT_EQ(Get("S", "K", 64, "Here.Ini"), "here");
    EXPECT_EQ(Get("S", "K", 64, ".\\Here.Ini"), "here");
    EXPECT_EQ(Get("S", "K", 64, (testenv::WorkDir() + "/Here.Ini").c_str()), "here");
    char names[8];
    EXPECT_EQ(Plat_GetProfileSectionNames(names, sizeof names, "Here.Ini"), 2u);

    ASSERT_TRUE(Plat_WriteProfileString("S", "Added", "1", "Here.Ini"));
    ASSERT_TRUE(Plat_WriteProfileString("New", "K", "2", ".\\Made.Ini"));
    EXPECT_EQ(testenv::ReadFile(testenv::WorkDir() + "/Here.Ini"), "[S]\nK=here\nAdded=1\n");
    EXPECT_EQ(testenv::ReadFile(testenv::WorkDir() + "/Made.Ini"), "[New]\nK=2\n");
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
    EXPECT_EQ(OtherFilesInConfigFolder(), 0) << "no temporary file left";
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

TEST(ProfileWrite, ARefusedWriteLeavesTheFileAsItWas)
{
    const std::string before = "[S]\nA=1\n";
    testenv::WriteFile(TestFile(), before);
    // Read-only (on Windows the read-only attribute).
    fs::permissions(TestFile(),
                    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    EXPECT_FALSE(Set("S", "A", "2"));
    EXPECT_EQ(testenv::ReadFile(TestFile()), before);
    EXPECT_EQ(fs::status(TestFile()).permissions() & fs::perms::owner_write, fs::perms::none);
    EXPECT_EQ(OtherFilesInConfigFolder(), 0);

    // A line break in the value would plant a line of its own.
    fs::permissions(TestFile(), fs::perms::owner_write, fs::perm_options::add);
    EXPECT_FALSE(Set("S", "A", "2\n[Injected]"));
    EXPECT_FALSE(Set("S", "A\r\nB", "2"));
    EXPECT_EQ(testenv::ReadFile(TestFile()), before);
}

}  // namespace
