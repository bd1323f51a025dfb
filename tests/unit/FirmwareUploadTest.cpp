// The firmware file's name rules, its load, and the two upload requests.
#include "commands/FirmwareFile.h"
#include "commands/FirmwareFileName.h"
#include "commands/FirmwareUploadPackets.h"
#include "base/Variant.h"
#include "support/ScriptedConsole.h"
#include "support/TestEnvironment.h"
#include "trace/TraceTestHooks.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

using ::testing::HasSubstr;
using ::testing::Not;

std::string Marker() { return FirmwareControllerMarker(); }
std::string OtherMarker() { return IsCuUtility() ? "SU_" : "CU_"; }

TEST(FirmwareFileName, TheMarkerIsThisDeliverablesController)
{
    EXPECT_STREQ(FirmwareControllerMarker(), IsCuUtility() ? "CU_" : "SU_");
}

TEST(FirmwareFileName, MarkerSearchIgnoresCaseAndFindsTheFirstWholeMatch)
{
    EXPECT_EQ(FindNameMarker("SU_", "su_main_CRC_1.bin"), 0);
    EXPECT_EQ(FindNameMarker("SU_", "fw\\Su_dir\\main.bin"), 3);
    EXPECT_EQ(FindNameMarker("CRC_", "x_crc_crc_12"), 2);
    EXPECT_EQ(FindNameMarker("CRC_", "CRCCRC_1"), 3);
    EXPECT_EQ(FindNameMarker("SU_", "S_U_SU"), -1);
    EXPECT_EQ(FindNameMarker("SU_", ""), -1);
}

TEST(FirmwareFileName, ANameEndingInPartOfTheMarkerHasNoMatch)
{
    for (const char* name : {"image.s", "image.su", "firmware_c", "firmware_cr", "firmware_crc"}) {
        EXPECT_EQ(FindNameMarker("SU_", name), -1) << name;
        EXPECT_EQ(FindNameMarker("CRC_", name), -1) << name;
    }
}

TEST(FirmwareFileName, ExpectedChecksumIsTheHexRunAfterTheFirstCrc)
{
    char digits[9];
    uint32_t checksum = 1;
    ASSERT_TRUE(ExpectedChecksumFromName("SU_CRC_00A1B2.bin", digits, &checksum));
    EXPECT_STREQ(digits, "00A1B2");
    EXPECT_EQ(checksum, 0xA1B2u);

    ASSERT_TRUE(ExpectedChecksumFromName("su_crc_12G4", digits, &checksum));
    EXPECT_STREQ(digits, "12");
    EXPECT_EQ(checksum, 0x12u);

    ASSERT_TRUE(ExpectedChecksumFromName("CRC_fedcba9876.bin CRC_1", digits, &checksum));
    EXPECT_STREQ(digits, "fedcba98");
    EXPECT_EQ(checksum, 0xFEDCBA98u);

    EXPECT_FALSE(ExpectedChecksumFromName("SU_CRC_.bin CRC_12", digits, &checksum));
    EXPECT_STREQ(digits, "");
    EXPECT_FALSE(ExpectedChecksumFromName("SU_CRC", digits, &checksum));
}

TEST(UploadPackets, StartRequestCarriesCountChecksumDateAndName)
{
    ModulePacket packet;
    std::memset(&packet, 0xEE, sizeof packet);
    BuildStartUploadRequest(&packet, 0x1234, 0xA1B2C3D4u, "07/04/26", "SU_CRC_1.bin");
    EXPECT_EQ(packet.DA, 6);
    EXPECT_EQ(packet.DC, 6);
    EXPECT_EQ(packet.DL, 48);
    const std::string data(reinterpret_cast<const char*>(packet.data), 48);
    EXPECT_EQ(data, std::string("F1\x12\x34\xA1\xB2\xC3\xD4", 8) + "07/04/26" + "SU_CRC_1.bin" +
                        std::string(20, ' '));
    for (int i = 48; i < MODULE_PACKET_DATA_SIZE; ++i) ASSERT_EQ(packet.data[i], 0) << i;
}

TEST(UploadPackets, StartRequestCutsALongNameAt32)
{
    ModulePacket packet;
    const std::string name = "C:\\FirmwareUpdate\\Images\\SU_Main_CRC_1F.bin";
    BuildStartUploadRequest(&packet, 65535, 0, "12/31/99", name.c_str());
    EXPECT_EQ(packet.data[2], 0xFF);
    EXPECT_EQ(packet.data[3], 0xFF);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(packet.data + 16), 32), name.substr(0, 32));
    EXPECT_EQ(packet.data[48], 0);
}

TEST(UploadPackets, DataRequestsCarryAtMost32Bytes)
{
    uint8_t bytes[40];
    for (int i = 0; i < 40; ++i) bytes[i] = static_cast<uint8_t>(i + 1);
    ModulePacket packet;
    BuildUploadDataRequest(&packet, bytes, 32);
    EXPECT_EQ(packet.DL, 34);
    EXPECT_EQ(packet.data[0], 'F');
    EXPECT_EQ(packet.data[1], '2');
    EXPECT_EQ(std::memcmp(packet.data + 2, bytes, 32), 0);
    EXPECT_EQ(packet.data[34], 0);

    BuildUploadDataRequest(&packet, bytes + 32, 1);
    EXPECT_EQ(packet.DL, 3);
    EXPECT_EQ(packet.data[2], 33);
    EXPECT_EQ(packet.data[3], 0);
}

class FirmwareFileLoad : public ::testing::Test {
protected:
    void SetUp() override { TraceSetErrorHoldForTests(0); }

    // Writes the file in the current directory; the load's result.
    int Load(const std::string& name, const std::string& content)
    {
        testenv::WriteFile(testenv::WorkDir() + "/" + name, content);
        return LoadFirmwareFile(name.c_str(), image.data(), &count);
    }

    scripted::ConsoleScope console;
    std::vector<uint8_t> image = std::vector<uint8_t>(FIRMWARE_IMAGE_SIZE);
    int count = -1;
};

std::string LowerCase(std::string text)
{
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string HexName(const std::string& prefix, uint32_t sum, const std::string& suffix = ".bin")
{
    char hex[16];
    std::snprintf(hex, sizeof hex, "%X", sum);
    return prefix + hex + suffix;
}

TEST_F(FirmwareFileLoad, ReadsAndSumsTheWholeFile)
{
    const std::string content = std::string("\xFF\x01\x80", 3) + std::string(30, 'A');
    const uint32_t sum = 0xFF + 0x01 + 0x80 + 30 * 'A';
    const std::string name = HexName(LowerCase(Marker()) + "main_crc_", sum);
    EXPECT_EQ(Load(name, content), FIRMWARE_FILE_OK);
    EXPECT_EQ(count, 33);
    EXPECT_EQ(FirmwareFileChecksum, sum);
    EXPECT_EQ(std::memcmp(image.data(), content.data(), 33), 0);
    EXPECT_THAT(scripted::Output(), HasSubstr(HexName("sCRC:", sum, "\n") + "Opening File " + name +
                                              "\nReading File\n33 Bytes Read\n"));
}

TEST_F(FirmwareFileLoad, MarkersMayStandInTheFolderPart)
{
    const std::string folder = Marker() + "images_CRC_41";
    testenv::WriteFile(testenv::WorkDir() + "/" + folder + "/main.bin", "A");
    const std::string name = folder + "\\main.bin";
    EXPECT_EQ(LoadFirmwareFile(name.c_str(), image.data(), &count), FIRMWARE_FILE_OK);
    EXPECT_EQ(count, 1);
}

TEST_F(FirmwareFileLoad, AnEmptyFileMatchesCrcZero)
{
    EXPECT_EQ(Load(Marker() + "CRC_0.bin", ""), FIRMWARE_FILE_OK);
    EXPECT_EQ(count, 0);
    EXPECT_THAT(scripted::Output(), HasSubstr("0 Bytes Read\n"));
}

TEST_F(FirmwareFileLoad, NameFaultsAreRefusedBeforeTheFileIsOpened)
{
    const std::string wrongController = std::string("ERROR, Invalid File Name for ") +
                                        (IsCuUtility() ? "CU" : "SU") + " Controller\n";
    EXPECT_EQ(Load(OtherMarker() + "CRC_0.bin", ""), FIRMWARE_FILE_WRONG_CONTROLLER);
    EXPECT_EQ(LoadFirmwareFile("", image.data(), &count), FIRMWARE_FILE_WRONG_CONTROLLER);
    EXPECT_EQ(scripted::Output(), wrongController + wrongController);

    scripted::ClearOutput();
    EXPECT_EQ(Load(Marker() + "main.bin", ""), FIRMWARE_FILE_NO_CHECKSUM);
    EXPECT_EQ(Load(Marker() + "CRC_.bin", ""), FIRMWARE_FILE_NO_CHECKSUM);
    EXPECT_EQ(Load(Marker() + "CRC_x0.bin", ""), FIRMWARE_FILE_NO_CHECKSUM);
    EXPECT_EQ(scripted::Output(),
              "ERROR, Invalid File Name, No CRC value\n"
              "ERROR, Invalid File Name, No CRC value\n"
              "ERROR, Invalid File Name, No CRC value\n");
}

TEST_F(FirmwareFileLoad, AMissingFileCannotBeOpened)
{
    const std::string name = "missing\\" + Marker() + "CRC_0.bin";
    EXPECT_EQ(LoadFirmwareFile(name.c_str(), image.data(), &count), FIRMWARE_FILE_CANNOT_OPEN);
    EXPECT_THAT(scripted::Output(), HasSubstr("ERROR 01: Can not open File " + name + "\n"));
}

TEST_F(FirmwareFileLoad, AFolderIsNoFirmwareFile)
{
    const std::string name = "folder_" + Marker() + "CRC_0.bin";
    testenv::WriteFile(testenv::WorkDir() + "/" + name + "/inside", "");
    const int result = LoadFirmwareFile(name.c_str(), image.data(), &count);
    EXPECT_TRUE(result == FIRMWARE_FILE_CANNOT_OPEN || result == FIRMWARE_FILE_CANNOT_READ) << result;
    EXPECT_THAT(scripted::Output(), HasSubstr("ERROR 01: Can not "));
}

TEST_F(FirmwareFileLoad, AChecksumMismatchShowsBothValues)
{
    EXPECT_EQ(Load(Marker() + "CRC_12G4.bin", "\x10\x01"), FIRMWARE_FILE_CHECKSUM_MISMATCH);
    EXPECT_THAT(scripted::Output(), HasSubstr("sCRC:12\n"));
    EXPECT_THAT(scripted::Output(), HasSubstr("Error File Checksum is Invalid! 12:11\n\n"));
}

TEST_F(FirmwareFileLoad, OnlyWhatTheStartRequestCanAnnounceIsLoaded)
{
    // 65,535 bytes of 1 sum to 0xFFFF; one byte more cannot be announced.
    EXPECT_EQ(Load(Marker() + "CRC_FFFF.bin", std::string(65535, '\x01')), FIRMWARE_FILE_OK);
    EXPECT_EQ(count, 65535);
    scripted::ClearOutput();
    EXPECT_EQ(Load(Marker() + "CRC_10000.bin", std::string(65536, '\x01')), FIRMWARE_FILE_TOO_LARGE);
    EXPECT_EQ(Load(Marker() + "CRC_10000.bin", std::string(70000, '\x01')), FIRMWARE_FILE_TOO_LARGE);
    const std::string output = scripted::Output();
    EXPECT_THAT(output,
                HasSubstr("ERROR 01: File is larger than 65535 bytes, it can not be uploaded.\n"));
    EXPECT_THAT(output, Not(HasSubstr("Bytes Read")));
    EXPECT_THAT(output, Not(HasSubstr("Checksum is Invalid")));
}

}  // namespace
