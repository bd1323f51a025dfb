// The hardware version report: which files it writes into, for which
// firmware, and what becomes of the rest of the file.
#include "commands/Command_HardwareVersionRequest.h"
#include "config/PgmCnfg.h"
#include "base/ProgramOptions.h"
#include "base/Variant.h"
#include "link/securitymodule_commands.h"
#include "support/ScriptedConsole.h"
#include "support/TestEnvironment.h"
#include "trace/TraceTestHooks.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <iterator>

namespace {

const char REPORT_FILE[] = "..\\Config\\HardwareVersions.Ini";

std::string ReportPath() { return testenv::WorkDir() + "/../Config/HardwareVersions.Ini"; }

class HardwareVersionReport : public ::testing::Test {
protected:
    void SetUp() override
    {
        TraceSetErrorHoldForTests(0);
        std::filesystem::create_directories(testenv::DriveRoot() + "/FirmwareUpdate");
        std::filesystem::create_directories(testenv::WorkDir() + "/../Config");
        ResetProgramOptions();
        scripted::InstallConsole();
        AccessProgramConfig();
        g_ProgramOptions.m_HardwareVersionFile = REPORT_FILE;
        SetIdentity(IsCuUtility() ? 610 : 510, "SN-0042");
    }
    void TearDown() override { scripted::UninstallConsole(); }

    static void SetIdentity(int versionNumber, const char* serial)
    {
        SecurityModuleVersionNumber = versionNumber;
        char text[64];
        std::snprintf(text, sizeof text, "%02d.%02d 12/15/2010", versionNumber / 100,
                      versionNumber % 100);
        std::snprintf(SecurityModuleVersion, sizeof SecurityModuleVersion, "%.16s", text);
        std::snprintf(SecurityModuleSerialNumber, sizeof SecurityModuleSerialNumber, "%s", serial);
    }

    static std::string Prefix() { return IsCuUtility() ? "ConveyorController_" : "ScanningController_"; }

    // The section as a new file gets it.
    static std::string NewSection(const std::string& version, const std::string& serial)
    {
        std::string text = "[HardwareVersions]\n" + Prefix() +
                           "Description=" + (IsCuUtility() ? "Conveyor Unit" : "Scanning Unit") + "\n" +
                           Prefix() + "Manufacturer=VAV\n" + Prefix() + "Type=USB\n" + Prefix() +
                           "Version=" + version + "\n";
        if (!serial.empty()) text += Prefix() + "SerialNumber=" + serial + "\n";
        return text;
    }
};

TEST_F(HardwareVersionReport, MissingFileIsReportedAndNotCreated)
{
    WriteHardwareVersionReport();
    EXPECT_EQ(scripted::Output(), "Error -1 with Config File ..\\Config\\HardwareVersions.Ini\n");
    EXPECT_FALSE(testenv::FileExists(ReportPath()));
}

TEST_F(HardwareVersionReport, OnlyAWritablePlainFileIsTaken)
{
    testenv::WriteFile(ReportPath(), "[Other]\nKey=1\n");
    std::filesystem::permissions(ReportPath(), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::remove);
    WriteHardwareVersionReport();
    EXPECT_EQ(scripted::Output(), "Error 33 with Config File ..\\Config\\HardwareVersions.Ini\n");
    std::filesystem::permissions(ReportPath(), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
    EXPECT_EQ(testenv::ReadFile(ReportPath()), "[Other]\nKey=1\n");

    scripted::ClearOutput();
    g_ProgramOptions.m_HardwareVersionFile = "..\\Config";
    WriteHardwareVersionReport();
    EXPECT_EQ(scripted::Output(), "Error 16 with Config File ..\\Config\n");
}

TEST_F(HardwareVersionReport, WritesOnlyForItsOwnBoardsFirmware)
{
    struct Case {
        int version;
        bool written;
    };
    const Case suCases[] = {{432, false}, {499, false}, {500, true}, {599, true}, {600, false}};
    const Case cuCases[] = {{599, false}, {600, true}, {699, true}, {700, false}};
    const Case* cases = IsCuUtility() ? cuCases : suCases;
    const size_t count = IsCuUtility() ? std::size(cuCases) : std::size(suCases);
    for (size_t i = 0; i < count; ++i) {
        testenv::WriteFile(ReportPath(), "");
        SetIdentity(cases[i].version, "SN-0042");
        WriteHardwareVersionReport();
        const std::string written = testenv::ReadFile(ReportPath());
        if (cases[i].written)
            EXPECT_NE(written.find(Prefix() + "Version=" + SecurityModuleVersion), std::string::npos)
                << cases[i].version;
        else
            EXPECT_EQ(written, "") << cases[i].version;
    }
    EXPECT_EQ(scripted::Output(), "") << "the firmware gate says nothing";
}

TEST_F(HardwareVersionReport, RestOfTheFileIsKeptByteForByte)
{
    const std::string p = Prefix();
    const std::string before =
        "; lane inventory\r\n"
        "[Scale]\r\n"
        "Version=1.2\r\n"
        "\r\n"
        "[HardwareVersions]\r\n"
        "; written by the installer\r\n"
        "Printer_Version = 7\r\n" +
        p + "Version=01.00 01/01/2000\r\n" + p + "SerialNumber=OLD-1\r\n" +
        "[Tail]\r\n"
        "Last=1";
    testenv::WriteFile(ReportPath(), before);
    SetIdentity(IsCuUtility() ? 650 : 550, "");
    WriteHardwareVersionReport();
    const std::string after =
        "; lane inventory\r\n"
        "[Scale]\r\n"
        "Version=1.2\r\n"
        "\r\n"
        "[HardwareVersions]\r\n"
        "; written by the installer\r\n"
        "Printer_Version = 7\r\n" +
        p + "Version=" + SecurityModuleVersion + "\r\n" + p + "SerialNumber=OLD-1\r\n" + p +
        "Description=" + (IsCuUtility() ? "Conveyor Unit" : "Scanning Unit") + "\r\n" + p +
        "Manufacturer=VAV\r\n" + p + "Type=USB\r\n" +
        "[Tail]\r\n"
        "Last=1";
    EXPECT_EQ(testenv::ReadFile(ReportPath()), after);
}

TEST_F(HardwareVersionReport, FailedWriteIsShownAndTheOtherKeysStillGoIn)
{
    testenv::WriteFile(ReportPath(), "");
    SetIdentity(IsCuUtility() ? 610 : 510, "SN\n[Injected]");
    WriteHardwareVersionReport();
    EXPECT_EQ(scripted::Output(), "ERROR 13: Writing " + Prefix() +
                                      "SerialNumber to Config File ..\\Config\\HardwareVersions.Ini "
                                      "Failed.\n");
    EXPECT_EQ(testenv::ReadFile(ReportPath()), NewSection(SecurityModuleVersion, ""));
}

}  // namespace
