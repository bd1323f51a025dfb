// The emulated board's answers to the service, Sensormatic, coupon box and
// conveyor requests, taken straight from its logic (no socket).
#include "support/TestBoard.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class BoardAnswers : public ::testing::Test {
protected:
    void Start(const std::string& kind, const std::vector<std::string>& lines = {})
    {
        for (const std::string& line : lines) ASSERT_TRUE(board.Set(line));
        ASSERT_TRUE(board.StartLogic(kind));
    }

    std::vector<std::string> Ask(const std::string& request) { return board.Ask(request); }
    std::string Setting(const std::string& name) const { return board.Setting(name); }

    testboard::TestBoard board;
};

typedef std::vector<std::string> Answers;

TEST_F(BoardAnswers, ModelIsSetAsSentAndReportedAfterwards)
{
    Start("su");
    EXPECT_EQ(Ask(std::string("Z67\0\0", 5)), Answers{"z6"});
    EXPECT_EQ(Ask("Z5"), Answers{std::string("z57\0\0", 5)});
    EXPECT_EQ(Ask("Z6300"), Answers{"z6"});
    EXPECT_EQ(Ask("Z5"), Answers{"z5300"});
}

TEST_F(BoardAnswers, ProximityAnswersFollowTheirSettingsInTurn)
{
    Start("su", {"setting.proximity.calibration=0x31", "setting.proximity.status=0x31,0x01,0x30"});
    EXPECT_EQ(Ask("M4"), Answers{"m41"});
    EXPECT_EQ(Ask("M1"), Answers{"m11"});
    EXPECT_EQ(Ask("M1"), Answers{std::string("m1\x01", 3)});
    EXPECT_EQ(Ask("M1"), Answers{"m10"});
    EXPECT_EQ(Ask("M1"), Answers{"m10"});  // the last value stays
}

TEST_F(BoardAnswers, LoopbackEchoesAndSpoilsWhatTheScenarioSays)
{
    const std::string request = "ZI0000000AABCDEFGHIJKLMNOPQRSTUVWXYZ";
    Start("cu");
    EXPECT_EQ(Ask(request), Answers{"zI0000000AABCDEFGHIJKLMNOPQRSTUVWXYZ"});

    Start("cu", {"setting.loopback.corrupt=counter,both,letters,none"});
    EXPECT_EQ(Ask(request), Answers{"zI0000000@ABCDEFGHIJKLMNOPQRSTUVWXYZ"});
    EXPECT_EQ(Ask(request), Answers{"zI0000000@@BCDEFGHIJKLMNOPQRSTUVWXYZ"});
    EXPECT_EQ(Ask(request), Answers{"zI0000000A@BCDEFGHIJKLMNOPQRSTUVWXYZ"});
    EXPECT_EQ(Ask(request), Answers{"zI0000000AABCDEFGHIJKLMNOPQRSTUVWXYZ"});
    EXPECT_EQ(Ask(request), Answers{"zI0000000AABCDEFGHIJKLMNOPQRSTUVWXYZ"});
}

TEST_F(BoardAnswers, SoftResetIsAnswered)
{
    Start("cu");
    EXPECT_EQ(Ask("Z3"), Answers{"z3"});
    EXPECT_EQ(Setting("soft-resets"), "1");
}

TEST_F(BoardAnswers, SensormaticKeepsTheTypeAndTheControllerState)
{
    Start("su");
    EXPECT_EQ(Ask("X3"), Answers{"x300"});
    EXPECT_EQ(Ask("X22"), Answers{});
    EXPECT_EQ(Ask("X3"), Answers{"x302"});
    EXPECT_EQ(Ask("X51"), Answers{"x510"});
    EXPECT_EQ(Ask("X3"), Answers{"x312"});
    EXPECT_EQ(Ask("X50"), Answers{"x500"});
    EXPECT_EQ(Setting("sensormatic.enabled"), "0");
}

TEST_F(BoardAnswers, SensormaticControllerErrorAndHardtags)
{
    Start("cu", {"setting.sensormatic.switch-reply=03,", "setting.sensormatic.hardtag=0,1"});
    EXPECT_EQ(Ask("X51"), Answers{"x503"});
    EXPECT_EQ(Ask("X51"), Answers{"x510"});
    EXPECT_EQ(Ask("X4"), Answers{"x40"});
    EXPECT_EQ(Ask("X4"), Answers{"x41"});
    EXPECT_EQ(Ask("X4"), Answers{"x41"});
}

TEST_F(BoardAnswers, CouponBoxSendsItsStatusAndKeepsItsState)
{
    Start("su", {"setting.couponbox.status=0x13,0"});
    EXPECT_EQ(Ask("P1"), Answers{"p0\x13"});
    EXPECT_EQ(Setting("couponbox.enabled"), "1");
    EXPECT_EQ(Ask("P0"), Answers{std::string("p0\0", 3)});
    EXPECT_EQ(Ask("P3"), Answers{});
    EXPECT_EQ(Setting("couponbox.enabled"), "2");
    EXPECT_EQ(Ask("P2"), Answers{});
    EXPECT_EQ(Setting("couponbox.enabled"), "0");
}

TEST_F(BoardAnswers, CouponBoxLedValuesAreSentMostSignificantByteFirst)
{
    Start("su", {"setting.couponbox.top=0x0123,0x0456", "setting.couponbox.bottom=0x00FF",
                 "setting.couponbox.led-status=2"});
    EXPECT_EQ(Ask("ZH"), Answers{std::string("zH\x02\x01\x23\x00\xFF", 7)});
    EXPECT_EQ(Ask("ZH"), Answers{std::string("zH\x02\x04\x56\x00\xFF", 7)});
}

TEST_F(BoardAnswers, ConveyorSwitchesAndBelts)
{
    Start("cu", {"setting.conveyor.switches=0x01"});
    EXPECT_EQ(Ask("Z8"), Answers{"z8\x01"});
    EXPECT_EQ(Ask("C23"), Answers{});
    EXPECT_EQ(Setting("conveyor.front-belt"), "forward");
    EXPECT_EQ(Setting("conveyor.rear-belt"), "reverse");
    EXPECT_EQ(Ask("C01"), Answers{});
    EXPECT_EQ(Setting("conveyor.front-belt"), "forward");
    EXPECT_EQ(Setting("conveyor.rear-belt"), "stopped");
}

TEST_F(BoardAnswers, CurtainTestStartsAndSendsOneResultPerSensor)
{
    Start("cu", {"setting.curtain.sensors=1,5,30;29,30", "setting.curtain.total-scans=70000"});
    EXPECT_EQ(Ask("A61"), Answers{});
    EXPECT_EQ(Setting("curtain.running"), "1");
    const Answers results = Ask("A60");
    ASSERT_EQ(results.size(), 3u);
    EXPECT_EQ(Setting("curtain.running"), "0");
    EXPECT_EQ(results[1].size(), 25u);
    EXPECT_EQ(results[1].substr(0, 3), "a6\x05");
    EXPECT_EQ(results[1].substr(15, 4), std::string("\x00\x01\x11\x70", 4));  // Total Scans
    EXPECT_EQ(results[2][2], 30);
    EXPECT_EQ(Ask("A60").size(), 2u);
    EXPECT_EQ(Ask("A60").size(), 2u);

    Start("cu");
    EXPECT_EQ(Ask("A60").size(), 5u);
}

}  // namespace
