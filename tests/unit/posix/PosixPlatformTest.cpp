// The POSIX stand-ins for drive C:, files, time, locks and threads.
#include "platform/Platform.h"
#include "support/TestEnvironment.h"
#include "support/TimingAllowance.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <regex>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string Native(const char* path)
{
    char out[4096];
    if (!Plat_NativePath(path, out, sizeof out)) return "<does not fit>";
    return out;
}

// Sets an environment variable for one test and puts it back afterwards.
class EnvScope {
public:
    EnvScope(const char* name, const char* value) : name_(name)
    {
        const char* old = std::getenv(name);
        hadValue_ = old != nullptr;
        if (hadValue_) old_ = old;
        testenv::SetEnv(name, value);
    }
    ~EnvScope() { testenv::SetEnv(name_, hadValue_ ? old_.c_str() : nullptr); }
    EnvScope(const EnvScope&) = delete;
    EnvScope& operator=(const EnvScope&) = delete;

private:
    const char* name_;
    bool hadValue_ = false;
    std::string old_;
};

TEST(PosixPaths, DriveLettersAndLeadingBackslashLeadBelowTheRoot)
{
    const std::string root = testenv::DriveRoot();
    EXPECT_EQ(Native("c:\\FirmwareUpdate\\Utility01.Txt"), root + "/FirmwareUpdate/Utility01.Txt");
    EXPECT_EQ(Native("C:\\FirmwareUpdate\\ScaleDump.txt"), root + "/FirmwareUpdate/ScaleDump.txt");
    EXPECT_EQ(Native("d:\\Other\\x.Ini"), root + "/Other/x.Ini");
    EXPECT_EQ(Native("\\FirmwareUpdate"), root + "/FirmwareUpdate");
    EXPECT_EQ(Native("c:FirmwareUpdate"), root + "/FirmwareUpdate");
    EXPECT_EQ(Native("c:\\"), root + "/");
}

TEST(PosixPaths, OtherPathsOnlyTurnTheirBackslashes)
{
    EXPECT_EQ(Native("..\\Config\\LaneConfig.Ini"), "../Config/LaneConfig.Ini");
    EXPECT_EQ(Native("Image\\CRC_1A2B.Hex"), "Image/CRC_1A2B.Hex");
    EXPECT_EQ(Native("/var/tmp/MixedCase.TXT"), "/var/tmp/MixedCase.TXT");
    EXPECT_EQ(Native("plain.txt"), "plain.txt");
    EXPECT_EQ(Native(""), "");
    char small[8];
    EXPECT_FALSE(Plat_NativePath("c:\\FirmwareUpdate\\Utility01.Txt", small, sizeof small));
    EXPECT_FALSE(Plat_NativePath("12345678", small, sizeof small));
    EXPECT_TRUE(Plat_NativePath("1234567", small, sizeof small));
}

TEST(PosixPaths, DriveRootIsCreatedWithItsParentsOnFirstUse)
{
    const std::string root = testenv::ScratchDir() + "/deep/er/drive_c";
    EnvScope rootScope("SECMODULE_ROOT", root.c_str());
    Native("..\\Config\\LaneConfig.Ini");
    EXPECT_FALSE(testenv::FileExists(root)) << "a path outside the drive does not create it";
    EXPECT_EQ(Native("c:\\FirmwareUpdate"), root + "/FirmwareUpdate");
    EXPECT_TRUE(fs::is_directory(root));
    EXPECT_FALSE(testenv::FileExists(root + "/FirmwareUpdate"));
}

TEST(PosixPaths, EmptyRootVariableCountsAsUnset)
{
    const std::string home = testenv::ScratchDir() + "/home";
    EnvScope homeScope("HOME", home.c_str());
    EnvScope rootScope("SECMODULE_ROOT", "");
    EXPECT_EQ(Native("c:\\x.txt"), home + "/.secmodule/drive_c/x.txt");
    EXPECT_TRUE(fs::is_directory(home + "/.secmodule/drive_c"));
    testenv::SetEnv("SECMODULE_ROOT", nullptr);
    EXPECT_EQ(Native("c:\\y.txt"), home + "/.secmodule/drive_c/y.txt");
}

TEST(PosixFiles, CreateDirectoryOpenAndRenameWithReplace)
{
    EXPECT_TRUE(Plat_CreateDirectory("c:\\Files"));
    EXPECT_FALSE(Plat_CreateDirectory("c:\\Files")) << "exists already";
    EXPECT_FALSE(Plat_CreateDirectory("c:\\Missing\\Child")) << "parent missing";

    FILE* file = Plat_OpenFile("c:\\Files\\New.Txt", "w");
    ASSERT_NE(file, nullptr);
    std::fputs("new content\n", file);
    std::fclose(file);
    const std::string folder = testenv::DriveRoot() + "/Files";
    testenv::WriteFile(folder + "/Old.Txt", "old content\n");

    EXPECT_TRUE(Plat_MoveFileReplace("c:\\Files\\New.Txt", "c:\\Files\\Old.Txt"));
    EXPECT_EQ(testenv::ReadFile(folder + "/Old.Txt"), "new content\n");
    EXPECT_FALSE(testenv::FileExists(folder + "/New.Txt"));
    EXPECT_FALSE(Plat_MoveFileReplace("c:\\Files\\New.Txt", "c:\\Files\\Old.Txt"));
    EXPECT_EQ(testenv::ReadFile(folder + "/Old.Txt"), "new content\n");
    EXPECT_EQ(Plat_OpenFile("c:\\Missing\\x.Txt", "w"), nullptr);
}

TEST(PosixFiles, AttributesFollowTheContract)
{
    const std::string root = testenv::DriveRoot();
    EXPECT_EQ(Plat_GetFileAttributes("c:\\missing.txt"), -1);
    EXPECT_EQ(Plat_GetFileAttributes("c:\\"), 16);
    ASSERT_TRUE(Plat_CreateDirectory("c:\\Folder"));
    EXPECT_EQ(Plat_GetFileAttributes("c:\\Folder"), 16);

    testenv::WriteFile(root + "/writable.txt", "x");
    ASSERT_EQ(chmod((root + "/writable.txt").c_str(), 0644), 0);
    EXPECT_EQ(Plat_GetFileAttributes("c:\\writable.txt"), 32);
    // The owner's write permission decides, whoever runs the program.
    testenv::WriteFile(root + "/readonly.txt", "x");
    ASSERT_EQ(chmod((root + "/readonly.txt").c_str(), 0466), 0);
    EXPECT_EQ(Plat_GetFileAttributes("c:\\readonly.txt"), 33);

    ASSERT_EQ(symlink((root + "/Folder").c_str(), (root + "/link").c_str()), 0);
    EXPECT_EQ(Plat_GetFileAttributes("c:\\link"), 16) << "links are followed";
    ASSERT_EQ(symlink((root + "/gone").c_str(), (root + "/dangling").c_str()), 0);
    EXPECT_EQ(Plat_GetFileAttributes("c:\\dangling"), -1);

    ASSERT_EQ(mkfifo((root + "/fifo").c_str(), 0600), 0);
    EXPECT_EQ(Plat_GetFileAttributes("c:\\fifo"), 64);
    const int socketFd = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(socketFd, 0);
    struct sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    const std::string socketPath = root + "/sock";
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    socketPath.copy(address.sun_path, socketPath.size());
    ASSERT_EQ(bind(socketFd, reinterpret_cast<struct sockaddr*>(&address), sizeof address), 0);
    EXPECT_EQ(Plat_GetFileAttributes("c:\\sock"), 64);
    close(socketFd);
}

TEST(PosixTime, DateAndTimeTextsAreLocalAndFixedWidth)
{
    char date[9];
    char time[9];
    const std::time_t before = std::time(nullptr);
    Plat_LocalDateText(date);
    Plat_LocalTimeText(time);
    const std::time_t after = std::time(nullptr);
    EXPECT_TRUE(std::regex_match(date, std::regex("\\d\\d/\\d\\d/\\d\\d"))) << date;
    EXPECT_TRUE(std::regex_match(time, std::regex("\\d\\d:\\d\\d:\\d\\d"))) << time;

    auto local = [](std::time_t when) {
        std::tm fields;
        localtime_r(&when, &fields);
        return fields;
    };
    // Two digits of the year, as the capture files have always shown it.
    auto dateOf = [](const std::tm& t) {
        char out[40];
        std::snprintf(out, sizeof out, "%02d/%02d/%02d", t.tm_mon + 1, t.tm_mday, t.tm_year % 100);
        return std::string(out);
    };
    auto timeOf = [](const std::tm& t) {
        char out[40];
        std::snprintf(out, sizeof out, "%02d:%02d:%02d", t.tm_hour, t.tm_min, t.tm_sec);
        return std::string(out);
    };
    const std::tm first = local(before);
    const std::tm last = local(after);
    EXPECT_TRUE(date == dateOf(first) || date == dateOf(last)) << date;
    const bool pastMidnight = first.tm_mday != last.tm_mday;
    EXPECT_TRUE(pastMidnight || (timeOf(first) <= time && time <= timeOf(last))) << time;
    EXPECT_LE(before, Plat_CalendarSeconds());
}

TEST(PosixTime, TickCountIsMonotonicAndSleepIsAccurate)
{
    uint32_t last = Plat_TickCountMs();
    for (int i = 0; i < 100000; ++i) {
        const uint32_t now = Plat_TickCountMs();
        ASSERT_LT(now - last, 1000u) << "went backwards or jumped";
        last = now;
    }
    for (unsigned wait : {0u, 20u, 150u, 1000u}) {
        const uint32_t ticksBefore = Plat_TickCountMs();
        const auto start = std::chrono::steady_clock::now();
        Plat_Sleep(wait);
        const auto took = std::chrono::steady_clock::now() - start;
        const uint32_t ticks = Plat_TickCountMs() - ticksBefore;
        EXPECT_GE(took, std::chrono::milliseconds(wait));
        EXPECT_LT(took, std::chrono::milliseconds(timing::UpperLimitMs(wait + 150)));
        EXPECT_GE(ticks + 1, wait) << "tick count follows the sleep";
        EXPECT_LT(ticks, timing::UpperLimitMs(wait + 150));
    }
}

TEST(PosixThreads, LockExcludesOtherThreadsAndIsRecursive)
{
    PlatLock lock = Plat_CreateLock();
    ASSERT_NE(lock, nullptr);
    Plat_EnterLock(lock);
    Plat_EnterLock(lock);  // a critical section may be entered again by its owner
    std::atomic<bool> otherInside{false};
    std::thread other([&] {
        Plat_EnterLock(lock);
        otherInside = true;
        Plat_LeaveLock(lock);
    });
    Plat_LeaveLock(lock);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(otherInside.load()) << "entered while the lock was still held once";
    Plat_LeaveLock(lock);
    other.join();
    EXPECT_TRUE(otherInside.load());
    Plat_DeleteLock(lock);
    Plat_DeleteLock(nullptr);
}

std::atomic<unsigned long> startedThreadId{0};

unsigned RecordThread(void* argument)
{
    static_cast<std::atomic<int>*>(argument)->store(42);
    startedThreadId = Plat_CurrentThreadId();
    return 0;
}

TEST(PosixThreads, BeginThreadRunsTheProcedureOnAnotherThread)
{
    std::atomic<int> value{0};
    ASSERT_TRUE(Plat_BeginThread(RecordThread, &value));
    for (int i = 0; i < 500 && startedThreadId.load() == 0; ++i) Plat_Sleep(10);
    EXPECT_EQ(value.load(), 42);
    EXPECT_NE(startedThreadId.load(), 0ul);
    EXPECT_NE(startedThreadId.load(), Plat_CurrentThreadId());
}

}  // namespace

// A signal's ending runs beside the program; a program that reaches its end
// meanwhile must not end with its own status instead of the signal's.
TEST(PosixEnding, ANormalEndDuringASignalsEndingEndsWithTheSignal)
{
    EXPECT_EXIT(
        {
            Plat_SetEndingHandler([] { Plat_NativeTime()->sleep(200); });
            std::raise(SIGTERM);
            std::exit(0);
        },
        ::testing::KilledBySignal(SIGTERM), "");
}
