// The exit statuses of the identity sequence that the board socket cannot
// provoke: writes that fail.
#include "frame/MainSequence.h"
#include "base/ProgramOptions.h"
#include "base/Variant.h"
#include "link/securitymodule.h"
#include "support/LinkFixture.h"
#include "support/TestClock.h"

#include <gtest/gtest.h>

#include <string>

using fakeboard::Wire;

namespace {

class MainSequence : public linktest::LinkTest {
protected:
    void SetUp() override
    {
        LinkTest::SetUp();
        StartLink();
        g_ProgramOptions.m_AutomatedMode = true;
        g_ProgramOptions.m_CommandName = "GetVersion";
    }
};

std::string RequestText(const fakeboard::Sent& sent)
{
    if (sent.control || sent.bytes.size() < 4 || sent.bytes[1] != ORBA_DC_DATA) return "";
    return std::string(sent.bytes.begin() + 3, sent.bytes.begin() + 3 + sent.bytes[2]);
}

// Answers the identity requests; with noMoreWrites, once the serial number
// is asked for, the board takes no more packets.
void AnswerIdentity(bool noMoreWrites = false)
{
    fakeboard::SetResponder([noMoreWrites](const fakeboard::Sent& sent) {
        const std::string request = RequestText(sent);
        if (request == "Z2") fakeboard::QueueRead(Wire(6, 6, "z2043912152010"));
        if (request == "Z4") fakeboard::QueueRead(Wire(6, 6, "z401A2B3C"));
        if (request == "Z5") fakeboard::QueueRead(Wire(6, 6, "z5700"));
        if (request == "ZJ") {
            fakeboard::QueueRead(Wire(6, 6, "zJSN42"));
            if (noMoreWrites) fakeboard::FailWrites(32);
        }
    });
}

TEST_F(MainSequence, Port6ThatCannotBeOpenedGivesItsStatus)
{
    fakeboard::FailWrites(32);
    EXPECT_EQ(RunMainSequence(), g_Variant.exitPort6Open);
    EXPECT_EQ(scripted::Output().find("Firmware Version"), std::string::npos);
}

TEST_F(MainSequence, Port6ThatCannotBeClosedGivesItsStatusAfterTheIdentityWasRead)
{
    AnswerIdentity(true);
    EXPECT_EQ(RunMainSequence(), g_Variant.exitPort6Close);
    EXPECT_EQ(scripted::Output().find("Firmware Version"), std::string::npos);
    EXPECT_NE(scripted::Output().find("Closing Security Module Port 6 Failed!"), std::string::npos);
}

TEST_F(MainSequence, AutomatedCommandResultBecomesTheStatus)
{
    // About what is sent and shown, not about how long the waits take.
    const testclock::Scope clock;
    AnswerIdentity();
    g_ProgramOptions.m_CommandName = "SecurityModuleUpload";
    EXPECT_EQ(RunMainSequence(), g_Variant.exitUploadFailed);
    const std::string output = scripted::Output();
    EXPECT_NE(output.find("\n\nFirmware Version 04.39 12/15/2010, Checksum 1A2B3C Passed!\n"
                          "Serial Number :SN42\n\n"),
              std::string::npos)
        << output;
    EXPECT_NE(output.find("ERROR 14, Upload Failed."), std::string::npos);
}

// From the identity on for a script; the menus keep their polls, whose live
// displays a person watches, whatever the command line says.
TEST_F(MainSequence, FastLinkServesAutomatedRunsOnly)
{
    AnswerIdentity();
    g_ProgramOptions.m_FastLink = true;
    EXPECT_EQ(RunMainSequence(), 0);
    EXPECT_TRUE(FastLinkOn());

    g_ProgramOptions.m_AutomatedMode = false;
    g_ProgramOptions.m_AcknowledgeResults = false;  // the menus take X by themselves
    EXPECT_EQ(RunMainSequence(), 0);
    EXPECT_FALSE(FastLinkOn());
}

}  // namespace
