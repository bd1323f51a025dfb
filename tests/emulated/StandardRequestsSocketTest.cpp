// The standard requests over the real board socket, with the emulator as the
// board (the emulator runs off Windows only).
#include "base/ProgramOptions.h"
#include "base/Variant.h"
#include "link/securitymodule.h"
#include "link/securitymodule_commands.h"
#include "emulated/BoardClient.h"
#include "support/ScriptedConsole.h"
#include "trace/TraceTestHooks.h"

#include <gtest/gtest.h>

namespace {

// The whole road over the board socket: the identity as start-up reads it.
class StandardRequestsOverSocket : public ::testing::Test {
protected:
    void SetUp() override
    {
        TraceSetErrorHoldForTests(0);
        ResetProgramOptions();
        scripted::InstallConsole();
    }
    void TearDown() override { scripted::UninstallConsole(); }
};

TEST_F(StandardRequestsOverSocket, StartUpSequenceReadsTheEmulatedIdentity)
{
    testboard::TestBoard board;
    ASSERT_TRUE(testboard::Start(board, "", {"su.serial=SU-42", "cu.serial=CU-42"}));
    ASSERT_EQ(InitializeSecurityModule(), 0);
    ASSERT_EQ(OpenSecurityModulePort6(), 0);
    SendScaleCommand('5');
    SendScaleCommand('8');
    FlushReceivedPackets();
    EXPECT_EQ(GetSecurityModuleVersion(), 0);
    EXPECT_EQ(GetSecurityModuleChecksum(), 0);
    EXPECT_EQ(GetSecurityModuleModel(), 0);
    GetSerialNumber();
    EXPECT_EQ(CloseSecurityModulePort6(), 0);
    EXPECT_EQ(CloseSecurityModule(), 0);

    EXPECT_EQ(SecurityModuleChecksumStatus, '0');
    if (IsCuUtility()) {
        EXPECT_STREQ(SecurityModuleVersion, "04.10 03/22/2012");
        EXPECT_EQ(SecurityModuleVersionNumber, 410);
        EXPECT_STREQ(SecurityModuleChecksum, "C07E22");
        EXPECT_STREQ(SecurityModuleModel, "100");
        EXPECT_STREQ(SecurityModuleSerialNumber, "CU-42");
    } else {
        EXPECT_STREQ(SecurityModuleVersion, "03.36 12/15/2010");
        EXPECT_EQ(SecurityModuleVersionNumber, 336);
        EXPECT_STREQ(SecurityModuleChecksum, "5A3C91");
        EXPECT_STREQ(SecurityModuleModel, "700");
        EXPECT_STREQ(SecurityModuleSerialNumber, "SU-42");
    }
    EXPECT_EQ(scripted::Output().find("ERROR"), std::string::npos) << scripted::Output();
}

}  // namespace
