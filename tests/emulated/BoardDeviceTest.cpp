// The board device of the platform layer against a board on the socket.
#include "base/Variant.h"
#include "platform/Platform.h"
#include "emulated/BoardClient.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace {

using testboard::Wire;

class BoardDevice : public ::testing::Test {
protected:
    void TearDown() override { testenv::SetEnv("SECMODULE_DEVICE_DIR", testboard::DeviceDir().c_str()); }

    PlatDevice Open(int access, unsigned long* code)
    {
        *code = 0;
        return Plat_NativeDevice()->open(g_Variant.deviceName, access, code);
    }

    // Opens a write and a read handle on a running board.
    void OpenBoth()
    {
        unsigned long code = 0;
        writer = Open(PLAT_DEVICE_WRITE, &code);
        ASSERT_NE(writer, PLAT_INVALID_DEVICE) << code;
        reader = Open(PLAT_DEVICE_READ, &code);
        ASSERT_NE(reader, PLAT_INVALID_DEVICE) << code;
    }

    bool Write(const std::vector<uint8_t>& bytes, unsigned long* code)
    {
        unsigned written = 0;
        bool ok = Plat_NativeDevice()->write(writer, bytes.data(), static_cast<unsigned>(bytes.size()),
                                             &written, code);
        if (ok) {
            EXPECT_EQ(written, bytes.size());
        }
        return ok;
    }

    bool Read(std::vector<uint8_t>* bytes, unsigned* count, unsigned long* code)
    {
        uint8_t buffer[64];
        std::memset(buffer, 0xEE, sizeof buffer);
        bool ok = Plat_NativeDevice()->read(reader, buffer, sizeof buffer, count, code);
        bytes->assign(buffer, buffer + sizeof buffer);
        return ok;
    }

    testboard::TestBoard board;
    PlatDevice writer = PLAT_INVALID_DEVICE;
    PlatDevice reader = PLAT_INVALID_DEVICE;
};

TEST_F(BoardDevice, OpensEachHandleAsItsOwnConnection)
{
    ASSERT_TRUE(testboard::Start(board, "", {}));
    OpenBoth();
    EXPECT_NE(writer, reader);
    ASSERT_TRUE(board.WaitForLog(2));
    std::vector<emulator::LogEntry> opens = board.EntriesOf(emulator::LogKind::Open);
    ASSERT_EQ(opens.size(), 2u);
    EXPECT_EQ(opens[0].tag, 'W');
    EXPECT_EQ(opens[1].tag, 'R');
}

TEST_F(BoardDevice, FailedOpensCarryTheirCodes)
{
    unsigned long code = 0;
    EXPECT_EQ(Open(PLAT_DEVICE_READ, &code), PLAT_INVALID_DEVICE);
    EXPECT_EQ(code, 2ul) << "no socket";

    ASSERT_TRUE(testboard::Start(board, "", {"open.1=refuse:1234", "open.2=hang-up", "open.3=refuse"}));
    EXPECT_EQ(Open(PLAT_DEVICE_WRITE, &code), PLAT_INVALID_DEVICE);
    EXPECT_EQ(code, 1234ul);
    EXPECT_EQ(Open(PLAT_DEVICE_WRITE, &code), PLAT_INVALID_DEVICE);
    EXPECT_EQ(code, 2ul) << "closed without an answer";
    EXPECT_EQ(Open(PLAT_DEVICE_READ, &code), PLAT_INVALID_DEVICE);
    EXPECT_EQ(code, 5ul);
    EXPECT_NE(Open(PLAT_DEVICE_READ, &code), PLAT_INVALID_DEVICE);

    std::string longFolder = testboard::DeviceDir() + "/" + std::string(110, 'd');
    testenv::SetEnv("SECMODULE_DEVICE_DIR", longFolder.c_str());
    EXPECT_EQ(Open(PLAT_DEVICE_READ, &code), PLAT_INVALID_DEVICE);
    EXPECT_EQ(code, 36ul) << "path too long for a Unix socket";
}

TEST_F(BoardDevice, ABoardThatNeverAnswersFailsTheOpenAfterFiveSeconds)
{
    if (IsCuUtility()) GTEST_SKIP() << "the platform layer is the same in both deliverables";
    ASSERT_TRUE(testboard::Start(board, "", {"open.1=no-answer"}));
    unsigned long code = 0;
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Open(PLAT_DEVICE_READ, &code), PLAT_INVALID_DEVICE);
    auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(code, 2ul);
    EXPECT_GE(took, std::chrono::milliseconds(5000));
    EXPECT_LT(took, std::chrono::milliseconds(6500));
}

TEST_F(BoardDevice, AnEmptyFolderVariableMeansTmp)
{
    // A listener of our own in /tmp under a name nobody else uses.
    std::string name = "utiltest-device-" + std::to_string(getpid());
    std::string path = "/tmp/" + name;
    int listener = socket(AF_UNIX, SOCK_SEQPACKET, 0);
    struct sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    unlink(path.c_str());
    ASSERT_EQ(bind(listener, reinterpret_cast<struct sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(listen(listener, 1), 0);
    std::thread answer([listener] {
        int connection = accept(listener, nullptr, nullptr);
        char request = 0;
        if (recv(connection, &request, 1, 0) == 1 && request == 'W') send(connection, "O", 1, 0);
        close(connection);
    });

    testenv::SetEnv("SECMODULE_DEVICE_DIR", "");
    unsigned long code = 0;
    std::string deviceName = "\\\\.\\" + name;
    PlatDevice device = Plat_NativeDevice()->open(deviceName.c_str(), PLAT_DEVICE_WRITE, &code);
    answer.join();
    close(listener);
    unlink(path.c_str());
    EXPECT_NE(device, PLAT_INVALID_DEVICE) << code;
}

TEST_F(BoardDevice, WritesAndDeviceControlsAreOneMessageEach)
{
    ASSERT_TRUE(testboard::Start(board, "", {}));
    OpenBoth();
    unsigned long code = 0;
    EXPECT_TRUE(Write(Wire(6, 2, ""), &code));
    std::vector<uint8_t> loopback = Wire(0, 160, "abc");
    EXPECT_TRUE(Plat_NativeDevice()->control(writer, 0x0022AB86, loopback.data(),
                                             static_cast<unsigned>(loopback.size()), &code));
    ASSERT_TRUE(board.WaitForLog(4));
    std::vector<emulator::LogEntry> in = board.EntriesOf(emulator::LogKind::ToBoard);
    ASSERT_EQ(in.size(), 2u);
    EXPECT_EQ(in[0].tag, 'D');
    EXPECT_EQ(in[0].wire, Wire(6, 2, ""));
    EXPECT_EQ(in[1].tag, 'C');
    EXPECT_EQ(in[1].controlCode, 0x0022AB86u);
    EXPECT_EQ(in[1].wire, loopback);
}

TEST_F(BoardDevice, ReadsDeliverOneMessageAndCountWhatCame)
{
    ASSERT_TRUE(testboard::Start(
        board, "", {"reply.Z2=z2HELLO", "fault.Z4=oversize:70", "fault.Z5=empty", "fault.ZJ=close"}));
    OpenBoth();
    unsigned long code = 0;
    unsigned count = 0;
    std::vector<uint8_t> bytes;

    ASSERT_TRUE(Write(Wire(6, 6, "Z2"), &code));
    ASSERT_TRUE(Read(&bytes, &count, &code));
    std::vector<uint8_t> reply = Wire(6, 6, "z2HELLO");
    EXPECT_EQ(count, reply.size());
    EXPECT_TRUE(std::equal(reply.begin(), reply.end(), bytes.begin()));
    EXPECT_EQ(bytes[reply.size()], 0xEE) << "nothing written past the count";

    ASSERT_TRUE(Write(Wire(6, 6, "Z4"), &code));
    ASSERT_TRUE(Read(&bytes, &count, &code));
    EXPECT_EQ(count, 70u) << "the real length of an over-long read";
    EXPECT_EQ(bytes[63], 0) << "64 bytes delivered";

    ASSERT_TRUE(Write(Wire(6, 6, "Z5"), &code));
    ASSERT_TRUE(Read(&bytes, &count, &code));
    EXPECT_EQ(count, 0u);

    ASSERT_TRUE(Write(Wire(6, 6, "ZJ"), &code));
    EXPECT_FALSE(Read(&bytes, &count, &code));
    EXPECT_EQ(code, 32ul) << "a closed connection";
}

TEST_F(BoardDevice, AWriteToAGoneBoardFailsWithoutASignal)
{
    ASSERT_TRUE(testboard::Start(board, "", {}));
    OpenBoth();
    board.Stop();
    // The default action of SIGPIPE would end this process.
    void (*previous)(int) = std::signal(SIGPIPE, SIG_DFL);
    unsigned long code = 0;
    EXPECT_FALSE(Write(Wire(6, 6, "Z2"), &code));
    EXPECT_EQ(code, static_cast<unsigned long>(EPIPE));
    std::vector<uint8_t> loopback = Wire(0, 160, "");
    EXPECT_FALSE(Plat_NativeDevice()->control(writer, 0x0022AB86, loopback.data(), 4, &code));
    std::signal(SIGPIPE, previous);
}

}  // namespace
