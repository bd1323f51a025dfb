// Paths, files and the driver as Windows sees them: drive C: is the real one,
// and a path is opened exactly as the program writes it.
#include "platform/Platform.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <windows.h>

namespace {

TEST(Win32Files, FoldersAttributesAndReplacingRename)
{
    EXPECT_EQ(Plat_GetFileAttributes("..\\Missing"), -1);
    ASSERT_TRUE(Plat_CreateDirectory("..\\Dumps"));
    EXPECT_FALSE(Plat_CreateDirectory("..\\Dumps"));
    EXPECT_FALSE(Plat_CreateDirectory("..\\NoParent\\Child"));
    EXPECT_NE(Plat_GetFileAttributes("..\\Dumps") & FILE_ATTRIBUTE_DIRECTORY, 0);

    FILE* older = Plat_OpenFile("..\\Dumps\\Older.Txt", "w");
    ASSERT_NE(older, nullptr);
    std::fputs("older\n", older);
    std::fclose(older);
    FILE* newer = Plat_OpenFile("..\\Dumps\\Newer.Txt", "w");
    ASSERT_NE(newer, nullptr);
    std::fputs("newer\n", newer);
    std::fclose(newer);
    long attributes = Plat_GetFileAttributes("..\\Dumps\\Older.Txt");
    EXPECT_EQ(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY), 0);

    ASSERT_TRUE(Plat_MoveFileReplace("..\\Dumps\\Newer.Txt", "..\\Dumps\\Older.Txt"));
    EXPECT_EQ(Plat_GetFileAttributes("..\\Dumps\\Newer.Txt"), -1);
    // Text mode: the line end is Windows'.
    EXPECT_EQ(testenv::ReadFile(testenv::WorkDir() + "/../Dumps/Older.Txt"), "newer\r\n");

    ASSERT_TRUE(SetFileAttributesA("..\\Dumps\\Older.Txt", FILE_ATTRIBUTE_READONLY));
    EXPECT_NE(Plat_GetFileAttributes("..\\Dumps\\Older.Txt") & FILE_ATTRIBUTE_READONLY, 0);
    SetFileAttributesA("..\\Dumps\\Older.Txt", FILE_ATTRIBUTE_NORMAL);
}

TEST(Win32Device, MissingDriverFailsTheOpenWithFileNotFound)
{
    const PlatDeviceOps* device = Plat_NativeDevice();
    for (int access : {PLAT_DEVICE_WRITE, PLAT_DEVICE_READ}) {
        unsigned long errorCode = 0;
        EXPECT_EQ(device->open("\\\\.\\SecModuleDevice0", access, &errorCode), PLAT_INVALID_DEVICE);
        EXPECT_EQ(errorCode, static_cast<unsigned long>(ERROR_FILE_NOT_FOUND));
    }
}

TEST(Win32Device, HandlesReadAndWriteLikeTheDriver)
{
    // A file stands in for the driver: the same synchronous handle calls.
    testenv::WriteFile(testenv::WorkDir() + "/Device.Bin", "\x06\x06\x02Z2");
    const PlatDeviceOps* device = Plat_NativeDevice();
    unsigned long errorCode = 0;
    PlatDevice reader = device->open("Device.Bin", PLAT_DEVICE_READ, &errorCode);
    ASSERT_NE(reader, PLAT_INVALID_DEVICE) << errorCode;
    PlatDevice writer = device->open("Device.Bin", PLAT_DEVICE_WRITE, &errorCode);
    ASSERT_NE(writer, PLAT_INVALID_DEVICE) << errorCode;

    unsigned char packet[64];
    unsigned count = 0;
    ASSERT_TRUE(device->read(reader, packet, sizeof packet, &count, &errorCode));
    EXPECT_EQ(count, 5u);
    unsigned written = 0;
    ASSERT_TRUE(device->write(writer, "abc", 3, &written, &errorCode));
    EXPECT_EQ(written, 3u);
    // A file knows no control requests: the call fails with the system's code.
    unsigned char reply[4];
    EXPECT_FALSE(device->control(writer, 0x222004, reply, sizeof reply, &errorCode));
    EXPECT_NE(errorCode, 0u);
    CloseHandle(reinterpret_cast<HANDLE>(reader));
    CloseHandle(reinterpret_cast<HANDLE>(writer));
}

}  // namespace
