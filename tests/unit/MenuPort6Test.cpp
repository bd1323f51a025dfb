// What the menus do when the board stops taking packets.
#include "frame/Command_UserMenu.h"
#include "base/Variant.h"
#include "support/LinkFixture.h"
#include "support/TestClock.h"

#include <gtest/gtest.h>

using linktest::Occurrences;

namespace {

class MenuPort6 : public linktest::LinkTest {
protected:
    void SetUp() override
    {
        LinkTest::SetUp();
        StartLink();
    }
};

const char* const port6Failed = "ERROR 1B: Can not open port 6.";

// The closing sequence would try port 6 again and say so a second time.
TEST_F(MenuPort6, SensormaticPassThatCannotOpenPort6EndsTheMenusAtOnce)
{
    fakeboard::FailWrites(32);
    scripted::Type("3");
    RunMainMenu();
    const std::string output = scripted::Output();
    EXPECT_EQ(Occurrences(output, port6Failed), 1u) << output;
    EXPECT_EQ(output.find("Sensormatic Menu ****"), std::string::npos);
    EXPECT_EQ(Occurrences(output, "Main Menu ****"), 1u);
}

TEST_F(MenuPort6, CurtainMenuThatCannotOpenPort6EndsTheMenusAtOnce)
{
    if (!IsCuUtility()) GTEST_SKIP() << "su_utility has no Curtain menu";
    fakeboard::FailWrites(32);
    scripted::Type("2");
    RunMainMenu();
    const std::string output = scripted::Output();
    EXPECT_EQ(Occurrences(output, port6Failed), 1u) << output;
    EXPECT_EQ(output.find("**** Curtain Menu ****"), std::string::npos);
}

TEST_F(MenuPort6, ClosingSequenceThatCannotOpenPort6LeavesTheLights)
{
    fakeboard::FailWrites(32);
    scripted::Type("X");
    RunMainMenu();
    EXPECT_EQ(Occurrences(scripted::Output(), port6Failed), 1u);
    EXPECT_TRUE(fakeboard::SentPackets().empty());
}

// Once port 6 is open, every light request that fails is reported and the
// next one is still tried.
TEST_F(MenuPort6, EveryFailedLightRequestIsReportedAndTheNextStillTried)
{
    // About what is sent and shown, not about how long the waits take.
    const testclock::Scope clock;
    int opens = 0;
    fakeboard::SetResponder([&opens](const fakeboard::Sent& sent) {
        // The second opening of port 6 is the closing sequence's.
        if (sent.bytes.size() >= 2 && sent.bytes[1] == ORBA_DC_OPEN_PORT && ++opens == 2)
            fakeboard::FailWrites(32);
        // The Sensormatic menu's status request is answered, so that the
        // menu does not sit out its long wait first.
        if (sent.bytes.size() >= 5 && sent.bytes[3] == 'X' && sent.bytes[4] == '3')
            fakeboard::QueueReply("x300");
    });
    scripted::Type("3X");
    RunMainMenu();
    const std::string output = scripted::Output();
    EXPECT_EQ(Occurrences(output, "ERROR 11: Writing Security Module data Failed."),
              IsCuUtility() ? 0u : 5u)
        << output;
    EXPECT_EQ(Occurrences(output, port6Failed), 0u);
}

}  // namespace
