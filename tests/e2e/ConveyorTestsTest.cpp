// The conveyor unit's tests end to end from the CU Test menu: safety
// switches and belts, the static curtain test, the packet display.
#include "LaneFolder.h"
#include "UtilityRun.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ::testing::ContainsRegex;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace e2e {
namespace {

std::vector<std::string> BeltRequests(const std::vector<std::string>& received)
{
    std::vector<std::string> found;
    for (const std::string& packet : received)
        if (packet.compare(0, 5, "6/6 C") == 0) found.push_back(packet.substr(4));
    return found;
}

TEST(ConveyorTests, SafetySwitchesRunTheBeltsAndThePacketDisplayShowsWhatArrives)
{
    UtilityRun run(CU);
    run.Module().Set("setting.conveyor.switches=0x01");
    // The board answers the stop of both belts with a status packet that
    // nobody reads, so the packet display finds it waiting. The display
    // notices a key only between packets: a late packet after the front
    // belt's command ends its wait soon when the key comes after it began.
    run.Module().Set("reply.C1=z8\\x01");
    run.Module().Set("reply.C2=un");
    run.Module().Set("fault.C2=delay:3000");
    run.Start();
    ASSERT_TRUE(run.TypeWhen("Enter Command:", "T1"));
    ASSERT_TRUE(run.TypeWhen("Front Sensor is Okay      Rear Sensor is Blocked \r", "1"));
    ASSERT_TRUE(run.TypeWhen("\nFront Forward\n", "x"));
    ASSERT_TRUE(run.TypeWhen("Press any key to continue", " "));
    ASSERT_TRUE(run.TypeWhen("Enter Command:", "B"));
    ASSERT_TRUE(run.TypeWhen("Port 6, z8:", "k"));
    ASSERT_TRUE(run.TypeWhen("\n\nDone", "XX"));
    EXPECT_EQ(run.Finish(), 0);

    const std::string output = run.Output();
    EXPECT_THAT(output, HasSubstr("**** Conveyor Safety Switches Status ****\n\n"
                                  "Press 1-Front Forward,2-Front Rev,3-Front Stop\n"
                                  "Press 4-Rear Forward,5-Rear Rev,6-Rear Stop\n"
                                  "Press 'X' key to exit\n\n"));
    EXPECT_THAT(run.Capture(), HasSubstr("Requesting Security Module Safety Switches Sensor Status"));
    // "x" stops both belts before the test ends.
    EXPECT_THAT(BeltRequests(run.Received()), ElementsAre("C20", "C11"));
    EXPECT_THAT(output, HasSubstr("\n\nStarting Display ORBA Packets Test.\n\n\n"
                                  "Press any key to exit test\n\n"
                                  "Port 6, z8:1.0.0.  |  " +
                                  std::string("\x01\x00\x00\n", 4)));
    // No pause after the display: straight back to the Test menu.
    EXPECT_THAT(output, HasSubstr("\n\nDone" + std::string(25, '\n') + "**** Test Menu ****"));
}

TEST(ConveyorTests, StaticCurtainResultsGoToTheDumpFile)
{
    UtilityRun run(CU);
    run.Module().Set("setting.curtain.sensors=1,27,28,29,30;1,5,30");
    run.Start();
    // Start, then collect two result sets.
    ASSERT_TRUE(run.TypeWhen("Enter Command:", "T91 90"));
    ASSERT_TRUE(run.WaitFor("RTP : "));
    ASSERT_TRUE(run.WaitFor("Press any key to continue"));
    const std::string firstDump = run.Lane().ReadOnDriveC("FirmwareUpdate/Curtain_Dump.txt");
    run.Type(" 90");
    ASSERT_TRUE(run.WaitFor("RTP : "));
    ASSERT_TRUE(run.TypeWhen("Press any key to continue", " XX"));
    EXPECT_EQ(run.Finish(), 0);

    const std::string output = run.Output();
    EXPECT_THAT(output,
                HasSubstr("\n\nStatic Curtain Test.\n\n\n"
                          "Press 1 to start new test or 0 to stop test and display results :1\n\n"));
    EXPECT_THAT(output, ContainsRegex("Time: [0-9][0-9]/[0-9][0-9]/[0-9][0-9] "
                                      "[0-9][0-9]:[0-9][0-9]:[0-9][0-9]\n\n"));
    const std::string header =
        "Low Diff/High Diff/Low No IR/High No IR/Low With IR/High With IR/Block Count/Block Value\n";
    EXPECT_EQ(CountOf(output, header), 2);
    EXPECT_EQ(CountOf(output, "Total Scans 5000\n\n"), 2);  // FP's only
    EXPECT_THAT(
        output,
        HasSubstr("Total Scans 5000\n\nFP  :  601 /  501 /  101 /  201 /  301 /  401 /    1 /  701\n"
                  "Rear:  61b /  51b /  11b /  21b /  31b /  41b /   1b /  71b\n"));

    EXPECT_EQ(firstDump.find(header), 0u);
    EXPECT_EQ(CountOf(firstDump, "Total Scans 5000\n\n"), 5);
    for (const char* label : {"\nFP  : ", "\nRear: ", "\nBAF : ", "\nFTP : ", "\nRTP : "})
        EXPECT_EQ(CountOf(firstDump, label), 1) << label;

    // A sensor without a name keeps its number; the set goes on to RTP.
    const std::string secondDump = run.Lane().ReadOnDriveC("FirmwareUpdate/Curtain_Dump.txt");
    EXPECT_EQ(secondDump.find(header), 0u);
    EXPECT_THAT(secondDump, HasSubstr("\n   5:  605 /  505 /  105 /  205 /  305 /  405 /    5 /  705\n"
                                      "Total Scans 5000\n\nRTP : "));
    EXPECT_THAT(output, HasSubstr("\n   5:  605 /"));

    std::vector<std::string> curtain;
    for (const std::string& packet : run.Received())
        if (packet.compare(0, 6, "6/6 A6") == 0) curtain.push_back(packet.substr(4));
    EXPECT_THAT(curtain, ElementsAre("A61", "A60", "A60"));
}

}  // namespace
}  // namespace e2e
