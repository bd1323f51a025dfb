// The emulated carousel E-Box behind port 4, spoken to over the board
// socket.
#include "emulated/BoardClient.h"

#include <gtest/gtest.h>

namespace {

using testboard::Client;
using testboard::Wire;

typedef std::vector<uint8_t> Bytes;

class EBoxEmulator : public ::testing::Test {
protected:
    bool StartBoard(const std::string& kind, const std::vector<std::string>& lines)
    {
        if (!testboard::Start(board, kind, lines)) return false;
        return writer.Open(board.SocketPath(), 'W') == Bytes{'O'} &&
               reader.Open(board.SocketPath(), 'R') == Bytes{'O'};
    }

    void Send(uint8_t port, uint8_t dc, const std::string& data)
    {
        ASSERT_TRUE(writer.SendTagged('D', Wire(port, dc, data)));
    }

    // The next read's wire bytes (after the tag); empty when nothing came.
    Bytes Next(unsigned timeoutMs = 2000)
    {
        Bytes message;
        if (!reader.Receive(&message, timeoutMs) || message.empty()) return {};
        return Bytes(message.begin() + 1, message.end());
    }

    // Port 4 as the utility sets it up for the E-Box, with the board's own
    // polling stopped.
    void TakeOverEBox()
    {
        Send(6, 6, "SFD");
        Send(4, 1, std::string("\x05\x05\x01\x02", 4));
        Send(4, 2, "");
    }

    testboard::TestBoard board;
    Client writer;
    Client reader;
};

TEST_F(EBoxEmulator, EBoxIsSilentWhileTheBoardPollsIt)
{
    ASSERT_TRUE(StartBoard("su", {}));
    Send(4, 1, std::string("\x05\x05\x01\x02", 4));
    Send(4, 2, "");
    Send(4, 6, "\rO\n");
    EXPECT_EQ(Next(150), Bytes{});
    Send(6, 6, "SFD");
    Send(4, 6, "\rO\n");
    EXPECT_EQ(Next(), Wire(4, 6, "\r1140120\n"));
    Send(6, 6, "SFE");
    Send(4, 6, "\rO\n");
    EXPECT_EQ(Next(150), Bytes{});
}

TEST_F(EBoxEmulator, EBoxNeedsItsLineSettings)
{
    ASSERT_TRUE(StartBoard("su", {}));
    Send(6, 6, "SFD");
    Send(4, 1, std::string("\x01\x06\x02\x01", 4));
    Send(4, 2, "");
    Send(4, 6, "\rO\n");
    EXPECT_EQ(Next(150), Bytes{});
}

TEST_F(EBoxEmulator, EBoxConfigurationIsWrittenOnlyWithTheRightCheckDigit)
{
    ASSERT_TRUE(StartBoard("su", {}));
    TakeOverEBox();
    Send(4, 6, "\rO1260120X\n");
    EXPECT_EQ(Next(), Wire(4, 6, "\rErr 9\n"));
    Send(4, 6, "\rO12601208\n");
    EXPECT_EQ(Next(), Wire(4, 6, "\r1260120\n"));
    EXPECT_EQ(board.Setting("ebox-config"), "1260120");
}

TEST_F(EBoxEmulator, EBoxRepliesSplitErrAndReset)
{
    ASSERT_TRUE(StartBoard(
        "cu", {"setting.ebox-split=1", "setting.ebox-error=3", "setting.ebox-reset-reply=E1"}));
    TakeOverEBox();
    // A command may arrive in pieces too.
    Send(4, 6, "\r");
    Send(4, 6, "O\n");
    EXPECT_EQ(Next(), Wire(4, 6, "\rEr"));
    EXPECT_EQ(Next(), Wire(4, 6, "r 3\n"));
    Send(4, 6, "R");
    EXPECT_EQ(Next(), Wire(4, 6, "\rE"));
    EXPECT_EQ(Next(), Wire(4, 6, "1\n"));
    EXPECT_EQ(board.Setting("ebox-resets"), "1");
}

}  // namespace
