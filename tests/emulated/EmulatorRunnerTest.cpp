// Running a program against a fresh board, in-process and through the
// board-emulator program.
#include "emulator/Personality.h"
#include "emulator/Runner.h"
#include "emulated/BoardClient.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace {

emulator::RunRequest Shell(const std::string& kind, const std::string& script)
{
    emulator::RunRequest request;
    request.setup.personality = emulator::FindPersonality(kind);
    request.setup.state.identity = request.setup.personality->identity;
    request.command = {"/bin/sh", "-c", script};
    return request;
}

bool Exists(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

TEST(EmulatorRunner, GivesTheProgramItsBoardAndFoldersAndReturnsItsStatus)
{
    std::string error;
    std::string folder;
    int status = emulator::RunWithBoard(
        Shell("su",
              "test -S \"$SECMODULE_DEVICE_DIR/SecModuleDevice0\" || exit 91; "
              "test -d \"$SECMODULE_ROOT\" || exit 92; "
              "grep -q '^SecurityModuleType=USB_SCANNING_MODULE$' \"$SECMODULE_REGISTRY\" || exit 93; "
              "exit 7"),
        &error, &folder);
    EXPECT_EQ(status, 7) << error;
    EXPECT_FALSE(folder.empty());
    EXPECT_FALSE(Exists(folder)) << "the temporary folder is removed";
}

TEST(EmulatorRunner, ReportsSignalsAndProgramsThatCannotRun)
{
    std::string error;
    EXPECT_EQ(emulator::RunWithBoard(Shell("cu", "kill -TERM $$"), &error), 128 + SIGTERM);

    emulator::RunRequest missing = Shell("cu", "");
    missing.command = {"/nonexistent/utility", "-GetVersion"};
    EXPECT_EQ(emulator::RunWithBoard(missing, &error), emulator::RUNNER_NOT_FOUND);
    EXPECT_NE(error.find("cannot run /nonexistent/utility: No such file or directory"),
              std::string::npos)
        << error;

    std::string folder;
    emulator::RunRequest kept = Shell("cu", "test -S \"$SECMODULE_DEVICE_DIR/ConvUnitDevice0\"");
    kept.keepFolder = true;
    EXPECT_EQ(emulator::RunWithBoard(kept, &error, &folder), 0);
    EXPECT_TRUE(Exists(folder + "/drive_c"));
    EXPECT_FALSE(Exists(folder + "/dev/ConvUnitDevice0")) << "the board is gone";
    std::system(("rm -rf '" + folder + "'").c_str());
}

#ifdef BOARD_EMULATOR_PROGRAM

int RunEmulator(const std::string& arguments, const std::string& input = "")
{
    int status = std::system((input + std::string(BOARD_EMULATOR_PROGRAM) + " " + arguments).c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(EmulatorProgram, RunsAProgramWithTheTerminalPassedThrough)
{
    std::string out = testenv::ScratchDir() + "/out.txt";
    EXPECT_EQ(
        RunEmulator(
            "--board cu -- /bin/sh -c 'test -S \"$SECMODULE_DEVICE_DIR/ConvUnitDevice0\" || exit 9; "
            "exit 3' < /dev/null > " +
            out),
        3);
    EXPECT_EQ(RunEmulator("--board su -- /bin/sh -c 'read line; echo \"got $line\"' > " + out + " 2>&1",
                          "echo hello | "),
              0);
    EXPECT_EQ(testenv::ReadFile(out), "got hello\n");
}

TEST(EmulatorProgram, RefusesBadOptionsWithItsOwnStatus)
{
    EXPECT_EQ(RunEmulator("--board xu -- true 2>/dev/null"), emulator::RUNNER_FAILED);
    EXPECT_EQ(RunEmulator("--frobnicate 2>/dev/null"), emulator::RUNNER_FAILED);
    EXPECT_EQ(RunEmulator("--board su --set fault.Z2=explode -- true 2>/dev/null"),
              emulator::RUNNER_FAILED);
    EXPECT_EQ(RunEmulator("--board su -- 2>/dev/null"), emulator::RUNNER_FAILED);
    EXPECT_EQ(RunEmulator("--help > /dev/null"), 0);
}

TEST(EmulatorProgram, ServesUntilTerminatedAndCleansUp)
{
    std::string folder = testboard::DeviceDir();
    std::string scenario = testenv::ScratchDir() + "/scenario.txt";
    std::string log = testenv::ScratchDir() + "/serve.log";
    testenv::WriteFile(scenario, "# a test board\nboard=su\nsu.model=123\n");
    std::vector<std::string> arguments = {
        BOARD_EMULATOR_PROGRAM, "--device-dir", folder, "--scenario", scenario, "--log", log};
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(&argument[0]);
    argv.push_back(nullptr);
    pid_t child = 0;
    ASSERT_EQ(posix_spawn(&child, argv[0], nullptr, nullptr, argv.data(), environ), 0);
    // A failed check ends the test here: the board must not serve on after it.
    struct StopOnFailure {
        pid_t& pid;
        ~StopOnFailure()
        {
            if (pid <= 0) return;
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    } stop{child};

    // The socket's file is there from its bind, a moment before the board
    // listens: it is ready once a connection is taken.
    std::string socketPath = folder + "/SecModuleDevice0";
    const auto listens = [&socketPath] { return testboard::Client().Connect(socketPath); };
    for (int i = 0; i < 500 && !listens(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    {
        testboard::Client writer;
        testboard::Client reader;
        ASSERT_EQ(writer.Open(socketPath, 'W'), std::vector<uint8_t>{'O'});
        ASSERT_EQ(reader.Open(socketPath, 'R'), std::vector<uint8_t>{'O'});
        ASSERT_TRUE(writer.SendTagged('D', testboard::Wire(6, 6, "Z5")));
        std::vector<uint8_t> message;
        ASSERT_TRUE(reader.Receive(&message));
        std::vector<uint8_t> expected = testboard::Wire(6, 6, "z5123");
        expected.insert(expected.begin(), 'P');
        EXPECT_EQ(message, expected);
    }
    kill(child, SIGTERM);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    child = 0;
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_FALSE(Exists(socketPath));
    EXPECT_NE(testenv::ReadFile(log).find("out P DA=6 DC=6 DL=5 DATA=7a35313233"), std::string::npos);
}

#endif

}  // namespace
