// The second platform of the end-to-end tests: the Windows programs
// (su_utility.exe, cu_utility.exe) run under Wine against the same
// in-process board, reached through board-relay and board-bridge.exe.
//
// Chosen by UTILITY_E2E_WINE, the Windows build folder (where the .exe files
// and bridge/board-bridge.exe are). UTILITY_E2E_WINE_PREFIXES lists the Wine
// prefixes a test process may take (colon-separated): each has one drive C:
// with one C:\FirmwareUpdate, so a process holds a lock on its prefix for its
// whole life and parallel tests never share one.
#ifndef TESTS_E2E_SUPPORT_WINDOWSUNDERWINE_H
#define TESTS_E2E_SUPPORT_WINDOWSUNDERWINE_H

#include "ChildProcess.h"

#include <string>
#include <utility>
#include <vector>

namespace e2e {

bool UnderWine();
// The prefix this process holds (taken on first use).
const std::string& WinePrefix();
// WINEPREFIX and the quiet, display-less settings, for every Wine process.
std::vector<std::pair<std::string, std::string>> WineEnvironment();
// A program of the Windows build ("su_utility.exe").
std::string WindowsProgram(const std::string& name);
// The wine launcher's path.
std::string WineLauncher();

// Replaces the lane's registry key with the values of an INI-style text
// ("[SOFTWARE\...]" sections of "name=value" lines) in one import.
void SetWineRegistry(const std::string& iniText);

// Text a Windows program wrote in text mode, with "\r\n" read as "\n".
std::string FromWindowsText(const std::string& text);

// board-relay and board-bridge.exe serving one device name of a device
// folder to the Windows programs; stopped when destroyed.
class WineBridge {
public:
    WineBridge() = default;
    ~WineBridge() { Stop(); }
    WineBridge(const WineBridge&) = delete;
    WineBridge& operator=(const WineBridge&) = delete;

    // Returns once the device name is served; false (with a test failure)
    // when either program did not come up.
    bool Start(const std::string& deviceDir, const std::string& deviceName);
    void Stop();

private:
    ChildProcess relay_;
    ChildProcess bridge_;
    bool running_ = false;
};

}  // namespace e2e

// Ends a test that is about a Linux stand-in when it runs under Wine.
#define E2E_SKIP_UNDER_WINE(reason) \
    if (::e2e::UnderWine()) GTEST_SKIP() << (reason)

#endif
