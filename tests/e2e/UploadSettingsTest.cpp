// Firmware upload and the board settings, end to end: the real programs
// against the emulated board, from the command line and from the menus.
#include "UtilityRun.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::StartsWith;

namespace e2e {
namespace {

const char OPEN_PORT6_INIT[] = "6/1 <01><06><02><01>";
const char OPEN_PORT6[] = "6/2";
const char CLOSE_PORT6[] = "6/3";

// The data bytes of a received packet's text ("6/6 F2ab<00>").
std::string DataOf(const std::string& text)
{
    const size_t space = text.find(' ');
    std::string data;
    if (space == std::string::npos) return data;
    for (size_t i = space + 1; i < text.size(); ++i) {
        if (text[i] == '<' && i + 3 < text.size() && text[i + 3] == '>') {
            data.push_back(static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16)));
            i += 3;
        } else {
            data.push_back(text[i]);
        }
    }
    return data;
}

std::string Marker(const Variant& variant) { return variant.cu ? "CU_" : "SU_"; }

std::string Hex(unsigned value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%X", value);
    return text;
}

unsigned Sum(const std::string& bytes)
{
    unsigned sum = 0;
    for (char c : bytes) sum += static_cast<unsigned char>(c);
    return sum;
}

// A firmware file in the utility's current directory; its name as given.
std::string WriteFirmware(UtilityRun& run, const std::string& name, const std::string& content)
{
    std::string path = name;
    for (char& c : path)
        if (c == '\\') c = '/';
    WriteTextFile(run.Lane().BinDir() + "/" + path, content);
    return name;
}

std::string BigEndian(unsigned value, int bytes)
{
    std::string text;
    for (int i = bytes - 1; i >= 0; --i) text.push_back(static_cast<char>(value >> (8 * i) & 0xFF));
    return text;
}

std::string Uploaded(const UtilityRun& run)
{
    const std::vector<uint8_t> image = const_cast<UtilityRun&>(run).Module().UploadedImage();
    return std::string(image.begin(), image.end());
}

// 33 printable bytes: the blocks read as text in the packet list.
const std::string image33 = "abcdefghijklmnopqrstuvwxyzABCDEFG";

class Upload : public ::testing::TestWithParam<Variant> {};

TEST_P(Upload, ThirtyThreeBytesGoInTwoBlocksAndTheProgramEnds)
{
    const Variant& variant = GetParam();
    UtilityRun run(variant);
    run.Module().Set("version=033612152010");
    const std::string name =
        WriteFirmware(run, Marker(variant) + "Main_CRC_" + Hex(Sum(image33)) + ".bin", image33);
    EXPECT_EQ(run.Run({"-SecurityModuleUpload", "-InputFile", name}), 0);

    const std::string banner = variant.cu ? "**** CU Firmware Upload ****"
                                          : "**** SU Firmware Update ****";
    EXPECT_THAT(run.Output(), HasSubstr("\n\n" + banner + "\n\nFirmware Version 03.36 12/15/2010\n" +
                                        "Checksum " + (variant.cu ? "C07E22" : "5A3C91") +
                                        " PASSED!\n\n" + "sCRC:" + Hex(Sum(image33)) +
                                        "\nOpening File " + name + "\nReading File\n33 Bytes Read\n"));
    EXPECT_THAT(run.Output(),
                EndsWith("Bytes Left 1     \r\nUpload of data complete.\nBytes Left 0     \r\n"
                         "File Upload Complete!\nWaiting for Reset\nExiting Program!\n"));

    const std::vector<std::string> sent = AfterStartUp(run);
    ASSERT_EQ(sent.size(), 6u) << ::testing::PrintToString(sent);
    EXPECT_EQ(sent[0], OPEN_PORT6_INIT);
    EXPECT_EQ(sent[1], OPEN_PORT6);
    const std::string start = DataOf(sent[2]);
    ASSERT_EQ(start.size(), 48u);
    EXPECT_EQ(start.substr(0, 8), "F1" + BigEndian(33, 2) + BigEndian(Sum(image33), 4));
    EXPECT_EQ(start.substr(16), name + std::string(32 - name.size(), ' '));
    EXPECT_EQ(sent[3], "6/6 F2" + image33.substr(0, 32));
    EXPECT_EQ(sent[4], "6/6 F2G");
    EXPECT_EQ(sent[5], CLOSE_PORT6);
    EXPECT_EQ(Uploaded(run), image33);

    // The date sent is the one traced; the capture file is closed normally.
    const std::string capture = run.Capture();
    EXPECT_THAT(capture, HasSubstr("   Date is " + start.substr(8, 8) + "\n"));
    EXPECT_THAT(capture,
                HasSubstr("   Size is 33,  Checksum is " + LowerCase(Hex(Sum(image33))) + "\n"));
    EXPECT_THAT(capture, EndsWith("\n*** Program closing ***\n\n"));
    EXPECT_THAT(capture, Not(HasSubstr("Return Code")));
}

TEST_P(Upload, WithoutInputFileTheNameHasNoMarker)
{
    const Variant& variant = GetParam();
    UtilityRun run(variant);
    EXPECT_EQ(run.Run({"-SecurityModuleUpload"}), variant.exitUploadFailed);
    EXPECT_THAT(run.Output(),
                EndsWith(std::string("Checksum ") + (variant.cu ? "C07E22" : "5A3C91") +
                         " PASSED!\n\nERROR, Invalid File Name for " + (variant.cu ? "CU" : "SU") +
                         " Controller\nERROR 01: Uploading Loading File.\n"
                         "ERROR 14, Upload Failed.\n"));
    EXPECT_THAT(AfterStartUp(run), ElementsAre(OPEN_PORT6_INIT, OPEN_PORT6, CLOSE_PORT6));
}

// 8 KiB, 256 blocks of 32 bytes at one polling step each: the board keeps
// exactly the file's bytes, every value of a byte included.
TEST_P(Upload, EightKibImageArrivesWhole)
{
    const Variant& variant = GetParam();
    UtilityRun run(variant);
    std::string image;
    for (unsigned i = 0; i < 8192; ++i) image.push_back(static_cast<char>((i * 7 + i / 256) & 0xFF));
    const std::string name =
        WriteFirmware(run, Marker(variant) + "Large_CRC_" + Hex(Sum(image)) + ".bin", image);
    EXPECT_EQ(run.Run({"-SecurityModuleUpload", "-InputFile", name}), 0);
    EXPECT_THAT(run.Output(), HasSubstr("\n8192 Bytes Read\n"));
    EXPECT_THAT(run.Output(), EndsWith("File Upload Complete!\nWaiting for Reset\nExiting Program!\n"));
    EXPECT_EQ(AfterStartUp(run).size(), 2u + 1 + 256 + 1);
    EXPECT_TRUE(Uploaded(run) == image) << Uploaded(run).size() << " bytes on the board";
}

INSTANTIATE_TEST_SUITE_P(Both, Upload, ::testing::Values(SU, CU),
                         [](const auto& paramInfo) { return VariantName(paramInfo.param); });

TEST(UploadFile, EmptyFileWithCrc0AnnouncesNothingAndSendsNoBlock)
{
    UtilityRun run(SU);
    const std::string name = WriteFirmware(run, "SU_Empty_CRC_0.bin", "");
    EXPECT_EQ(run.Run({"-SecurityModuleUpload", "-InputFile", name}), 0);
    EXPECT_THAT(run.Output(), HasSubstr("\n0 Bytes Read\n"));
    EXPECT_THAT(run.Output(), EndsWith("File Upload Complete!\nWaiting for Reset\nExiting Program!\n"));
    const std::vector<std::string> sent = AfterStartUp(run);
    ASSERT_EQ(sent.size(), 4u) << ::testing::PrintToString(sent);
    EXPECT_EQ(DataOf(sent[2]).substr(0, 8), std::string("F1\0\0\0\0\0\0", 8));
    EXPECT_EQ(sent[3], CLOSE_PORT6);
}

// Lower-case markers in the folder part of a name too long for the start
// request, which carries its first 32 characters.
TEST(UploadFile, MarkersAnywhereAnyCaseAndTheNameCutAt32)
{
    UtilityRun run(CU);
    const std::string content = "\x01\x02\x03";
    const std::string name =
        WriteFirmware(run, "Firmware\\cu_release_crc_6\\conveyor-image.bin", content);
    ASSERT_GT(name.size(), 32u);
    EXPECT_EQ(run.Run({"-SecurityModuleUpload", "-InputFile", name}), 0);
    const std::vector<std::string> sent = AfterStartUp(run);
    ASSERT_GE(sent.size(), 3u);
    EXPECT_EQ(DataOf(sent[2]).substr(16), name.substr(0, 32));
    EXPECT_THAT(run.Capture(), HasSubstr("   File is " + name + "\n"));
    EXPECT_EQ(Uploaded(run), content);
}

TEST(UploadFile, HexRunEndsAtTheFirstNonDigit)
{
    UtilityRun run(SU);
    const std::string name = WriteFirmware(run, "SU_CRC_12G4.bin", "\x10\x02");
    EXPECT_EQ(run.Run({"-SecurityModuleUpload", "-InputFile", name}), 0);
    EXPECT_THAT(run.Output(), HasSubstr("sCRC:12\n"));
    EXPECT_THAT(run.Output(), HasSubstr("File Upload Complete!\n"));
}

// Each failure of the table, with its messages, in one deliverable or the
// other (the statuses differ).
struct UploadFailure {
    const char* name;
    bool cu;
    const char* scenario;  // emulator line, or ""
    const char* file;      // written as <marker><file>, unless it begins with '!'
    const char* content;
    const char* messages;  // the output's end before "ERROR 14, Upload Failed."
    bool port6Closed;
};

void PrintTo(const UploadFailure& failure, std::ostream* out) { *out << failure.name; }

class UploadFails : public ::testing::TestWithParam<UploadFailure> {};

TEST_P(UploadFails, WithItsMessagesAndTheUploadFailureStatus)
{
    const UploadFailure& failure = GetParam();
    const Variant& variant = failure.cu ? CU : SU;
    UtilityRun run(variant);
    if (*failure.scenario != '\0') run.Module().Set(failure.scenario);
    const std::string file = failure.file[0] == '!' ? std::string(failure.file + 1)
                                                    : Marker(variant) + failure.file;
    const std::string name = WriteFirmware(run, file, failure.content);
    EXPECT_EQ(run.Run({"-SecurityModuleUpload", "-InputFile", name}), variant.exitUploadFailed);
    EXPECT_THAT(run.Output(), EndsWith(std::string(failure.messages) + "ERROR 14, Upload Failed.\n"));
    const std::vector<std::string> sent = AfterStartUp(run);
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.back() == CLOSE_PORT6, failure.port6Closed) << ::testing::PrintToString(sent);
}

const UploadFailure uploadFailures[] = {
    {"WrongMarker", false, "", "!CU_CRC_41.bin", "A",
     "\nERROR, Invalid File Name for SU Controller\nERROR 01: Uploading Loading File.\n", true},
    {"NoCrc", true, "", "Main.bin", "A",
     "\nERROR, Invalid File Name, No CRC value\nERROR 01: Uploading Loading File.\n", true},
    {"ChecksumMismatch", true, "", "CRC_42.bin", "A",
     "\n1 Bytes Read\nError File Checksum is Invalid! 42:41\n\nERROR 01: Uploading Loading File.\n",
     true},
    {"StartRefused", false, "setting.upload.start-code=7", "CRC_41.bin", "A",
     "\nERROR 12: Set controller for upload Failed. Code = 7\n"
     "ERROR 13: Sending File to Security Module.\nERROR 13: Uploading USB Security Module.\n",
     false},
    // The 100th packet's code byte: the unrelated packets carry none.
    {"StartFlooded", true, "fault.F1=unrelated:100", "CRC_41.bin", "A",
     "\nERROR 12: Set controller for upload Failed. Code = \n"
     "ERROR 13: Sending File to Security Module.\nERROR 13: Uploading USB Security Module.\n",
     false},
    {"BlockRefused", true, "setting.upload.refuse-block=2", "CRC_8C0.bin",
     "@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@@",
     "Bytes Left 3     \rERROR 12: Sending upload data, Code = E\n"
     "ERROR 13: Uploading USB Security Module.\n",
     false},
    // The one 25-poll wait sat out in these tests: 2.5 s.
    {"BlockUnanswered", false, "fault.F2=no-reply", "CRC_41.bin", "A",
     "\nERROR Time-Out: Sending upload data..\nERROR 13: Uploading USB Security Module.\n", false},
};

INSTANTIATE_TEST_SUITE_P(Table, UploadFails, ::testing::ValuesIn(uploadFailures),
                         [](const auto& paramInfo) { return std::string(paramInfo.param.name); });

TEST(UploadMenu, CuFunctionsUploadsTheTypedFileAndNeverComesBack)
{
    UtilityRun run(CU);
    const std::string name = WriteFirmware(run, "CU_Menu_CRC_41.bin", "A");
    run.Start();
    ASSERT_TRUE(run.TypeWhen("Enter Command:", "1"));
    ASSERT_TRUE(run.TypeWhen("**** CU Functions Menu ****", "1"));
    ASSERT_TRUE(run.TypeWhen("Enter File Name :", name + "\n"));
    EXPECT_EQ(run.Finish(), 0);
    EXPECT_THAT(run.Output(), EndsWith("File Upload Complete!\nWaiting for Reset\nExiting Program!\n"));
    EXPECT_EQ(Uploaded(run), "A");
    EXPECT_THAT(AfterStartUp(run),
                ElementsAre(OPEN_PORT6_INIT, OPEN_PORT6, StartsWith("6/6 F1"), "6/6 F2A", CLOSE_PORT6));
    EXPECT_THAT(run.Capture(), HasSubstr("   Entered name : " + name + "\n"));
}

TEST(UploadMenu, EmptyNameGoesBackToTheMenu)
{
    UtilityRun run(SU);
    EXPECT_EQ(run.Run({}, "11\n X"), 0);
    EXPECT_THAT(run.Output(),
                HasSubstr("Enter File Name :Invalid File Name!\n\nPress any key to continue"));
    EXPECT_EQ(CountOf(run.Output(), "**** SU Functions Menu ****"), 2);
    std::vector<std::string> expected = {OPEN_PORT6_INIT, OPEN_PORT6, CLOSE_PORT6};
    for (const std::string& packet : LeavingPackets(SU)) expected.push_back(packet);
    EXPECT_THAT(AfterStartUp(run), ElementsAreArray(expected));
}

// ------------------------------------------------------------------ settings

TEST(SafetySwitch, Type2GoesOutAsDisableBeforeFirmware405)
{
    UtilityRun run(SU);
    run.Module().Set("version=040412152010");
    run.Module().Set("setting.safety-switch=1");
    EXPECT_EQ(run.Run({"-SetSafetySwitchType2"}), 0);
    EXPECT_THAT(run.Output(),
                HasSubstr("\n**** USB Security Module Set Conveyor Safety Switches ****\n\n"
                          "Current Status of Conveyor Safety Switch is Enabled Type 1\n\n"
                          "Current Status of Conveyor Safety Switch is Disabled\n"));
    EXPECT_THAT(AfterStartUp(run),
                ElementsAre(OPEN_PORT6_INIT, OPEN_PORT6, "6/6 ZC?", "6/6 ZCD", CLOSE_PORT6));
}

TEST(SafetySwitch, Type2GoesOutAs2FromFirmware405)
{
    UtilityRun run(CU);
    run.Module().Set("version=040512152010");
    EXPECT_EQ(run.Run({"-SetSafetySwitchType2"}), 0);
    EXPECT_THAT(run.Output(), HasSubstr("Current Status of Conveyor Safety Switch is Disabled\n\n"
                                        "Current Status of Conveyor Safety Switch is Enabled Type 2\n"));
    EXPECT_THAT(AfterStartUp(run),
                ElementsAre(OPEN_PORT6_INIT, OPEN_PORT6, "6/6 ZC?", "6/6 ZC2", CLOSE_PORT6));
}

TEST(SafetySwitch, FirmwareBelow335SendsNothingAndLeavesPort6Open)
{
    UtilityRun run(SU);
    run.Module().Set("version=033412152010");
    EXPECT_EQ(run.Run({"-SetSafetySwitchEnable"}), 0);
    EXPECT_THAT(run.Output(), EndsWith("\nERROR 1E: Security Module Version Must be >= 3.35\n"));
    EXPECT_THAT(AfterStartUp(run), ElementsAre(OPEN_PORT6_INIT, OPEN_PORT6));
}

TEST(SafetySwitch, HundredUnrelatedPacketsGiveError12)
{
    UtilityRun run(CU);
    run.Module().Set("fault.ZC=unrelated:100");
    EXPECT_EQ(run.Run({"-SetSafetySwitchDisable"}), 0);
    EXPECT_THAT(run.Output(), EndsWith("\nERROR 12: Get Security Module Switch Status Failed.\n"));
    EXPECT_THAT(AfterStartUp(run), ElementsAre(OPEN_PORT6_INIT, OPEN_PORT6, "6/6 ZC?", CLOSE_PORT6));
}

TEST(CurtainBreakWindow, ThreeHundredGoesOutAs44AndTheWindowIsShownTwice)
{
    UtilityRun run(SU);
    run.Module().Set("setting.curtain-break-window=20");
    EXPECT_EQ(run.Run({"-SetCurtainBreakWindow", "300"}), 0);
    EXPECT_THAT(run.Output(), HasSubstr("\n**** USB Security Module Set Curtain Break Window ****\n\n"
                                        "\nCurrent Curtain Break Window Value:20\n\n"
                                        "\nCurrent Curtain Break Window Value:44\n\n"));
    EXPECT_THAT(AfterStartUp(run),
                ElementsAre(OPEN_PORT6_INIT, OPEN_PORT6, "6/6 A5", "6/6 A4,", "6/6 A5", CLOSE_PORT6));
    EXPECT_THAT(run.Capture(), HasSubstr("   Value = 300\n"));
}

// The board reports 3.35 at start-up and 3.36 when the flatpack command asks
// again: the gate goes by the fresh answer.
class Flatpack : public ::testing::TestWithParam<Variant> {};

TEST_P(Flatpack, AsksForVersionAndChecksumAfreshAndGatesOnTheFreshVersion)
{
    const Variant& variant = GetParam();
    UtilityRun run(variant);
    run.Module().Set("version=033512152010");
    run.Module().Set("setting.reflashed-version=033601012011");
    run.Module().Set("setting.flatpack=1");
    EXPECT_EQ(run.Run({"-SetFlatpackDisable"}), 0);
    EXPECT_THAT(run.Output(), HasSubstr("Firmware Version 03.35 12/15/2010, Checksum"));
    EXPECT_THAT(run.Output(),
                HasSubstr(std::string("USB Security Module Set Flatpack Sensor Enable/Disable\n"
                                      "Security Module Version 03.36 01/01/2011\n"
                                      "USB Security Module Checksum ") +
                          (variant.cu ? "C07E22" : "5A3C91") +
                          " PASSED!\nCurrent Status of Flatpack Sensor is Enabled\n"));
    std::vector<std::string> expected = {OPEN_PORT6_INIT, OPEN_PORT6, "6/6 Z2", "6/6 Z4", "6/6 ZF?"};
    if (variant.cu) {
        // The CU way, with the switch's choice and no key.
        EXPECT_THAT(run.Output(), EndsWith("CU Flatpack Sensor Enable/Disable\n"
                                           "Current Setting: Flatpacks Enabled\n"
                                           "Current Status of Flatpack Sensor is Disabled\n"));
        expected.insert(expected.end(), {"6/6 A7?", "6/6 A7D"});
    } else {
        EXPECT_THAT(run.Output(), EndsWith("Current Status of Flatpack Sensor is Disabled\n"));
        expected.push_back("6/6 ZF0");
    }
    expected.push_back(CLOSE_PORT6);
    EXPECT_THAT(AfterStartUp(run), ElementsAreArray(expected));
}

TEST_P(Flatpack, FreshVersionBelow336StopsAtTheGate)
{
    UtilityRun run(GetParam());
    run.Module().Set("version=033612152010");
    run.Module().Set("setting.reflashed-version=033512152010");
    EXPECT_EQ(run.Run({"-SetFlatpackEnable"}), 0);
    EXPECT_THAT(run.Output(), EndsWith("Security Module Version 03.35 12/15/2010\n"
                                       "ERROR 1E: Security Module Version Must be >= 3.36\n"));
    EXPECT_THAT(AfterStartUp(run), ElementsAre(OPEN_PORT6_INIT, OPEN_PORT6, "6/6 Z2"));
}

INSTANTIATE_TEST_SUITE_P(Both, Flatpack, ::testing::Values(SU, CU),
                         [](const auto& paramInfo) { return VariantName(paramInfo.param); });

TEST(CurtainMenu, FlatpackStepTakesOneKeyWithPort6AlreadyOpen)
{
    UtilityRun run(CU);
    run.Module().Set("setting.flatpack=1");
    EXPECT_EQ(run.Run({}, "21D X"), 0);
    EXPECT_THAT(run.Output(), HasSubstr("CU Flatpack Sensor Enable/Disable\n"
                                        "Current Setting: Flatpacks Enabled\n"
                                        "Enter E to enable or D to Disable :\n\n"
                                        "Current Status of Flatpack Sensor is Disabled\n"
                                        "\nPress any key to continue"));
    std::vector<std::string> expected = {OPEN_PORT6_INIT, OPEN_PORT6, "6/6 A7?", "6/6 A7D", CLOSE_PORT6};
    for (const std::string& packet : LeavingPackets(CU)) expected.push_back(packet);
    EXPECT_THAT(AfterStartUp(run), ElementsAreArray(expected));
}

TEST(PowerRelay, SuTestMenuShowsAndSwitchesIt)
{
    UtilityRun run(SU);
    run.Start();
    ASSERT_TRUE(run.TypeWhen("Enter Command:", "T"));
    ASSERT_TRUE(run.TypeWhen("**** Test Menu ****", "8"));
    ASSERT_TRUE(run.TypeWhen("Power Relay :", "E\n"));
    ASSERT_TRUE(run.TypeWhen("Press any key to continue", " "));
    ASSERT_TRUE(run.TypeWhen("**** Test Menu ****", "8"));
    ASSERT_TRUE(run.TypeWhen("Power Relay :", "\n"));
    ASSERT_TRUE(run.TypeWhen("Press any key to continue", " XX"));
    EXPECT_EQ(run.Finish(), 0);
    const std::string output = run.Output();
    EXPECT_THAT(output, HasSubstr(" 8 - Switched A/C power testing\n"));
    EXPECT_THAT(output, HasSubstr("\n**** USB Security Module Set Power Relay ****\n\n"
                                  "Current Status of power relay is Disabled\n\n"
                                  "Enter E to Enable or D to Disable Power Relay :"));
    EXPECT_THAT(output, HasSubstr("Current Status of power relay is Enabled\n\n"
                                  "Enter E to Enable or D to Disable Power Relay :No Change!\n"));
    std::vector<std::string> expected = {OPEN_PORT6_INIT, OPEN_PORT6, "6/6 R0", "6/6 R11",  CLOSE_PORT6,
                                         OPEN_PORT6_INIT, OPEN_PORT6, "6/6 R0", CLOSE_PORT6};
    for (const std::string& packet : LeavingPackets(SU)) expected.push_back(packet);
    EXPECT_THAT(AfterStartUp(run), ElementsAreArray(expected));
}

}  // namespace
}  // namespace e2e
