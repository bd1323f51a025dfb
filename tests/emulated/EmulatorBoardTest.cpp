// A running board spoken to over its socket with raw contract messages.
#include "emulator/Board.h"
#include "emulator/WirePacket.h"
#include "emulated/BoardClient.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <chrono>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

using emulator::LogKind;
using testboard::Client;
using testboard::Wire;

std::vector<uint8_t> Tagged(char tag, const std::vector<uint8_t>& bytes)
{
    std::vector<uint8_t> message(1, static_cast<uint8_t>(tag));
    for (uint8_t byte : bytes) message.push_back(byte);
    return message;
}

// A board with a write and a read connection open, as a utility holds them.
class EmulatorBoard : public ::testing::Test {
protected:
    bool StartBoard(const std::string& kind, const std::vector<std::string>& lines)
    {
        if (!testboard::Start(board, kind, lines)) return false;
        return writer.Open(board.SocketPath(), 'W') == std::vector<uint8_t>{'O'} &&
               reader.Open(board.SocketPath(), 'R') == std::vector<uint8_t>{'O'};
    }

    // Sends a module-port request; the next read's bytes (after the tag).
    std::vector<uint8_t> Ask(const std::string& request)
    {
        EXPECT_TRUE(writer.SendTagged('D', Wire(6, 6, request)));
        std::vector<uint8_t> message;
        EXPECT_TRUE(reader.Receive(&message)) << "no reply to " << request;
        EXPECT_FALSE(message.empty());
        if (message.empty() || message[0] != 'P') return {};
        return std::vector<uint8_t>(message.begin() + 1, message.end());
    }

    bool NothingToRead(unsigned ms = 150)
    {
        std::vector<uint8_t> message;
        return !reader.Receive(&message, ms);
    }

    testboard::TestBoard board;
    Client writer;
    Client reader;
};

TEST_F(EmulatorBoard, AnswersTheIdentityRequestsOfEachKind)
{
    ASSERT_TRUE(StartBoard("su", {}));
    EXPECT_EQ(Ask("Z2"), Wire(6, 6, "z2033612152010"));
    EXPECT_EQ(Ask("Z4"), Wire(6, 6, "z405A3C91"));
    EXPECT_EQ(Ask("Z5"), Wire(6, 6, "z5700"));
    EXPECT_EQ(Ask("ZJ"), Wire(6, 6, "zJSU0000012345"));
    board.Stop();

    Client cuWriter;
    Client cuReader;
    ASSERT_TRUE(testboard::Start(board, "cu",
                                 {"version=041205012013", "checksum-status=1", "checksum=ABCDEF",
                                  "model=CU2", "serial=0123456789012345678901234567890123"}));
    EXPECT_NE(board.SocketPath().find("/ConvUnitDevice0"), std::string::npos);
    ASSERT_EQ(writer.Open(board.SocketPath(), 'W'), std::vector<uint8_t>{'O'});
    ASSERT_EQ(reader.Open(board.SocketPath(), 'R'), std::vector<uint8_t>{'O'});
    EXPECT_EQ(Ask("Z2"), Wire(6, 6, "z2041205012013"));
    EXPECT_EQ(Ask("Z4"), Wire(6, 6, "z41ABCDEF"));
    EXPECT_EQ(Ask("Z5"), Wire(6, 6, "z5CU2"));
    EXPECT_EQ(Ask("ZJ"), Wire(6, 6, "zJ0123456789012345678901234567890123"));
}

TEST_F(EmulatorBoard, PortControlIsSilentAndRemembered)
{
    ASSERT_TRUE(StartBoard("", {}));
    ASSERT_TRUE(writer.SendTagged('D', Wire(6, 1, "\x01\x06\x02\x01")));
    ASSERT_TRUE(writer.SendTagged('D', Wire(6, 2, "")));
    EXPECT_TRUE(NothingToRead());
    emulator::BoardState state = board.State();
    EXPECT_TRUE(state.ports[6].initialised);
    EXPECT_TRUE(state.ports[6].open);
    EXPECT_EQ(state.ports[6].settings, (std::vector<uint8_t>{1, 6, 2, 1}));
    ASSERT_TRUE(writer.SendTagged('D', Wire(6, 3, "")));
    ASSERT_TRUE(board.WaitForLog(5));
    EXPECT_FALSE(board.State().ports[6].open);
    std::vector<emulator::LogEntry> in = board.EntriesOf(LogKind::ToBoard);
    ASSERT_EQ(in.size(), 3u);
    EXPECT_EQ(in[0].note, "port-init");
    EXPECT_EQ(in[1].note, "port-open");
    EXPECT_EQ(in[2].note, "port-close");
}

TEST_F(EmulatorBoard, LogsEveryPacketInOrderAndWritesTheFile)
{
    std::string logPath = testenv::ScratchDir() + "/packets.log";
    ASSERT_TRUE(StartBoard("su", {"log=" + logPath}));
    Ask("Z5");
    ASSERT_TRUE(writer.SendTagged('C', {0x86, 0xAB, 0x22, 0x00, 0, 160, 2, 'h', 'i', 0x73}));
    ASSERT_TRUE(writer.SendTagged('D', {6, 6, 2, 'Z', '2', 0}));  // bad checksum
    ASSERT_TRUE(writer.SendTagged('D', {6, 6}));                  // cut short
    ASSERT_TRUE(writer.SendTagged('D', Wire(6, 6, "Q9")));        // nobody answers Q9
    ASSERT_TRUE(writer.SendTagged('X', {1, 2}));
    ASSERT_TRUE(board.WaitForLog(9));
    EXPECT_TRUE(NothingToRead()) << "only the good request is answered";

    const char* const expected[] = {
        "1 open W #1 opened",
        "2 open R #2 opened",
        "3 in D DA=6 DC=6 DL=2 DATA=5a35 SUM=ok TEXT=\"Z5\" port-closed",
        "4 out P DA=6 DC=6 DL=5 DATA=7a35373030 SUM=ok TEXT=\"z5700\"",
        "5 in C CODE=0022AB86 DA=0 DC=160 DL=2 DATA=6869 SUM=ok TEXT=\"hi\" accepted",
        "6 in D DA=6 DC=6 DL=2 DATA=5a32 SUM=bad TEXT=\"Z2\" dropped:bad-checksum",
        "7 in D LEN=2 BYTES=0606 malformed",
        "8 in D DA=6 DC=6 DL=2 DATA=5139 SUM=ok TEXT=\"Q9\" port-closed unanswered",
        "9 unexpected LEN=3 BYTES=580102 on-W",
    };
    std::string file = testenv::ReadFile(logPath);
    std::string lines;
    for (const char* line : expected) lines += std::string(line) + "\n";
    EXPECT_EQ(file, lines);
    std::vector<emulator::LogEntry> entries = board.LogEntries();
    ASSERT_EQ(entries.size(), 9u);
    EXPECT_EQ(entries[4].controlCode, 0x0022AB86u);
    EXPECT_EQ(entries[4].wire, Wire(0, 160, "hi"));
}

TEST_F(EmulatorBoard, TheSocketFileLivesAsLongAsTheBoard)
{
    ASSERT_TRUE(testboard::Start(board, "su", {}));
    std::string path = board.SocketPath();
    struct stat info;
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_TRUE(S_ISSOCK(info.st_mode));

    emulator::Board second;
    std::string error;
    emulator::BoardSetup setup;
    setup.personality = emulator::FindPersonality("su");
    EXPECT_FALSE(second.Start(setup, testboard::DeviceDir(), &error));
    EXPECT_NE(error.find("already serving"), std::string::npos) << error;

    board.Stop();
    EXPECT_NE(stat(path.c_str(), &info), 0);

    // A socket file left by a board that died is taken over.
    int stale = socket(AF_UNIX, SOCK_SEQPACKET, 0);
    struct sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    ASSERT_EQ(bind(stale, reinterpret_cast<struct sockaddr*>(&address), sizeof address), 0);
    close(stale);
    EXPECT_TRUE(second.Start(setup, testboard::DeviceDir(), &error)) << error;
    second.Stop();

    // Anything else in its place is left alone.
    testenv::WriteFile(path, "not a socket");
    EXPECT_FALSE(second.Start(setup, testboard::DeviceDir(), &error));
    EXPECT_EQ(testenv::ReadFile(path), "not a socket");
    unlink(path.c_str());
}

TEST_F(EmulatorBoard, RepliesGoToTheMostRecentReadConnection)
{
    ASSERT_TRUE(StartBoard("su", {}));
    Client newer;
    ASSERT_EQ(newer.Open(board.SocketPath(), 'R'), std::vector<uint8_t>{'O'});
    ASSERT_TRUE(writer.SendTagged('D', Wire(6, 6, "Z5")));
    std::vector<uint8_t> message;
    ASSERT_TRUE(newer.Receive(&message));
    EXPECT_EQ(message, Tagged('P', Wire(6, 6, "z5700")));
    EXPECT_TRUE(NothingToRead());

    // A refused open does not take the replies away.
    testboard::Start(board, "su", {"open.2=refuse:5"});
    Client w;
    Client refused;
    Client r;
    ASSERT_EQ(r.Open(board.SocketPath(), 'R'), std::vector<uint8_t>{'O'});
    EXPECT_EQ(refused.Open(board.SocketPath(), 'R'), (std::vector<uint8_t>{'E', 5, 0, 0, 0}));
    ASSERT_EQ(w.Open(board.SocketPath(), 'W'), std::vector<uint8_t>{'O'});
    ASSERT_TRUE(w.SendTagged('D', Wire(6, 6, "Z5")));
    ASSERT_TRUE(r.Receive(&message));
    EXPECT_EQ(message, Tagged('P', Wire(6, 6, "z5700")));
}

TEST_F(EmulatorBoard, OpenFaultsHitTheNumberedOpen)
{
    ASSERT_TRUE(testboard::Start(board, "su",
                                 {"open.2=refuse:0x12345678", "open.3=hang-up", "open.4=no-answer"}));
    Client first;
    Client second;
    Client third;
    Client fourth;
    Client bogus;
    EXPECT_EQ(first.Open(board.SocketPath(), 'W'), std::vector<uint8_t>{'O'});
    EXPECT_EQ(second.Open(board.SocketPath(), 'R'), (std::vector<uint8_t>{'E', 0x78, 0x56, 0x34, 0x12}));
    std::vector<uint8_t> message;
    ASSERT_TRUE(second.Receive(&message));
    EXPECT_TRUE(second.closed) << "the board closes a refused connection";
    EXPECT_EQ(third.Open(board.SocketPath(), 'W'), std::vector<uint8_t>{});
    EXPECT_TRUE(third.closed);
    ASSERT_TRUE(fourth.Connect(board.SocketPath()));
    ASSERT_TRUE(fourth.Send({'R'}));
    EXPECT_FALSE(fourth.Receive(&message, 200)) << "no answer at all";
    ASSERT_TRUE(bogus.Connect(board.SocketPath()));
    ASSERT_TRUE(bogus.Send({'Q', 'Q'}));
    ASSERT_TRUE(bogus.Receive(&message));
    EXPECT_EQ(message, (std::vector<uint8_t>{'E', 87, 0, 0, 0}));
}

TEST_F(EmulatorBoard, CannedRepliesAnswerRequestsWithoutHandlers)
{
    std::string sixty(58, 'x');
    ASSERT_TRUE(StartBoard("su", {"reply.A5=a5\\x14", "reply.Q1=q1" + sixty, "reply.Z2=z2BOGUS"}));
    EXPECT_EQ(Ask("A5"), Wire(6, 6, "a5\x14"));
    std::vector<uint8_t> full = Ask("Q1");
    EXPECT_EQ(full.size(), 64u);
    EXPECT_EQ(full, Wire(6, 6, "q1" + sixty));
    EXPECT_EQ(Ask("Z2"), Wire(6, 6, "z2BOGUS")) << "a canned reply wins over the handler";
}

TEST_F(EmulatorBoard, ReplyFaultsOnTheWire)
{
    ASSERT_TRUE(StartBoard("su", {"fault.Z2=bad-checksum*1", "fault.Z4=wrong-length*1",
                                  "fault.Z5=oversize*1", "fault.ZJ=empty*1"}));
    std::vector<uint8_t> good = Wire(6, 6, "z2033612152010");
    std::vector<uint8_t> bad = Ask("Z2");
    ASSERT_EQ(bad.size(), good.size());
    EXPECT_NE(bad.back(), good.back());
    EXPECT_EQ(Ask("Z2"), good) << "the count is used up";
    EXPECT_EQ(Ask("Z4").size(), Wire(6, 6, "z405A3C91").size() + 1);
    EXPECT_EQ(Ask("Z5").size(), 70u);
    EXPECT_EQ(Ask("ZJ"), std::vector<uint8_t>{}) << "an empty read is P alone";
}

TEST_F(EmulatorBoard, UnrelatedPacketsAndNoReply)
{
    ASSERT_TRUE(StartBoard("su", {"fault.next=unrelated:2", "fault.Z4=no-reply"}));
    std::vector<uint8_t> unrelated = Ask("Z2");
    EXPECT_EQ(unrelated, Wire(6, 6, "un"));
    std::vector<uint8_t> message;
    ASSERT_TRUE(reader.Receive(&message));
    EXPECT_EQ(message, Tagged('P', unrelated));
    ASSERT_TRUE(reader.Receive(&message));
    EXPECT_EQ(message, Tagged('P', Wire(6, 6, "z2033612152010")));
    ASSERT_TRUE(writer.SendTagged('D', Wire(6, 6, "Z4")));
    EXPECT_TRUE(NothingToRead(300));
    EXPECT_EQ(Ask("Z5"), Wire(6, 6, "z5700")) << "the board goes on answering";
}

TEST_F(EmulatorBoard, ADelayedReplyComesLateAndDoesNotHoldUpTheBoard)
{
    ASSERT_TRUE(StartBoard("su", {"fault.Z2=delay:300"}));
    auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(writer.SendTagged('D', Wire(6, 6, "Z2")));
    EXPECT_EQ(Ask("Z5"), Wire(6, 6, "z5700")) << "later requests are answered meanwhile";
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(250));
    std::vector<uint8_t> message;
    ASSERT_TRUE(reader.Receive(&message));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(300));
    EXPECT_EQ(message, Tagged('P', Wire(6, 6, "z2033612152010")));
}

TEST_F(EmulatorBoard, CloseFaultClosesTheReadConnection)
{
    ASSERT_TRUE(StartBoard("su", {"fault.Z2=close"}));
    ASSERT_TRUE(writer.SendTagged('D', Wire(6, 6, "Z2")));
    std::vector<uint8_t> message;
    ASSERT_TRUE(reader.Receive(&message));
    EXPECT_TRUE(reader.closed);
    // With no read connection, replies are logged as dropped.
    ASSERT_TRUE(writer.SendTagged('D', Wire(6, 6, "Z5")));
    ASSERT_TRUE(board.WaitForLog(6));
    std::vector<emulator::LogEntry> entries = board.LogEntries();
    EXPECT_EQ(entries[3].kind, LogKind::Closed);
    EXPECT_EQ(entries[5].kind, LogKind::Dropped);
    EXPECT_EQ(entries[5].note, " no-reader");
}

}  // namespace
