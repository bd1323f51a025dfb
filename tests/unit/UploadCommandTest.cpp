// The upload command's failures that the emulated board cannot produce, and
// the typed file name, against a board that answers from a table.
#include "commands/Command_SecurityModuleUpload.h"
#include "commands/FirmwareFileName.h"
#include "config/PgmCnfg.h"
#include "base/ProgramOptions.h"
#include "support/AnsweringBoard.h"
#include "support/FakeBoardDevice.h"
#include "support/LinkFixture.h"
#include "support/ScriptedConsole.h"
#include "support/TestEnvironment.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

using answering::Misbehaviour;
using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

class UploadCommand : public linktest::LinkTest {
protected:
    void SetUp() override
    {
        LinkTest::SetUp();
        answering::Install();
        StartLink();
        // One byte 'A': the byte sum is 0x41.
        fileName = std::string(FirmwareControllerMarker()) + "CRC_41.bin";
        testenv::WriteFile(testenv::WorkDir() + "/" + fileName, "A");
        g_ProgramOptions.m_AutomatedMode = true;
        g_ProgramOptions.m_InputFile = fileName.c_str();
    }

    std::string fileName;
};

TEST_F(UploadCommand, NeedsTheUsbBoard)
{
    ProgramConfig.m_SecurityModuleType = 0;
    EXPECT_NE(SecurityModuleUpload(), 0);
    EXPECT_EQ(scripted::Output(), "ERROR 1D: System is not USB!\n");
    EXPECT_THAT(answering::Written(), IsEmpty());
}

TEST_F(UploadCommand, Port6ThatDoesNotOpenEndsIt)
{
    fakeboard::FailWrites(31);
    EXPECT_NE(SecurityModuleUpload(), 0);
    EXPECT_THAT(scripted::Output(), EndsWith("Initialize Port 6 Failed!\n"
                                             "ERROR 1B: Uploading , Can not open port 6.\n"));
}

TEST_F(UploadCommand, StartRequestNotSentLeavesPort6Open)
{
    answering::Misbehave("F1*", Misbehaviour::NotSent);
    EXPECT_NE(SecurityModuleUpload(), 0);
    EXPECT_THAT(scripted::Output(),
                EndsWith("\nERROR 11: Sending Start Upload Procedure to Controller.\n"
                         "ERROR 13: Sending File to Security Module.\n"
                         "ERROR 13: Uploading USB Security Module.\n"));
    EXPECT_THAT(answering::WrittenAfterOpen(), IsEmpty());
}

TEST_F(UploadCommand, DataRequestNotSentLeavesPort6Open)
{
    answering::Answer("F1*", {"f10"});
    answering::Misbehave("F2*", Misbehaviour::NotSent);
    EXPECT_NE(SecurityModuleUpload(), 0);
    EXPECT_THAT(scripted::Output(), EndsWith("\nERROR 11: Sending Upload Data to controller.\n"
                                             "ERROR 13: Uploading USB Security Module.\n"));
    EXPECT_THAT(answering::WrittenAfterOpen(), ElementsAre(::testing::StartsWith("F1")));
}

// The board may say the upload is complete and refuse it in one answer.
TEST_F(UploadCommand, CompleteAnswerWithAnErrorCodeFails)
{
    answering::Answer("F1*", {"un", "f2x", "f10"});
    answering::Answer("F2*", {"f1x", "f3C"});
    EXPECT_NE(SecurityModuleUpload(), 0);
    EXPECT_THAT(scripted::Output(), EndsWith("\n\nUpload of data complete.\n"
                                             "ERROR 12: Sending upload data, Code = C\n"
                                             "ERROR 13: Uploading USB Security Module.\n"));
    EXPECT_THAT(linktest::CaptureText(), HasSubstr("   Upload sent\n"));
}

// A name is never uploaded cut short: a line longer than the 127 characters
// the name buffer holds is refused.
TEST_F(UploadCommand, TypedNameLongerThan127CharactersIsRefused)
{
    g_ProgramOptions.m_AutomatedMode = false;
    const std::string longest = std::string(FirmwareControllerMarker()) + "CRC_0_" +
                                std::string(118, 'x');
    ASSERT_EQ(longest.size(), 127u);
    scripted::Type(longest + "y\n");
    EXPECT_NE(SecurityModuleUpload(), 0);
    EXPECT_THAT(scripted::Output(), EndsWith("\nEnter File Name :Invalid File Name!\n"));
    EXPECT_THAT(answering::WrittenAfterOpen(), ElementsAre("<close>"));

    scripted::ClearOutput();
    scripted::Type(longest + "\n");
    EXPECT_NE(SecurityModuleUpload(), 0);
    EXPECT_THAT(scripted::Output(), HasSubstr("ERROR 01: Can not open File " + longest.substr(0, 40)));
    EXPECT_THAT(scripted::Output(), Not(HasSubstr("Invalid File Name!\n")));
}

TEST_F(UploadCommand, TypedNameIsTracedAndUsed)
{
    g_ProgramOptions.m_AutomatedMode = false;
    g_ProgramOptions.m_InputFile = "ignored";
    answering::Misbehave("F1*", Misbehaviour::Flood);
    scripted::Type(fileName + "\n");
    EXPECT_NE(SecurityModuleUpload(), 0);
    EXPECT_THAT(scripted::Output(),
                HasSubstr("Enter File Name :sCRC:41\nOpening File " + fileName + "\n"));
    // The 100th packet's code byte: the unrelated packets carry none.
    EXPECT_THAT(scripted::Output(),
                HasSubstr("\nERROR 12: Set controller for upload Failed. Code = \n"));
    EXPECT_THAT(linktest::CaptureText(), HasSubstr("   Entered name : " + fileName + "\n"));
}

}  // namespace
