// Registry values under HKEY_LOCAL_MACHINE. Each test process works below a
// key of its own and removes it afterwards.
#include "platform/Platform.h"

#include <gtest/gtest.h>

#include <string>
#include <windows.h>

namespace {

class Win32Registry : public ::testing::Test {
protected:
    void SetUp() override
    {
        keyPath = "SOFTWARE\\UtilityTests\\" + std::to_string(GetCurrentProcessId());
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &key, nullptr) != ERROR_SUCCESS)
            GTEST_SKIP() << "no write access to HKEY_LOCAL_MACHINE";
    }
    void TearDown() override
    {
        if (key == nullptr) return;
        RegCloseKey(key);
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, keyPath.c_str());
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, keyPath.c_str());
    }
    void SetText(const char* name, const std::string& text)
    {
        RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>(text.size() + 1));
    }

    std::string keyPath;
    HKEY key = nullptr;
};

TEST_F(Win32Registry, ValuesReadBackWholeOrNotAtAll)
{
    SetText("SecurityModuleType", "USB_SCANNING_MODULE");  // 19 characters
    PlatRegKey opened;
    ASSERT_TRUE(Plat_RegOpenLocalMachineKey(keyPath.c_str(), &opened));

    char value[20];
    ASSERT_TRUE(Plat_RegQueryValue(opened, "SecurityModuleType", value, sizeof value));
    EXPECT_STREQ(value, "USB_SCANNING_MODULE");
    // One byte short: refused rather than cut.
    char shortValue[19] = "untouched";
    EXPECT_FALSE(Plat_RegQueryValue(opened, "SecurityModuleType", shortValue, sizeof shortValue));
    EXPECT_FALSE(Plat_RegQueryValue(opened, "NoSuchValue", value, sizeof value));
    Plat_RegCloseKey(opened);
}

TEST_F(Win32Registry, MissingKeyDoesNotOpen)
{
    PlatRegKey opened;
    EXPECT_FALSE(Plat_RegOpenLocalMachineKey((keyPath + "\\Missing").c_str(), &opened));
    EXPECT_EQ(opened, nullptr);
    Plat_RegCloseKey(nullptr);
}

TEST(Win32ComputerName, NamedAndRefusedWhenTheBufferIsTooSmall)
{
    char name[MAX_COMPUTERNAME_LENGTH + 1];
    ASSERT_TRUE(Plat_GetComputerName(name, sizeof name));
    EXPECT_GT(std::string(name).size(), 0u);
    char tiny[1];
    EXPECT_FALSE(Plat_GetComputerName(tiny, sizeof tiny));
}

}  // namespace
