// The second platform of the end-to-end tests: the Windows programs
// (su_utility.exe, cu_utility.exe) run under Wine against the same
// in-process board, reached through the test driver route
// (scripts/wine-board.sh: board-relay, board-driver-helper.exe and
// board-driver.sys).
//
// Chosen by UTILITY_E2E_WINE, the Windows build folder (where the .exe files
// and driver/ are). UTILITY_E2E_WINE_PREFIXES lists the Wine prefixes a test
// process may take (colon-separated): each has one drive C: with one
// C:\FirmwareUpdate and one set of device names, so a process holds a lock on
// its prefix for its whole life and parallel tests never share one.
#ifndef TESTS_E2E_SUPPORT_WINDOWSUNDERWINE_H
#define TESTS_E2E_SUPPORT_WINDOWSUNDERWINE_H

#include <string>
#include <utility>
#include <vector>

namespace e2e {

// Every process started from here on gets the fixed address layout: a
// randomised one now and then puts something where Wine maps the shared user
// data, and the Wine process ends at once ("failed to map the shared user
// data: c0000018").
void FixAddressLayoutForWine();

bool UnderWine();
// What a run under Wine needs and this machine lacks (Wine, the programs and
// driver files of the Windows build), with what provides it; empty when
// nothing is missing. Checked once per process, before any test.
const std::string& WineRunMissing();
// The same for a tool of the Windows build that only some tests run
// ("tests/terminate-on-cue.exe").
std::string WindowsToolMissing(const std::string& name);
// Takes this process's prefix and boots it when it never was (Wine's first
// start takes a minute or more), within a bounded wait; false with the
// reason printed when it could not.
bool PrepareWinePrefix();
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

// The device folder of the route that serves the board devices in this
// process's prefix. The route is the one found running (the Windows stage
// starts one per prefix), else one started now and stopped when the process
// ends.
const std::string& WineRouteDeviceDir();
// From now on the route serves the device name from the board listening in
// deviceDir (its name in the route's folder becomes a link to that socket):
// each run's board stays in its own lane, and the last run started has the
// name, as one lane PC has one board of each kind.
void ServeBoardUnderWine(const std::string& deviceDir, const std::string& deviceName);
// Takes the route down for a run without a board, so that the device names
// are missing as on a PC without the board; WineRouteUp() brings it back.
void WineRouteDown();
void WineRouteUp();

}  // namespace e2e

// Ends a test that is about a Linux stand-in when it runs under Wine.
#define E2E_SKIP_UNDER_WINE(reason) \
    if (::e2e::UnderWine()) GTEST_SKIP() << (reason)

#endif
