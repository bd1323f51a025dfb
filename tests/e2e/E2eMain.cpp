// The end-to-end tests' entry. Under Wine every test needs Wine, the Windows
// build and a booted prefix: without the first two the process ends at once
// with the skip status CTest knows (tests/e2e/CMakeLists.txt), naming what is
// missing, rather than failing each test slowly.
#include "WindowsUnderWine.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>

int main(int argc, char** argv)
{
    ::testing::InitGoogleMock(&argc, argv);
    if (e2e::UnderWine() && !GTEST_FLAG_GET(list_tests)) {
        const std::string& missing = e2e::WineRunMissing();
        if (!missing.empty()) {
            std::printf("[  SKIPPED ] %s\n", missing.c_str());
            return E2E_SKIPPED_STATUS;
        }
        e2e::FixAddressLayoutForWine();
        if (!e2e::PrepareWinePrefix()) return 1;
    }
    return RUN_ALL_TESTS();
}
