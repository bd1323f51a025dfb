// Start-up, the command line and the exit statuses, end to end.
#include "Session.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ::testing::HasSubstr;

namespace e2e {
namespace {

class StartUp : public ::testing::TestWithParam<Variant> {};

TEST_P(StartUp, GetUtilityVersionAnswersAloneWithoutTouchingAnything)
{
    Session run(GetParam());
    run.WithoutBoard();
    EXPECT_EQ(run.Run({"-getutilityversion", "-GetVersion"}), 0);
    EXPECT_EQ(run.Output(), std::string("\n") + GetParam().banner + "\n");
    EXPECT_FALSE(PathExists(run.Lane().OnDriveC("FirmwareUpdate")));
}

TEST_P(StartUp, RemovedCurrentDirectoryFailsTheFramework)
{
    Session run(GetParam());
    run.WithoutBoard();
    run.StartInRemovedFolder({"-GetVersion"});
    EXPECT_EQ(run.Finish(), 200);
    EXPECT_EQ(run.Output(), "FATAL ERROR 1A: MFC initialization failed.\n");
}

INSTANTIATE_TEST_SUITE_P(Both, StartUp, ::testing::Values(SU, CU),
                         [](const auto& paramInfo) { return VariantName(paramInfo.param); });

}  // namespace
}  // namespace e2e
