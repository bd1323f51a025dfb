#include "frame/CommandDispatch.h"
#include "base/ProgramOptions.h"
#include "base/Variant.h"
#include "support/ScriptedConsole.h"
#include "trace/TraceTestHooks.h"

#include <gtest/gtest.h>

namespace {

int Dispatch(const char* command)
{
    g_ProgramOptions.m_AutomatedMode = true;
    g_ProgramOptions.m_CommandName = command;
    return CommandDispatch();
}

TEST(CommandDispatch, GetVersionNeedsNothingMore)
{
    scripted::ConsoleScope console;
    EXPECT_EQ(Dispatch("GetVersion"), 0);
    EXPECT_EQ(scripted::Output(), "");
}

TEST(CommandDispatch, FailedUploadGivesTheVariantsStatus)
{
    // No link is started: the upload fails on port 6 after the link's error
    // lines, whose pauses are not what this test is about.
    TraceSetErrorHoldForTests(0);
    scripted::ConsoleScope console;
    EXPECT_EQ(Dispatch("SecurityModuleUpload"), IsCuUtility() ? 193 : 188);
    const std::string output = scripted::Output();
    const std::string last = "ERROR 14, Upload Failed.\n";
    ASSERT_GE(output.size(), last.size());
    EXPECT_EQ(output.substr(output.size() - last.size()), last);
}

TEST(CommandDispatch, NamesAreComparedExactly)
{
    scripted::ConsoleScope console;
    EXPECT_EQ(Dispatch("securitymoduleupload"), 0);
    EXPECT_EQ(Dispatch(""), 0);
    EXPECT_EQ(scripted::Output(), "");
}

}  // namespace
