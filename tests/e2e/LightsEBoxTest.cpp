// Lights, the hardware version report and the carousel E-Box, end to end:
// the real programs against the emulated board.
#include "UtilityRun.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <string>
#include <tuple>

using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::Not;

namespace e2e {
namespace {

const char OPEN_PORT6_INIT[] = "6/1 <01><06><02><01>";

class EasLaneLight : public ::testing::TestWithParam<Variant> {};

TEST_P(EasLaneLight, InvalidQueryAnswerIsShownAndTheSetStillGoesOut)
{
    UtilityRun run(GetParam());
    run.Module().Set("setting.eas-all=2");
    EXPECT_EQ(run.Run({"-SetEPSFlash"}), 0);
    EXPECT_THAT(run.Output(),
                HasSubstr("USB Security Module Set all 3 EAS light as flashing lane light only\n"
                          "\n\nCurrent Status:Invalid Setting!\n\n"
                          "\nAll 3 EAS as Lane Light is Enabled\n\n"));
    // Port 6 stays open: the program ends after the command.
    EXPECT_THAT(AfterStartUp(run), ElementsAreArray({OPEN_PORT6_INIT, "6/2", "6/6 Z9?", "6/6 Z91"}));
}

TEST_P(EasLaneLight, BothSettingsRunAllEasFirstEachWithItsOwnPort6)
{
    UtilityRun run(GetParam());
    run.Module().Set("setting.eas-top=1");
    EXPECT_EQ(run.Run({"-SetEPSLLFlash"}), 0);
    EXPECT_THAT(AfterStartUp(run), ElementsAreArray({OPEN_PORT6_INIT, "6/2", "6/6 Z9?", "6/6 Z91",
                                                     OPEN_PORT6_INIT, "6/2", "6/6 ZB?", "6/6 ZB1"}));
    const std::string output = run.Output();
    const size_t all = output.find(
        "Current Status:All 3 EAS as Lane Light is Disabled\n\n"
        "\nAll 3 EAS as Lane Light is Enabled\n\n");
    const size_t top = output.find(
        "USB Security Module, Set top EAS light as lane light\n"
        "\n\nCurrent Status:Top EAS as Lane Light is Enabled\n\n"
        "\nTop EAS as Lane Light is Enabled\n\n");
    ASSERT_NE(all, std::string::npos) << output;
    ASSERT_NE(top, std::string::npos) << output;
    EXPECT_LT(all, top);
}

TEST(EasLaneLightSet, AnswerIsTheNextPacketWhateverItIs)
{
    UtilityRun run(CU);
    // Every ZB answer comes after a stray packet: the query skips it, the
    // set takes it as its answer.
    run.Module().Set("fault.ZB=unrelated:1");
    EXPECT_EQ(run.Run({"-SetTopEPSLL"}), 0);
    EXPECT_THAT(run.Output(), HasSubstr("Current Status:Top EAS as Lane Light is Disabled\n\n"
                                        "Invalid Setting!\n\n"));
}

INSTANTIATE_TEST_SUITE_P(Both, EasLaneLight, ::testing::Values(SU, CU),
                         [](const auto& paramInfo) { return VariantName(paramInfo.param); });

TEST(LightTests, SuTestMenuRunsBothLightTests)
{
    UtilityRun run(SU);
    run.Module().Set("setting.tal2=0x21");
    run.Module().Set("setting.tal2-status-flag=1");
    // Test menu; lane lights: all off, red off, out; TAL-2: amber, green,
    // flashing, all off, out; back to the main menu and out.
    EXPECT_EQ(run.Run({}, "T50aX 71390X XX"), 0);
    const std::vector<std::string> expected = {
        OPEN_PORT6_INIT, "6/2",           "6/6 L0", "6/6 L3",     "6/6 L6",     "6/6 L9", "6/6 L9",
        "6/3",           OPEN_PORT6_INIT, "6/2",    "6/6 T0",     "6/6 T1<01>", "6/6 T0", "6/6 T1<03>",
        "6/6 T0",        "6/6 T1#",       "6/6 T0", "6/6 T1<00>", "6/6 T0",     "6/3"};
    std::vector<std::string> received = AfterStartUp(run);
    ASSERT_GE(received.size(), expected.size());
    EXPECT_THAT(std::vector<std::string>(
                    received.begin(), received.begin() + static_cast<std::ptrdiff_t>(expected.size())),
                ElementsAreArray(expected));
    const std::string output = run.Output();
    EXPECT_THAT(output, HasSubstr("TAL-2 Status :Amber, Flashing\n\n"));
    EXPECT_THAT(output, HasSubstr("TAL-2 Status :Amber, Green, Flashing\n\n"));
    EXPECT_EQ(CountOf(output, "TAL-2 Status :All Off\n\n"), 1);
    EXPECT_THAT(output, HasSubstr("C - Flash Red Light\n\nX - Exit\n\nEnter Command :A\n"));
}

TEST(LightTests, CuUtilityHasNone)
{
    UtilityRun run(CU);
    EXPECT_EQ(run.Run({}, "T57XX"), 0);
    EXPECT_THAT(run.Output(), Not(HasSubstr("Lane Light")));
    EXPECT_THAT(run.Output(), Not(HasSubstr("TAL-2")));
    for (const std::string& packet : run.Received()) {
        EXPECT_THAT(packet, Not(HasSubstr("6/6 L")));
        EXPECT_THAT(packet, Not(HasSubstr("6/6 T")));
    }
}

// ---------------------------------------------------------------- report

// The report file as a script names it, and where that is in the lane (the
// program runs in the lane's Bin folder).
struct ReportFile {
    const char* name;
    const char* argument;
    std::string (*path)(const LaneFolder& lane);
};

void PrintTo(const ReportFile& report, std::ostream* out) { *out << report.argument; }

const ReportFile reportFiles[] = {
    {"Bare", "hw.ini", [](const LaneFolder& lane) { return lane.BinDir() + "/hw.ini"; }},
    {"Dot", ".\\hw.ini", [](const LaneFolder& lane) { return lane.BinDir() + "/hw.ini"; }},
    {"Parent", "..\\Reports\\hw.ini",
     [](const LaneFolder& lane) { return lane.BinDir() + "/../Reports/hw.ini"; }},
    {"DriveC", "C:\\Lane\\hw.ini", [](const LaneFolder& lane) { return lane.OnDriveC("Lane/hw.ini"); }},
};

class HardwareVersionRequest : public ::testing::TestWithParam<std::tuple<Variant, ReportFile>> {};

TEST_P(HardwareVersionRequest, WritesIntoTheNamedFileKeepingEveryOtherByte)
{
    const Variant& variant = std::get<0>(GetParam());
    const ReportFile& report = std::get<1>(GetParam());
    UtilityRun run(variant);
    run.Module().Set(variant.cu ? "version=061003222012" : "version=051012152010");
    run.Module().Set("serial=SN-77");
    const std::string p = variant.cu ? "ConveyorController_" : "ScanningController_";
    // Edited by hand and by installers: comments, blank lines, a line ending
    // in LF alone among CRLF ones, a key in other letter case, and a last
    // line without a line end.
    const std::string file = report.path(run.Lane());
    WriteTextFile(file,
                  "; inventory of lane 4\r\n\r\n[Lane]\nNumber=4\r\n\r\n"
                  "[HardwareVersions]\r\nPrinter_Version = 7\r\n" +
                      LowerCase(p) + "version=01.00\n; serial follows\r\n[Tail]\r\nLast=1");
    // Where the Windows profile calls would have put a bare name's report.
    const std::string windowsFolder = run.Lane().OnDriveC("windows/hw.ini");
    std::error_code error;
    std::filesystem::remove(windowsFolder, error);

    EXPECT_EQ(run.Run({"-HardwareVersionRequest", report.argument}), 0);
    EXPECT_THAT(LowerCase(run.Output()), Not(HasSubstr("error")));
    EXPECT_EQ(ReadTextFile(file),
              "; inventory of lane 4\r\n\r\n[Lane]\nNumber=4\r\n\r\n"
              "[HardwareVersions]\r\nPrinter_Version = 7\r\n" +
                  p + "Version=" + (variant.cu ? "06.10 03/22/2012" : "05.10 12/15/2010") + "\n" + p +
                  "Description=" + (variant.cu ? "Conveyor Unit" : "Scanning Unit") + "\r\n" + p +
                  "Manufacturer=VAV\r\n" + p + "Type=USB\r\n" + p +
                  "SerialNumber=SN-77\r\n; serial follows\r\n[Tail]\r\nLast=1");
    EXPECT_FALSE(PathExists(windowsFolder));
    EXPECT_THAT(run.Received(), ElementsAreArray(StartUpPackets())) << "no packet of its own";
}

INSTANTIATE_TEST_SUITE_P(Both, HardwareVersionRequest,
                         ::testing::Combine(::testing::Values(SU, CU), ::testing::ValuesIn(reportFiles)),
                         [](const auto& paramInfo) {
                             return VariantName(std::get<0>(paramInfo.param)) + "_" +
                                    std::get<1>(paramInfo.param).name;
                         });

// ------------------------------------------------------------------ E-Box

std::vector<std::string> PollingRequest(const char* request)
{
    return {OPEN_PORT6_INIT, "6/2", std::string("6/6 ") + request, "6/3"};
}

TEST(EBoxRound02, SetsTheRoundingResetsTheEBoxAndGivesThePollingBack)
{
    UtilityRun run(SU);
    run.Module().Set("setting.ebox-config=1140120");
    run.Module().Set("setting.ebox-split=1");
    EXPECT_EQ(run.Run({"-SetEBoxRound02"}), 0);

    std::vector<std::string> expected = {OPEN_PORT6_INIT, "6/2"};
    for (const std::string& packet : PollingRequest("SHL")) expected.push_back(packet);
    for (const std::string& packet : PollingRequest("SFD")) expected.push_back(packet);
    for (const char* packet : {"4/1 <05><05><01><02>", "4/2", "4/6 <0D>O<0A>", "4/6 <0D>O12601208<0A>",
                               "4/6 <0D>O<0A>", "4/6 R", "4/3"})
        expected.push_back(packet);
    for (const std::string& packet : PollingRequest("SFE")) expected.push_back(packet);
    expected.push_back("6/3");
    EXPECT_THAT(AfterStartUp(run), ElementsAreArray(expected));

    EXPECT_THAT(run.Output(), HasSubstr("Disabling VAV Default Override.\n"
                                        "Disabling EBox Polling.\n"
                                        "Opening Port 4 to Carousel\n"
                                        "Setting Rounding to .02\n"
                                        "Current Weight Rounding = 0.01\n\n"
                                        "Weight Rounding Updated!\n"
                                        "Resetting Carousel E-Box\n\n"
                                        "Reset Complete\n"
                                        "Complete.\n"));
}

TEST(EBoxRound02, ErrorReplyIsNamedAndTheSequenceGoesOn)
{
    UtilityRun run(CU);
    run.Module().Set("setting.ebox-error=3");
    EXPECT_EQ(run.Run({"-SetEBoxRound02"}), 0);
    EXPECT_THAT(run.Output(), HasSubstr("Setting Rounding to .02\n"
                                        "E-Box Error Code 3, Overload condition\n"
                                        "Resetting Carousel E-Box\n\n"
                                        "Reset Complete\n"
                                        "Complete.\n"));
    std::vector<std::string> tail = PollingRequest("SFE");
    tail.insert(tail.begin(), {"4/6 R", "4/3"});
    tail.push_back("6/3");
    const std::vector<std::string> received = AfterStartUp(run);
    ASSERT_GE(received.size(), tail.size());
    EXPECT_THAT(std::vector<std::string>(received.end() - static_cast<std::ptrdiff_t>(tail.size()),
                                         received.end()),
                ElementsAreArray(tail));
}

}  // namespace
}  // namespace e2e
