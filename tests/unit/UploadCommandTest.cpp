// The upload command's failures at the device and in the board's answers,
// and the typed file name, against the emulated board behind the in-memory
// device.
#include "commands/Command_SecurityModuleUpload.h"
#include "commands/FirmwareFileName.h"
#include "config/PgmCnfg.h"
#include "base/ProgramOptions.h"
#include "base/Variant.h"
#include "link/ORBA_Support.h"
#include "support/DeviceBoard.h"
#include "support/FakeBoardDevice.h"
#include "support/LinkFixture.h"
#include "support/ScriptedConsole.h"
#include "support/TestEnvironment.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

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
        // One byte 'A': the byte sum is 0x41.
        fileName = std::string(FirmwareControllerMarker()) + "CRC_41.bin";
        testenv::WriteFile(testenv::WorkDir() + "/" + fileName, "A");
        g_ProgramOptions.m_AutomatedMode = true;
        g_ProgramOptions.m_InputFile = fileName.c_str();
    }

    // The board answers as set up so far; the link starts.
    void StartBoard()
    {
        ASSERT_TRUE(board.Install(IsCuUtility() ? "cu" : "su"));
        StartLink();
    }

    std::string fileName;
    testboard::DeviceBoard board;
};

TEST_F(UploadCommand, NeedsTheUsbBoard)
{
    StartBoard();
    ProgramConfig.m_SecurityModuleType = 0;
    EXPECT_NE(SecurityModuleUpload(), 0);
    EXPECT_EQ(scripted::Output(), "ERROR 1D: System is not USB!\n");
    EXPECT_THAT(board.Received(), IsEmpty());
}

TEST_F(UploadCommand, Port6ThatDoesNotOpenEndsIt)
{
    StartBoard();
    fakeboard::FailWrites(31);
    EXPECT_NE(SecurityModuleUpload(), 0);
    EXPECT_THAT(scripted::Output(), EndsWith("Initialize Port 6 Failed!\n"
                                             "ERROR 1B: Uploading , Can not open port 6.\n"));
}

TEST_F(UploadCommand, StartRequestNotSentLeavesPort6Open)
{
    StartBoard();
    board.FailWritesOf("F1");
    EXPECT_NE(SecurityModuleUpload(), 0);
    EXPECT_THAT(scripted::Output(),
                EndsWith("\nERROR 11: Sending Start Upload Procedure to Controller.\n"
                         "ERROR 13: Sending File to Security Module.\n"
                         "ERROR 13: Uploading USB Security Module.\n"));
    EXPECT_THAT(board.ReceivedAfterOpen(), IsEmpty());
}

TEST_F(UploadCommand, DataRequestNotSentLeavesPort6Open)
{
    StartBoard();
    board.FailWritesOf("F2");
    EXPECT_NE(SecurityModuleUpload(), 0);
    EXPECT_THAT(scripted::Output(), EndsWith("\nERROR 11: Sending Upload Data to controller.\n"
                                             "ERROR 13: Uploading USB Security Module.\n"));
    EXPECT_THAT(board.ReceivedAfterOpen(), ElementsAre(::testing::StartsWith("6/6 F1")));
}

// Replies to the upload's requests by their first two data bytes, on the
// in-memory device alone: the emulated board never answers with another
// request's echo.
void ReplyToUpload(const std::map<std::string, std::vector<std::string>>& replies)
{
    fakeboard::SetResponder([replies](const fakeboard::Sent& sent) {
        const fakeboard::Bytes& bytes = sent.bytes;
        if (sent.control || bytes.size() < 5 || bytes[0] != ORBA_PORT_MODULE || bytes[1] != ORBA_DC_DATA)
            return;
        const auto found = replies.find(std::string(bytes.begin() + 3, bytes.begin() + 5));
        if (found == replies.end()) return;
        for (const std::string& reply : found->second) fakeboard::QueueReply(reply);
    });
}

// The board may say the upload is complete and refuse it in one answer.
TEST_F(UploadCommand, CompleteAnswerWithAnErrorCodeFails)
{
    fakeboard::Install();
    ReplyToUpload({{"F1", {"un", "f2x", "f10"}}, {"F2", {"f1x", "f3C"}}});
    StartLink();
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
    StartBoard();
    scripted::Type(longest + "y\n");
    EXPECT_NE(SecurityModuleUpload(), 0);
    EXPECT_THAT(scripted::Output(), EndsWith("\nEnter File Name :Invalid File Name!\n"));
    EXPECT_THAT(board.ReceivedAfterOpen(), ElementsAre("6/3"));

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
    board.Set("fault.F1=unrelated:100");
    StartBoard();
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
