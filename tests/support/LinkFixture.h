// A started link over the in-memory board, with a scripted console and the
// capture file in place, for the link and standard-request tests.
#ifndef TESTS_SUPPORT_LINKFIXTURE_H
#define TESTS_SUPPORT_LINKFIXTURE_H

#include "config/PgmCnfg.h"
#include "link/ORBA_Support.h"
#include "support/FakeBoardDevice.h"
#include "support/ScriptedConsole.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

namespace linktest {

// Milliseconds since the given start.
inline long long ElapsedMs(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start)
        .count();
}

// A record as a caller builds it: zero past DL.
ModulePacket Packet(uint8_t da, uint8_t dc, const std::string& data);

bool AllZero(const ModulePacket& packet);

// The capture file written so far (flushed first).
std::string CaptureText();

// How many times text occurs in haystack.
size_t Occurrences(const std::string& haystack, const std::string& text);

class LinkTest : public ::testing::Test {
protected:
    // Installs the board and the console and loads the configuration; the
    // link itself is started by StartLink, so a test may prepare faults.
    void SetUp() override;
    void TearDown() override;
    // InitializeSecurityModule, expected to succeed, and waits until the
    // reader is blocked in its first driver read.
    void StartLink();
    // Queues board packets and waits until the reader has queued them all.
    void BoardSends(const std::vector<fakeboard::Bytes>& reads);
};

}  // namespace linktest

#endif
