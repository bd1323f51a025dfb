#include "platform/Platform.h"
#include "support/LaneConfigFiles.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <unistd.h>

namespace {

const char LANE_KEY[] = "SOFTWARE\\Morvane\\Orvik750\\Lane";

// The value as the registry gives it, or "<missing>".
std::string Query(const char* keyPath, const char* name, unsigned size = 64)
{
    PlatRegKey key;
    if (!Plat_RegOpenLocalMachineKey(keyPath, &key)) return "<no key>";
    std::string buffer(size, '#');
    bool read = Plat_RegQueryValue(key, name, &buffer[0], size);
    Plat_RegCloseKey(key);
    if (!read) return "<missing>";
    return std::string(buffer.c_str());
}

TEST(Registry, ValuesOfAKeyReadLikeAProfile)
{
    lanefiles::WriteRegistry(
        "; the lane\r\n"
        "[SOFTWARE\\Other]\r\n"
        "SecurityModuleType=WRONG\r\n"
        "[software\\morvane\\orvik750\\lane]\r\n"
        "  securitymoduletype = \"USB_SCANNING_MODULE\"\r\n"
        "Empty=\r\n");
    EXPECT_EQ(Query(LANE_KEY, "SecurityModuleType"), "USB_SCANNING_MODULE");
    EXPECT_EQ(Query(LANE_KEY, "Empty"), "");
    EXPECT_EQ(Query(LANE_KEY, "Missing"), "<missing>");
    EXPECT_EQ(Query("SOFTWARE\\Morvane\\Absent", "SecurityModuleType"), "<no key>");
}

TEST(Registry, MissingFileMeansMissingKey)
{
    EXPECT_EQ(Query(LANE_KEY, "SecurityModuleType"), "<no key>");
}

TEST(Registry, AValueThatDoesNotFitIsRefusedNotCut)
{
    lanefiles::WriteRegistry("[SOFTWARE\\Morvane\\Orvik750\\Lane]\nValue=12345\n");
    EXPECT_EQ(Query(LANE_KEY, "Value", 6), "12345");
    EXPECT_EQ(Query(LANE_KEY, "Value", 5), "<missing>");
}

TEST(Registry, DefaultFileIsBelowHome)
{
    testenv::SetEnv("SECMODULE_REGISTRY", "");
    testenv::SetEnv("HOME", testenv::ScratchDir().c_str());
    testenv::WriteFile(testenv::ScratchDir() + "/.secmodule/registry.ini",
                       "[SOFTWARE\\Morvane\\Orvik750\\Lane]\nSecurityModuleType=SIM_SECURITY_MODULE\n");
    EXPECT_EQ(Query(LANE_KEY, "SecurityModuleType"), "SIM_SECURITY_MODULE");
}

TEST(ComputerName, IsTheHostName)
{
    char host[HOST_NAME_MAX + 1] = {};
    ASSERT_EQ(gethostname(host, sizeof host - 1), 0);
    char name[256];
    ASSERT_TRUE(Plat_GetComputerName(name, sizeof name));
    EXPECT_STREQ(name, host);
    // Too small a buffer fails, as on Windows.
    std::string length(host);
    EXPECT_FALSE(Plat_GetComputerName(name, static_cast<unsigned>(length.size())));
}

}  // namespace
