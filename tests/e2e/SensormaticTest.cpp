// The Sensormatic menu's operations end to end: controller type, enable,
// disable and the hardtag display.
#include "UtilityRun.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

namespace e2e {
namespace {

std::vector<std::string> ControllerRequests(const std::vector<std::string>& received)
{
    std::vector<std::string> found;
    for (const std::string& packet : received)
        if (packet.compare(0, 5, "6/6 X") == 0) found.push_back(packet.substr(4));
    return found;
}

TEST(Sensormatic, ControllerTypeIsChangedOnlyByAValidAnswerAndAlwaysReadBack)
{
    UtilityRun run(CU);
    run.Module().Set("setting.sensormatic.hardtag=0,0,1");
    run.Start();
    // An empty answer, an invalid one, then type 2; each followed by the
    // pause's key.
    ASSERT_TRUE(run.TypeWhen("Enter Command:",
                             "31"
                             "\n "
                             "1"
                             "3\n "
                             "1"
                             "2\n "
                             "4"));
    ASSERT_TRUE(run.TypeWhen("Hardtag Present    \r", "k"));
    ASSERT_TRUE(run.TypeWhen("Press any key to continue", "XX"));
    EXPECT_EQ(run.Finish(), 0);

    const std::string output = run.Output();
    EXPECT_THAT(output, HasSubstr("Sensormatic Configure Controller Type\n\n\n"
                                  "Current Controller Type :None\n\n"
                                  "\nController Types : 0=None, 1=ScanMax, 2=ScanMax Pro\n"
                                  "Enter Controller Type :No Change!\n"
                                  "\n\nCurrent Controller Type :None\n\n"));
    EXPECT_THAT(output, HasSubstr("Enter Controller Type :Invalid Type!\nNo Change!\n"
                                  "\n\nCurrent Controller Type :None\n\n"));
    EXPECT_THAT(output, HasSubstr("\n\nCurrent Controller Type :2 - ScanMax Pro\n\n"));
    EXPECT_THAT(output,
                HasSubstr("Current Controller type :2 - ScanMax Pro\n**** Sensormatic Menu ****"));
    EXPECT_THAT(output,
                HasSubstr("\n\n\nSensormatic Hardtag Status\n\n\nPress any key to exit test.\n\n\n\n"
                          "Hardtag Not Present\rHardtag Not Present\rHardtag Present    \r"));

    const std::vector<std::string> requests = ControllerRequests(run.Received());
    ASSERT_GE(requests.size(), 12u);
    EXPECT_EQ(std::vector<std::string>(requests.begin(), requests.begin() + 12),
              (std::vector<std::string>{"X3", "X3", "X3", "X3", "X3", "X3", "X3", "X3", "X22", "X3",
                                        "X3", "X4"}));
}

TEST(Sensormatic, EnableAndDisableReportTheControllerAndItsSilence)
{
    UtilityRun run(SU);
    // The first answer comes only after 100 other packets; the second is a
    // controller error; the third is as asked.
    run.Module().Set("fault.X5=unrelated:100*1");
    run.Module().Set("setting.sensormatic.switch-reply=,03,");
    EXPECT_EQ(run.Run({}, "32 2 3 XX"), 0);
    const std::string output = run.Output();
    EXPECT_THAT(output, HasSubstr("Enable Sensormatic Controller \n\n\n"));
    EXPECT_EQ(CountOf(output, "ERROR 62: Sensormatic controller did not respond.\n"), 1);
    EXPECT_EQ(CountOf(output, "Controller Error 03\n"), 1);
    EXPECT_THAT(output, HasSubstr("Disable Sensormatic Controller \n\n\nController Disabled\n"));
    EXPECT_THAT(output, Not(HasSubstr("Controller Enabled")));
    const std::vector<std::string> requests = ControllerRequests(run.Received());
    EXPECT_THAT(requests, ElementsAre("X3", "X51", "X3", "X51", "X3", "X50", "X3"));
}

}  // namespace
}  // namespace e2e
