// SU model, proximity sensor, USB loop-back test and soft reset, end to end
// through the menus.
#include "UtilityRun.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

namespace e2e {
namespace {

// The received packets that begin with prefix, in order.
std::vector<std::string> PacketsStartingWith(const std::vector<std::string>& received,
                                             const std::string& prefix)
{
    std::vector<std::string> found;
    for (const std::string& packet : received)
        if (packet.compare(0, prefix.size(), prefix) == 0) found.push_back(packet);
    return found;
}

// What follows the first packet equal to packet.
std::vector<std::string> PacketsAfter(const std::vector<std::string>& received,
                                      const std::string& packet, size_t count)
{
    for (size_t i = 0; i < received.size(); ++i)
        if (received[i] == packet)
            return std::vector<std::string>(
                received.begin() + static_cast<long>(i) + 1,
                received.begin() + static_cast<long>(std::min(received.size(), i + 1 + count)));
    return {};
}

TEST(SuModel, AnswersAreSentAsTypedAndOnlyTheFirstCharacterIsChecked)
{
    UtilityRun run(SU);
    run.Module().Set("model=300");
    // Each answer, then the pause's key; the long answer is cut at 11
    // characters and the rest of its line is dropped.
    EXPECT_EQ(run.Run({},
                      "12"
                      "7\n "
                      "2"
                      "75\n "
                      "2"
                      "700\n "
                      "2"
                      "800\n "
                      "2"
                      "\n "
                      "2"
                      "50012345678999\n "
                      "XX"),
              0);
    EXPECT_THAT(PacketsStartingWith(run.Received(), "6/6 Z6"),
                ElementsAre("6/6 Z67<00><00>", "6/6 Z675<00>", "6/6 Z6700", "6/6 Z6500"));
    // Each accepted answer re-reads the model the main menu shows.
    EXPECT_EQ(PacketsStartingWith(run.Received(), "6/6 Z5").size(), 1u + 4u);
    const std::string output = run.Output();
    EXPECT_THAT(output, HasSubstr("\n**** USB SU Module Set Model 700/500/300 ****\n\n\n"
                                  "Enter Model 700, 500 or 300 :"));
    EXPECT_EQ(CountOf(output, "Model set."), 4);
    EXPECT_EQ(CountOf(output, "Invalid Model Must be 700 or 500 or 300"), 1);
    EXPECT_EQ(CountOf(output, "No Change!"), 1);
    EXPECT_EQ(output.substr(output.rfind(", Model "), 11), ", Model 500");
    EXPECT_THAT(run.Capture(), HasSubstr("Entered Answer : 50012345678"));
    EXPECT_THAT(run.Capture(), Not(HasSubstr("Entered Answer : 500123456789")));
}

TEST(SuModel, UnconfirmedChangeIsNotReportedAsSet)
{
    UtilityRun run(SU);
    run.Module().Set("fault.Z6=unrelated:100");
    EXPECT_EQ(run.Run({},
                      "12"
                      "500\n "
                      "XX"),
              0);
    const std::string output = run.Output();
    EXPECT_THAT(output, HasSubstr("ERROR 12: Security Module status timeout."));
    EXPECT_THAT(output, Not(HasSubstr("Model set.")));
    // The model is still read back and port 6 closed.
    EXPECT_THAT(PacketsAfter(run.Received(), "6/6 Z6500", 2), ElementsAre("6/6 Z5", "6/3"));
    EXPECT_THAT(output, HasSubstr(", Model 500, Checksum"));
}

TEST(SuProximity, FailedCalibrationStillShowsTheLiveStatus)
{
    UtilityRun run(SU);
    run.Module().Set("version=040912152010");
    run.Module().Set("setting.proximity.calibration=0x31");
    run.Module().Set("setting.proximity.status=0x31,0x01,0x33,0x30");
    run.Start();
    ASSERT_TRUE(run.TypeWhen("Enter Command:", "13"));
    ASSERT_TRUE(run.TypeWhen("Press any key to start proximity calibration", " "));
    // One key ends the display and is taken by the menu's pause.
    ASSERT_TRUE(run.TypeWhen("Current Proximity Status :Clear\r", "k"));
    ASSERT_TRUE(run.WaitFor("Press any key to continue"));
    run.Type("XX");
    EXPECT_EQ(run.Finish(), 0);
    const std::string output = run.Output();
    EXPECT_THAT(output, HasSubstr("USB Security Module Calibrate Proximity Sensor\n"));
    EXPECT_THAT(output, HasSubstr("\n\nStarting Calibration\n\n\nCalibration Failed!\n\n"));
    EXPECT_THAT(output, HasSubstr("Press any key to exit Proximity Sensor test\n\n"
                                  "Current Proximity Status :Blocked\r"
                                  "Current Proximity Status :Blocked\r"
                                  "Current Proximity Status :Blocked\r"
                                  "Current Proximity Status :Clear\r"));
    const std::vector<std::string> received = run.Received();
    EXPECT_THAT(PacketsAfter(received, "6/6 M4", 1), ElementsAre("6/6 M1"));
    EXPECT_GE(PacketsStartingWith(received, "6/6 M1").size(), 4u);
}

std::string LoopbackRequest(const char* counter)
{
    return std::string("6/6 ZI") + counter + "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
}

TEST(UsbTest, RequestsAreNumberedAndAKeyBeforeTheFirstCycleSendsNothing)
{
    UtilityRun run(CU);
    run.Start();
    ASSERT_TRUE(run.WaitFor("Enter Command:"));
    // The key after 6 is waiting before the first cycle.
    run.Type("T6k");
    ASSERT_TRUE(run.TypeWhen("Starting USB test.", ""));
    ASSERT_TRUE(run.TypeWhen("Press any key to continue", " "));
    const size_t afterFirstRun = run.Received().size();
    ASSERT_TRUE(run.TypeWhen("**** Test Menu ****", "6"));
    ASSERT_TRUE(run.TypeWhen("Packets Sent 11, Received 11, Errors 0, Zero Length 0\r", "k"));
    ASSERT_TRUE(run.TypeWhen("Press any key to continue", " XX"));
    EXPECT_EQ(run.Finish(), 0);

    const std::string output = run.Output();
    EXPECT_THAT(output, HasSubstr("\n\nStarting USB test.\n\n\n\n\n\nPress any key to continue"));
    const std::vector<std::string> received = run.Received();
    const std::vector<std::string> firstRun(received.begin(),
                                            received.begin() + static_cast<long>(afterFirstRun));
    EXPECT_TRUE(PacketsStartingWith(firstRun, "6/6 ZI").empty());
    const std::vector<std::string> requests = PacketsStartingWith(received, "6/6 ZI");
    ASSERT_GE(requests.size(), 11u);
    EXPECT_EQ(requests[0], LoopbackRequest("00000000"));
    EXPECT_EQ(requests[1], LoopbackRequest("00000001"));
    EXPECT_EQ(requests[10], LoopbackRequest("0000000A"));
    // Port 6 is closed once the key is taken.
    EXPECT_THAT(PacketsAfter(received, requests.back(), 1), ElementsAre("6/3"));
}

TEST(UsbTest, WrongCounterCountsOneErrorAndBothPartsWrongTwo)
{
    UtilityRun run(SU);
    run.Module().Set("setting.loopback.corrupt=counter,both,none");
    run.Start();
    ASSERT_TRUE(run.TypeWhen("Enter Command:", "T6"));
    ASSERT_TRUE(run.TypeWhen("Packets Sent 3, Received 3,", "k"));
    ASSERT_TRUE(run.TypeWhen("Press any key to continue", " XX"));
    EXPECT_EQ(run.Finish(), 0);
    const std::string output = run.Output();
    EXPECT_THAT(output, HasSubstr("Packets Sent 0, Received 0, Errors 0, Zero Length 0\r"
                                  "Packets Sent 1, Received 1, Errors 1, Zero Length 0\r"
                                  "Packets Sent 2, Received 2, Errors 3, Zero Length 0\r"
                                  "Packets Sent 3, Received 3, Errors 3, Zero Length 0\r"));
}

TEST(SoftReset, TimeOutLeavesPort6OpenAndTheNextResetCompletes)
{
    UtilityRun run(CU);
    run.Module().Set("fault.Z3=no-reply*1");
    EXPECT_EQ(run.Run({}, "TA A XX"), 0);
    const std::string output = run.Output();
    EXPECT_THAT(output, HasSubstr("ERROR 10: Security Module Soft Reset Timeout\n"));
    EXPECT_EQ(CountOf(output, "Reset Complete"), 1);
    const std::vector<std::string> received = run.Received();
    EXPECT_THAT(PacketsAfter(received, "6/6 Z3", 3),
                ElementsAre("6/1 <01><06><02><01>", "6/2", "6/6 Z3"));
    // Port 6 closed before the leaving packets (checked first: a run that
    // never reached the board has none to index).
    ASSERT_GT(received.size(), LeavingPackets(CU).size());
    EXPECT_EQ(received[received.size() - LeavingPackets(CU).size() - 1], "6/3");
    EXPECT_THAT(run.Capture(), HasSubstr("Sending Soft Reset"));
}

}  // namespace
}  // namespace e2e
