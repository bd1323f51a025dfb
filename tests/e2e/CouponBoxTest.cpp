// The coupon box test end to end from the SU Test menu.
#include "UtilityRun.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

namespace e2e {
namespace {

std::vector<std::string> BoxRequests(const std::vector<std::string>& received)
{
    std::vector<std::string> found;
    for (const std::string& packet : received)
        if (packet.compare(0, 5, "6/6 P") == 0 || packet == "6/6 ZH") found.push_back(packet.substr(4));
    return found;
}

TEST(CouponBox, StatusPacketsAreDecodedAndOldFirmwareHasNoEnableWithoutLed)
{
    UtilityRun run(SU);
    run.Module().Set("version=043112152010");
    run.Module().Set("setting.couponbox.status=0x13,0");
    run.Start();
    ASSERT_TRUE(run.TypeWhen("Enter Command:", "T2"));
    ASSERT_TRUE(run.TypeWhen(", X = Exit\n", "S"));
    ASSERT_TRUE(run.TypeWhen("Top Row Blocked, \n", "S"));
    ASSERT_TRUE(run.TypeWhen("Door Closed, \n", "EX"));
    ASSERT_TRUE(run.TypeWhen("Press any key to continue", " XX"));
    EXPECT_EQ(run.Finish(), 0);

    const std::string output = run.Output();
    EXPECT_THAT(output,
                HasSubstr("Coupon Box Test\n\n\n"
                          "O - Enable Box, C - Disable, S - Status, V - LED Values, X = Exit\n"));
    EXPECT_THAT(output, HasSubstr("Status Request\nDoor Open, Coupon Detected, Top Row Blocked, \n"));
    EXPECT_THAT(output, HasSubstr("Status Request\nDoor Closed, \n"));
    EXPECT_THAT(output, Not(HasSubstr("E - Enable Box no LED")));
    EXPECT_THAT(output, Not(HasSubstr("Enable Only")));
    EXPECT_THAT(output, HasSubstr("Exit\n"));
    EXPECT_THAT(BoxRequests(run.Received()), ElementsAre("P0", "P0", "P2"));
}

TEST(CouponBox, EnableLedValuesAndExitLeaveTheBoxDisabled)
{
    UtilityRun run(SU);
    run.Module().Set("version=043212152010");
    run.Module().Set("setting.couponbox.top=0x0123,0x0200,0x0100");
    run.Start();
    ASSERT_TRUE(run.TypeWhen("Enter Command:", "T2"));
    ASSERT_TRUE(run.TypeWhen(", X = Exit\n", "OE"));
    ASSERT_TRUE(run.TypeWhen("Enable Only\n", "V"));
    ASSERT_TRUE(run.TypeWhen("OK          0100  0200  0100", "k"));
    ASSERT_TRUE(run.TypeWhen(", X = Exit\n", "x"));
    ASSERT_TRUE(run.TypeWhen("Press any key to continue", " XX"));
    EXPECT_EQ(run.Finish(), 0);

    const std::string output = run.Output();
    EXPECT_THAT(output, HasSubstr("O - Enable Box, C - Disable, S - Status, V - LED Values"
                                  ", E - Enable Box no LED, X = Exit\n"));
    // The board's answer to the enable request is not shown as a status.
    EXPECT_THAT(output, HasSubstr("Open\nEnable Only\n"));
    EXPECT_THAT(output, Not(HasSubstr("Door Closed, ")));
    EXPECT_THAT(output, HasSubstr("\nLED Values\n\nPress any key to exit\n\n"
                                  "Top Array                          Bottom Array\n"
                                  "----------------------------       ----------------------------\n"
                                  "Status     Value   Max   Min       Status     Value   Max   Min\n"
                                  "OK          0123  0123  0123       OK          0180  0180  0180\r"
                                  "OK          0200  0200  0123       OK          0180  0180  0180\r"
                                  "OK          0100  0200  0100       OK          0180  0180  0180\r"));
    EXPECT_THAT(output, HasSubstr("\r\n\n\nO - Enable Box, C - Disable"));
    const std::vector<std::string> received = run.Received();
    const std::vector<std::string> requests = BoxRequests(received);
    ASSERT_GE(requests.size(), 6u);
    EXPECT_EQ(std::vector<std::string>(requests.begin(), requests.begin() + 3),
              (std::vector<std::string>{"P1", "P3", "ZH"}));
    // X sends Disable box and closes port 6.
    ASSERT_GE(received.size(), LeavingPackets(SU).size() + 2);
    const size_t leaving = received.size() - LeavingPackets(SU).size();
    EXPECT_EQ(received[leaving - 2], "6/6 P2");
    EXPECT_EQ(received[leaving - 1], "6/3");
}

}  // namespace
}  // namespace e2e
