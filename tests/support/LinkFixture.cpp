#include "support/LinkFixture.h"

#include "base/ProgramOptions.h"
#include "link/securitymodule.h"
#include "support/TestEnvironment.h"
#include "trace/Trace.h"
#include "trace/TraceTestHooks.h"

#include <cstring>
#include <filesystem>

namespace linktest {

ModulePacket Packet(uint8_t da, uint8_t dc, const std::string& data)
{
    ModulePacket packet;
    std::memset(&packet, 0, sizeof packet);
    packet.DA = da;
    packet.DC = dc;
    packet.DL = static_cast<uint8_t>(data.size());
    std::memcpy(packet.data, data.data(), data.size());
    return packet;
}

bool AllZero(const ModulePacket& packet)
{
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(&packet);
    for (size_t i = 0; i < sizeof packet; ++i)
        if (bytes[i] != 0) return false;
    return true;
}

std::string CaptureText()
{
    TraceFlush();
    return testenv::ReadTextFile(testenv::DriveRoot() + "/FirmwareUpdate/Utility01.Txt");
}

size_t Occurrences(const std::string& haystack, const std::string& text)
{
    size_t count = 0;
    for (size_t at = haystack.find(text); at != std::string::npos; at = haystack.find(text, at + 1))
        ++count;
    return count;
}

void LinkTest::SetUp()
{
    TraceSetErrorHoldForTests(0);
    std::filesystem::create_directories(testenv::DriveRoot() + "/FirmwareUpdate");
    ResetProgramOptions();
    scripted::InstallConsole();
    fakeboard::Install();
    AccessProgramConfig();
}

void LinkTest::TearDown()
{
    // The reader thread outlives the test; it must not reach the scripted
    // console once the test is done with it.
    scripted::UninstallConsole();
}

void LinkTest::StartLink()
{
    ASSERT_EQ(InitializeSecurityModule(), 0);
    ASSERT_TRUE(fakeboard::WaitForIdleReader(5000));
}

void LinkTest::BoardSends(const std::vector<fakeboard::Bytes>& reads)
{
    for (const fakeboard::Bytes& read : reads) fakeboard::QueueRead(read);
    ASSERT_TRUE(fakeboard::WaitForIdleReader(10000));
}

}  // namespace linktest
