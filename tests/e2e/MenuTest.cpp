// The menus' frame, end to end: keys, screens, gates and the closing
// sequence.
#include "UtilityRun.h"
#include "tests/support/TimingAllowance.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>

using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::Not;

namespace e2e {
namespace {

class Menus : public ::testing::TestWithParam<Variant> {};

std::string MainMenuTitle(const Variant& variant)
{
    return variant.cu ? "**** CU Utility Main Menu ****\n" : "**** SU Utility Main Menu ****\n";
}

const std::string CLEAR(25, '\n');

// The identity every screen test gives the board.
void SetIdentity(UtilityRun& run, const char* version)
{
    run.Module().Set(std::string("version=") + version);
    run.Module().Set("checksum=5A3C91");
    run.Module().Set("checksum-status=0");
    run.Module().Set("model=700");
    run.Module().Set("serial=SN0001234");
}

// One pass of the main menu for the board of SetIdentity, the key taken at
// its prompt included.
std::string MainMenuScreen(const Variant& variant, char key, const char* version = "03.36 12/15/2010")
{
    return CLEAR + variant.banner + "\n\n\n\n\n\n\n\n\n" + (variant.cu ? "CU" : "SU") +
           " Firmware Version " + version +
           ", Model 700, Checksum 5A3C91 Passed!\n"
           "Serial Number :SN0001234\n\n\n" +
           MainMenuTitle(variant) + "\n" +
           (variant.cu ? " 1 - CU Functions\n 2 - Curtain Functions\n" : " 1 - SU Functions\n") +
           " 3 - Sensormatic Functions\n T - Test Menu\n X - Exit Program\n\n\nEnter Command:" + key +
           "\n\n";
}

// The output from the first main menu on; empty when there is none.
std::string FromTheMainMenu(const UtilityRun& run)
{
    const std::string output = run.Output();
    const size_t at = output.find(CLEAR + run.Utility().banner);
    return at == std::string::npos ? std::string() : output.substr(at);
}

std::vector<std::string> Packets(std::vector<std::vector<std::string>> parts)
{
    std::vector<std::string> all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

const std::vector<std::string> OPEN_PORT6 = {"6/1 <01><06><02><01>", "6/2"};

TEST_P(Menus, NoArgumentsShowTheIdentityAndTheMainMenuAndLeaveTheLightsOff)
{
    const Variant& variant = GetParam();
    UtilityRun run(variant);
    SetIdentity(run, "033612152010");
    EXPECT_EQ(run.Run({}, "X"), 0);

    const std::string output = run.Output();
    EXPECT_THAT(output, HasSubstr("\n\nFirmware Version 03.36 12/15/2010, Checksum 5A3C91 Passed!\n"
                                  "Serial Number :SN0001234\n\n"));
    EXPECT_THAT(output, HasSubstr(MainMenuScreen(variant, 'X')));

    std::vector<std::string> expected = StartUpPackets();
    for (const std::string& packet : LeavingPackets(variant)) expected.push_back(packet);
    EXPECT_THAT(run.Received(), ElementsAreArray(expected));
}

TEST_P(Menus, SuppressedConsoleShowsOnlyTheScreenClearAndLeavesByItself)
{
    const Variant& variant = GetParam();
    UtilityRun run(variant);
    run.Start({"-SupressConsoleDisplay"});
    // Standard input stays open: nobody presses a key.
    EXPECT_EQ(run.WaitForExit(), 0);
    EXPECT_EQ(run.Output(), std::string(25, '\n'));
    std::vector<std::string> expected = StartUpPackets();
    for (const std::string& packet : LeavingPackets(variant)) expected.push_back(packet);
    EXPECT_THAT(run.Received(), ElementsAreArray(expected));
    EXPECT_THAT(run.Capture(), HasSubstr("Enter Command:"));
}

TEST_P(Menus, UnacknowledgedResultsLeaveByThemselvesButStillShow)
{
    UtilityRun run(GetParam());
    run.Start({"-SuppressAcknowledgeResults"});
    EXPECT_EQ(run.WaitForExit(), 0);
    EXPECT_THAT(run.Output(), HasSubstr(MainMenuTitle(GetParam())));
    EXPECT_THAT(run.Output(), Not(HasSubstr("Enter Command:X")));
}

TEST_P(Menus, UnlistedKeyOnlyRedraws)
{
    const Variant& variant = GetParam();
    UtilityRun run(variant);
    // '2' is listed in cu_utility only; 'Q' in neither.
    EXPECT_EQ(run.Run({}, variant.cu ? "QX" : "2QX"), 0);
    const std::string output = run.Output();
    EXPECT_EQ(CountOf(output, MainMenuTitle(variant)), variant.cu ? 2 : 3);
    EXPECT_THAT(output, Not(HasSubstr("Press any key")));
    std::vector<std::string> expected = StartUpPackets();
    for (const std::string& packet : LeavingPackets(variant)) expected.push_back(packet);
    EXPECT_THAT(run.Received(), ElementsAreArray(expected));
}

TEST_P(Menus, LowerCaseKeysActLikeUpperCase)
{
    UtilityRun run(GetParam());
    EXPECT_EQ(run.Run({}, "txx"), 0);
    const std::string output = run.Output();
    EXPECT_THAT(output, HasSubstr("Enter Command:T\n\n"));
    EXPECT_THAT(output, HasSubstr("**** Test Menu ****\n\n"));
    EXPECT_EQ(CountOf(output, "Enter Command:X\n\n"), 2);
}

// Wherever standard input ends, every later key is X: the program leaves
// the menus the way a technician would, and the lights go off.
struct Path {
    const char* name;
    bool cu;
    const char* keys;
};

void PrintTo(const Path& path, std::ostream* out) { *out << path.name; }

// Status 0 within a few seconds, waiting rather than spinning, and out
// through the main menu's closing sequence.
void ExpectEndedNormally(UtilityRun& run, const char* name, int status, int lateAnswerMs = 0)
{
    EXPECT_EQ(status, 0) << name;
    // The start-up and the closing sequence take about 3 s of the protocol's
    // own waits.
    const auto cpuMs = std::chrono::duration_cast<std::chrono::milliseconds>(run.CpuTime());
    std::printf("%s: %lld ms, processor %lld ms\n", name, static_cast<long long>(run.WallTime().count()),
                static_cast<long long>(cpuMs.count()));
    // (Under Wine the program's start alone takes a second.)
    EXPECT_LE(run.WallTime().count(), (UnderWine() ? 12000 : timing::UpperLimitMs(6000)) + lateAnswerMs)
        << name;
    EXPECT_LE(cpuMs.count() * 4, run.WallTime().count()) << name;
    const std::vector<std::string> received = run.Received();
    const std::vector<std::string> leaving = LeavingPackets(run.Utility());
    ASSERT_GE(received.size(), leaving.size()) << name;
    EXPECT_TRUE(std::equal(leaving.begin(), leaving.end(),
                           received.end() - static_cast<std::ptrdiff_t>(leaving.size())))
        << name << ": " << ::testing::PrintToString(received);
}

class EndOfInput : public ::testing::TestWithParam<Path> {};

TEST_P(EndOfInput, EndsTheProgramNormally)
{
    const Path& path = GetParam();
    UtilityRun run(path.cu ? CU : SU);
    run.Module().Set("version=045012152010");  // every gate open
    ExpectEndedNormally(run, path.name, run.Run({}, path.keys));
}

INSTANTIATE_TEST_SUITE_P(
    Menus, EndOfInput,
    ::testing::Values(Path{"su_main", false, ""}, Path{"su_functions", false, "1"},
                      Path{"su_sensormatic", false, "3"}, Path{"su_test", false, "T"},
                      Path{"su_scale_test", false, "T4"}, Path{"su_pause", false, "12"},
                      Path{"cu_main", true, ""}, Path{"cu_functions", true, "1"},
                      Path{"cu_curtain", true, "2"}, Path{"cu_sensormatic", true, "3"},
                      Path{"cu_test", true, "T"}, Path{"cu_pause", true, "T6"}),
    [](const auto& paramInfo) { return std::string(paramInfo.param.name); });

// The same inside every test and prompt that waits for keys or a line: the
// input ends once the program shows it is there. The runs of a group go at
// once, each against its own board, so a group takes about as long as its
// slowest run (a run's times are taken when its turn to be reaped comes, so
// they may be longer than it was, never shorter).
struct WaitPath {
    const char* name;
    bool cu;
    const char* keys;
    const char* shownAtTheWait;
    // A board answer the path waits for, and how late it comes.
    const char* lateAnswer = "";
    int lateAnswerMs = 0;
};

struct PathGroup {
    const char* name;
    std::vector<WaitPath> paths;
};

void PrintTo(const PathGroup& group, std::ostream* out) { *out << group.name; }

class EndOfInputInTests : public ::testing::TestWithParam<PathGroup> {};

TEST_P(EndOfInputInTests, EndsTheProgramNormally)
{
    const std::vector<WaitPath>& group = GetParam().paths;
    // Under Wine a device name is one board's at a time: one run after another.
    const size_t atOnce = UnderWine() ? 1 : group.size();
    for (size_t first = 0; first < group.size(); first += atOnce) {
        const std::vector<WaitPath> paths(
            group.begin() + static_cast<std::ptrdiff_t>(first),
            group.begin() + static_cast<std::ptrdiff_t>(std::min(group.size(), first + atOnce)));
        std::vector<std::unique_ptr<UtilityRun>> runs;
        for (const WaitPath& path : paths) {
            runs.push_back(std::make_unique<UtilityRun>(path.cu ? CU : SU));
            runs.back()->Module().Set("version=045012152010");  // every gate open
            if (*path.lateAnswer != '\0') runs.back()->Module().Set(path.lateAnswer);
            runs.back()->Start();
            runs.back()->Type(path.keys);
        }
        for (size_t i = 0; i < runs.size(); ++i) {
            EXPECT_TRUE(runs[i]->WaitFor(paths[i].shownAtTheWait)) << paths[i].name;
            runs[i]->EndInput();
        }
        for (size_t i = 0; i < runs.size(); ++i)
            ExpectEndedNormally(*runs[i], paths[i].name, runs[i]->WaitForExit(), paths[i].lateAnswerMs);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Menus, EndOfInputInTests,
    ::testing::Values(
        PathGroup{"su_functions_and_sensormatic",
                  {{"upload_name", false, "11", "Enter File Name :"},
                   {"model", false, "12", "Enter Model 700, 500 or 300 :"},
                   {"proximity_status", false, "13 ", "Current Proximity Status :"},
                   {"controller_type", false, "31", "Enter Controller Type :"},
                   {"hardtag_status", false, "34", "Hardtag "}}},
        PathGroup{"su_tests",
                  {{"coupon_box", false, "T2", ", X = Exit\n"},
                   {"coupon_led_values", false, "T2V", "Top Array"},
                   {"lane_lights", false, "T5", "X - Exit\n\nEnter Command :"},
                   {"tal2_lights", false, "T7", "TAL-2 Status :"},
                   {"power_relay", false, "T8", "Power Relay :"},
                   {"pause", false, "TA", "Press any key to continue"}}},
        PathGroup{"su_scale",
                  {{"display_start", false, "T41", "Press any key to start"},
                   {"display_running", false, "T41 ", "STABLE"},
                   {"interval", false, "T42", "(enter 0 or blank for none) :"},
                   {"zero_each_interval", false, "T421\n", "Zero values for each interval :"},
                   {"log_data", false, "T421\ny", "Do you want to log this data :"},
                   {"analysis_start", false, "T42\n", "Press any key to start"},
                   {"analysis_running", false, "T42\n ", "Noise Range Counts"}}},
        PathGroup{"cu_tests_and_prompts",
                  {{"upload_name", true, "11", "Enter File Name :"},
                   {"flatpack_key", true, "21", "Enter E to enable or D to Disable :"},
                   {"safety_switches", true, "T1", "Front Sensor is "},
                   {"curtain_test_key", true, "T9", "or 0 to stop test and display results :"},
                   // The display notices a key, and the end of the input, only
                   // between reads, which wait up to 25 s for a packet: a soft
                   // reset's answer comes late, once the display has begun.
                   {"packet_display", true, "TA B", "Press any key to exit test",
                    "fault.Z3=delay:2000*1", 2000}}}),
    [](const auto& paramInfo) { return std::string(paramInfo.param.name); });

TEST(SuMenus, ProximityCalibrationNeedsFirmware409)
{
    for (const char* version : {"040812152010", "040912152010"}) {
        UtilityRun run(SU);
        run.Module().Set(std::string("version=") + version);
        EXPECT_EQ(run.Run({}, "13 xx"), 0);
        const bool runs = std::string(version) >= "0409";
        EXPECT_EQ(CountOf(run.Output(), "USB Security Module Calibrate Proximity Sensor"), runs ? 1 : 0)
            << version;
        EXPECT_EQ(CountOf(run.Output(), "Press any key to continue"), 1) << version;
        const std::vector<std::string> received = run.Received();
        EXPECT_EQ(std::count(received.begin(), received.end(), "6/6 M4"), runs ? 1 : 0) << version;
        if (runs) continue;
        EXPECT_THAT(run.Output(),
                    HasSubstr("Enter Command:3\n\n" + CLEAR + "\nPress any key to continue" + CLEAR +
                              "**** SU Functions Menu ****\n"));
        EXPECT_THAT(received, ElementsAreArray(Packets({StartUpPackets(), LeavingPackets(SU)})));
    }
}

TEST(SuMenus, ScaleTestingNeedsFirmware439AndItsXLeavesTheTestMenuToo)
{
    UtilityRun below(SU);
    below.Module().Set("version=043812152010");
    EXPECT_EQ(below.Run({}, "T4 xx"), 0);
    EXPECT_THAT(below.Output(), Not(HasSubstr("**** Scale Test Menu ****")));
    EXPECT_EQ(CountOf(below.Output(), "**** Test Menu ****"), 2);

    UtilityRun at(SU);
    at.Module().Set("version=043912152010");
    at.Start();
    at.TypeWhen("Enter Command:", "t");
    at.TypeWhen("**** Test Menu ****", "4");
    at.TypeWhen("\nEnter Command :", "x");
    ASSERT_TRUE(at.WaitFor("X\n\nPress any key to continue"));
    at.Type(" ");
    ASSERT_TRUE(at.WaitFor(MainMenuTitle(SU)));
    at.Type("X");
    EXPECT_EQ(at.Finish(), 0);
    EXPECT_EQ(CountOf(at.Output(), "**** Test Menu ****"), 1);
}

// The menus below the main menu, screen by screen, each with its key taken:
// the whole output from the first main menu on is compared.
const char SENSORMATIC_MENU[] =
    "**** Sensormatic Menu ****\n\n 1 - Set Controller Type\n 2 - Enable Controller\n"
    " 3 - Disable Controller\n 4 - Hardtag Detection Status\n X - Exit This Menu\n\nEnter Command:X\n\n";

TEST(SuMenus, EverySubMenuShowsItsScreenAndOnlyItsItemsAskTheBoard)
{
    UtilityRun run(SU);
    SetIdentity(run, "045012152010");
    run.Module().Set("setting.sensormatic.type=1");
    // Functions; Sensormatic; Test with a soft reset; Scale Test; out.
    EXPECT_EQ(run.Run({},
                      "1X"
                      "3X"
                      "TA X"
                      "T4X "
                      "X"),
              0);

    const char* version = "04.50 12/15/2010";
    const std::string testMenu = CLEAR +
                                 "**** Test Menu ****\n\n 2 - Coupon Box\n 4 - Scale Testing\n"
                                 " 5 - Lane Light / TAL-1 lights Test\n 6 - USB Testing\n"
                                 " 7 - TAL-2 lights testing\n 8 - Switched A/C power testing\n"
                                 " A - Soft Reset\n X - Exit This Menu\n\nEnter Command:";
    const std::string expected =
        MainMenuScreen(SU, '1', version) + CLEAR +
        "**** SU Functions Menu ****\n\n 1 - Upload Firmware to SU\n 2 - Set SU Model 700/500/300\n"
        " 3 - Calibrate Proximity Sensor\n X - Exit This Menu\n\nEnter Command:X\n\n" +
        CLEAR + MainMenuScreen(SU, '3', version) + CLEAR + "Current Controller type :1 - ScanMax\n\n" +
        SENSORMATIC_MENU + MainMenuScreen(SU, 'T', version) + testMenu +
        "A\n\nReset Complete\n\nPress any key to continue" + testMenu + "X\n\n" +
        MainMenuScreen(SU, 'T', version) + testMenu + "4\n\n" + CLEAR +
        "**** Scale Test Menu ****\n\n\n 1 - Display/Capture Scale Values\n 2 - Analyze Scale Data\n"
        " X - Exit This Menu\n\nEnter Command :X\n\nPress any key to continue" +
        MainMenuScreen(SU, 'X', version);
    EXPECT_EQ(FromTheMainMenu(run), expected);
    EXPECT_THAT(run.Received(), ElementsAreArray(Packets({StartUpPackets(),
                                                          OPEN_PORT6,
                                                          {"6/6 X3", "6/3"},
                                                          OPEN_PORT6,
                                                          {"6/6 Z3", "6/3"},
                                                          LeavingPackets(SU)})));
}

TEST(CuMenus, FunctionsAndTestMenusShowTheirScreensAndAskTheBoardNothing)
{
    UtilityRun run(CU);
    SetIdentity(run, "033612152010");
    EXPECT_EQ(run.Run({},
                      "1X"
                      "TX"
                      "X"),
              0);
    const std::string expected =
        MainMenuScreen(CU, '1') + CLEAR +
        "**** CU Functions Menu ****\n\n 1 - Upload Firmware to CU\n X - Exit This Menu\n\nEnter Command:X\n\n" +
        CLEAR + MainMenuScreen(CU, 'T') + CLEAR +
        "**** Test Menu ****\n\n 1 - Conveyor Safety Switches\n 6 - USB Testing\n 9 - Curtain testing\n"
        " A - Soft Reset\n B - Display ORBA Packets\n X - Exit This Menu\n\nEnter Command:X\n\n" +
        MainMenuScreen(CU, 'X');
    EXPECT_EQ(FromTheMainMenu(run), expected);
    EXPECT_THAT(run.Received(), ElementsAreArray(Packets({StartUpPackets(), LeavingPackets(CU)})));
}

TEST(CuMenus, CurtainMenuKeepsPort6OpenUntilX)
{
    UtilityRun run(CU);
    EXPECT_EQ(run.Run({}, "2xX"), 0);
    EXPECT_THAT(run.Output(), HasSubstr("**** Curtain Menu ****\n\n 1 - Enable/Disable Flatpack\n"
                                        " X - Exit This Menu\n\nEnter Command:X\n\n"));
    std::vector<std::string> expected = StartUpPackets();
    for (const char* packet : {"6/1 <01><06><02><01>", "6/2", "6/3"}) expected.push_back(packet);
    for (const std::string& packet : LeavingPackets(CU)) expected.push_back(packet);
    EXPECT_THAT(run.Received(), ElementsAreArray(expected));
}

TEST_P(Menus, SensormaticMenuShowsTheControllerType)
{
    UtilityRun run(GetParam());
    EXPECT_EQ(run.Run({}, "3xX"), 0);
    EXPECT_THAT(run.Output(), HasSubstr("Current Controller type :None\n\n\n\n"
                                        "**** Sensormatic Menu ****\n\n 1 - Set Controller Type\n"));
}

INSTANTIATE_TEST_SUITE_P(Both, Menus, ::testing::Values(SU, CU),
                         [](const auto& paramInfo) { return VariantName(paramInfo.param); });

}  // namespace
}  // namespace e2e
