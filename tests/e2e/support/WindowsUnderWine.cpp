#include "WindowsUnderWine.h"

#include "support/posix/ChildProcess.h"
#include "LaneFolder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <sstream>
#include <sys/file.h>
#include <sys/personality.h>
#include <unistd.h>

#ifndef BOARD_RELAY_PATH
#define BOARD_RELAY_PATH ""
#endif
#ifndef WINE_BOARD_SCRIPT
#define WINE_BOARD_SCRIPT ""
#endif
// The files of the Windows build every run under Wine needs (':'-separated).
#ifndef WINDOWS_BUILD_NEEDS
#define WINDOWS_BUILD_NEEDS ""
#endif

namespace e2e {

namespace {

std::string Variable(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

std::vector<std::string> Split(const std::string& list, char separator)
{
    std::vector<std::string> parts;
    std::istringstream in(list);
    std::string part;
    while (std::getline(in, part, separator))
        if (!part.empty()) parts.push_back(part);
    return parts;
}

// The first prefix of the list nobody holds, else waits for the first. The
// lock lives as long as the process.
std::string TakePrefix()
{
    std::vector<std::string> prefixes = Split(Variable("UTILITY_E2E_WINE_PREFIXES"), ':');
    if (prefixes.empty()) prefixes.push_back(Variable("WINEPREFIX"));
    if (prefixes.front().empty()) prefixes.front() = Variable("UTILITY_E2E_WINE") + "/wineprefix";
    for (int blocking = 0; blocking < 2; ++blocking) {
        for (const std::string& prefix : prefixes) {
            // A prefix never booted may not exist yet: the lock comes first.
            std::error_code error;
            std::filesystem::create_directories(prefix, error);
            const int lock = open((prefix + "/e2e.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
            if (lock < 0) continue;
            if (flock(lock, blocking != 0 ? LOCK_EX : LOCK_EX | LOCK_NB) == 0) return prefix;
            close(lock);
        }
    }
    ADD_FAILURE() << "no Wine prefix could be locked among " << Variable("UTILITY_E2E_WINE_PREFIXES");
    return prefixes.front();
}

// A registry file's quoting: backslashes and quotes escaped.
std::string RegQuoted(const std::string& text)
{
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"') quoted.push_back('\\');
        quoted.push_back(c);
    }
    return quoted + "\"";
}

std::string Trimmed(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

// Runs a Wine program to its end; false (with a test failure) unless it
// ended with status 0.
bool RunWine(const std::vector<std::string>& arguments)
{
    ChildProcess child;
    ChildOptions options;
    options.program = WineLauncher();
    options.arguments = arguments;
    options.environment = WineEnvironment();
    // Wine's own error lines, so that a failed tool says why.
    for (auto& variable : options.environment)
        if (variable.first == "WINEDEBUG") variable.second = "err+all";
    if (!child.Start(options)) {
        ADD_FAILURE() << child.Error();
        return false;
    }
    child.CloseInput();
    const int status = child.Wait(60000);
    EXPECT_EQ(status, 0) << "wine " << arguments.front() << ": " << child.Output() << child.Errors();
    return status == 0;
}

}  // namespace

void FixAddressLayoutForWine()
{
    const int current = personality(0xffffffff);
    if (current != -1) personality(static_cast<unsigned long>(current) | ADDR_NO_RANDOMIZE);
}

bool UnderWine() { return !Variable("UTILITY_E2E_WINE").empty(); }

namespace {

std::string WindowsBuildLacks(const std::string& names)
{
    return "the Windows build " + Variable("UTILITY_E2E_WINE") + " lacks " + names +
           "; in the source tree, cmake --preset windows && cmake --build --preset windows builds it";
}

std::string FindMissing()
{
    if (access(WineLauncher().c_str(), X_OK) != 0)
        return "no Wine (" + WineLauncher() + "): install Debian's wine and wine64";
    std::string missing;
    for (const std::string& name : Split(WINDOWS_BUILD_NEEDS, ':'))
        if (!PathExists(WindowsProgram(name))) missing += (missing.empty() ? "" : ", ") + name;
    return missing.empty() ? "" : WindowsBuildLacks(missing);
}

}  // namespace

const std::string& WineRunMissing()
{
    static const std::string missing = FindMissing();
    return missing;
}

std::string WindowsToolMissing(const std::string& name)
{
    return PathExists(WindowsProgram(name)) ? "" : WindowsBuildLacks(name);
}

bool PrepareWinePrefix()
{
    const std::string& prefix = WinePrefix();
    // Wine writes the stamp when it has set the prefix up.
    const std::string booted = prefix + "/.update-timestamp";
    if (PathExists(booted)) return true;
    // Wine's session processes outlive wineboot: their output goes to the
    // log, never to this process's pipes, and the wait ends with the server.
    const unsigned bootLimitS = 180;
    const unsigned serverLimitS = 30;
    std::printf("Booting the new Wine prefix %s (a minute or more)\n", prefix.c_str());
    std::fflush(stdout);
    ChildProcess boot;
    ChildOptions options;
    options.program = "/bin/sh";
    const std::string script = "timeout " + std::to_string(bootLimitS) +
                               " wineboot -i </dev/null >\"$WINEPREFIX/wineboot.log\" 2>&1 && timeout " +
                               std::to_string(serverLimitS) +
                               " wineserver -w </dev/null >/dev/null 2>&1";
    options.arguments = {"-c", script};
    options.environment = WineEnvironment();
    if (!boot.Start(options)) {
        std::fprintf(stderr, "wineboot: %s\n", boot.Error().c_str());
        return false;
    }
    boot.CloseInput();
    const int status = boot.Wait((bootLimitS + serverLimitS + 10) * 1000);
    if (status == 0 && PathExists(booted)) return true;
    std::fprintf(stderr,
                 "The Wine prefix %s did not boot within %u s (status %d); see %s/wineboot.log\n",
                 prefix.c_str(), bootLimitS, status, prefix.c_str());
    return false;
}

const std::string& WinePrefix()
{
    static const std::string prefix = TakePrefix();
    return prefix;
}

std::vector<std::pair<std::string, std::string>> WineEnvironment()
{
    return {{"WINEPREFIX", WinePrefix()},
            {"WINEDEBUG", "-all"},
            {"WINEDLLOVERRIDES", "mscoree,mshtml="},
            {"DISPLAY", ""},
            {"WAYLAND_DISPLAY", ""}};
}

std::string WindowsProgram(const std::string& name) { return Variable("UTILITY_E2E_WINE") + "/" + name; }

std::string WineLauncher() { return "/usr/bin/wine"; }

void SetWineRegistry(const std::string& iniText)
{
    std::string reg = "REGEDIT4\r\n";
    std::istringstream lines(iniText);
    std::string line;
    while (std::getline(lines, line)) {
        line = Trimmed(line);
        if (line.size() > 2 && line.front() == '[' && line.back() == ']') {
            const std::string key = "HKEY_LOCAL_MACHINE\\" + line.substr(1, line.size() - 2);
            // The key goes first, so that nothing of an earlier lane is left.
            reg += "\r\n[-" + key + "]\r\n\r\n[" + key + "]\r\n";
        } else if (const size_t equals = line.find('='); equals != std::string::npos && line[0] != ';') {
            reg += RegQuoted(Trimmed(line.substr(0, equals))) + "=" +
                   RegQuoted(Trimmed(line.substr(equals + 1))) + "\r\n";
        }
    }
    // A new file, never one rewritten in place: prefixes may share files
    // through hard links.
    const std::string file = WinePrefix() + "/drive_c/LaneRegistry.reg";
    std::remove(file.c_str());
    WriteTextFile(file, reg);
    RunWine({"reg", "import", "C:\\LaneRegistry.reg"});
}

std::string FromWindowsText(const std::string& text)
{
    std::string plain;
    plain.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) plain.push_back(text[i]);
    return plain;
}

namespace {

// Runs scripts/wine-board.sh with the arguments; its output, or (with a test
// failure when report is set) empty when it failed.
std::string RunRouteScript(const std::vector<std::string>& arguments, bool report = true)
{
    ChildProcess script;
    ChildOptions options;
    options.program = WINE_BOARD_SCRIPT;
    options.arguments = arguments;
    options.environment = WineEnvironment();
    options.environment.emplace_back("BOARD_RELAY", BOARD_RELAY_PATH);
    options.environment.emplace_back("BOARD_DRIVER_HELPER",
                                     WindowsProgram("driver/board-driver-helper.exe"));
    if (!script.Start(options)) {
        if (report) ADD_FAILURE() << script.Error();
        return "";
    }
    script.CloseInput();
    const int status = script.Wait(60000);
    // "status" answers 1 when no route runs: no failure.
    if (report && status != 0 && arguments.front() != "status")
        ADD_FAILURE() << "wine-board.sh " << arguments.front() << ": status " << status << "\n"
                      << script.Output() << script.Errors();
    return status == 0 ? Trimmed(script.Output()) : "";
}

struct Route {
    std::string deviceDir;
    bool ours = false;  // started here: stopped when the process ends
    bool down = false;

    Route()
    {
        deviceDir = RunRouteScript({"status"}, false);
        if (!deviceDir.empty()) return;
        char folder[] = "/tmp/utile2e-route-XXXXXX";
        if (mkdtemp(folder) == nullptr) {
            ADD_FAILURE() << "no folder for the route's device sockets";
            return;
        }
        deviceDir = folder;
        ours = true;
        RunRouteScript({"start", deviceDir});
    }
    ~Route()
    {
        if (!ours) return;
        // After the tests: nobody to report to.
        RunRouteScript({"stop"}, false);
        std::filesystem::remove_all(deviceDir);
    }
};

Route& TheRoute()
{
    static Route route;
    return route;
}

}  // namespace

const std::string& WineRouteDeviceDir() { return TheRoute().deviceDir; }

void ServeBoardUnderWine(const std::string& deviceDir, const std::string& deviceName)
{
    // Replaced in one step: the relay never finds the name missing.
    const std::string link = WineRouteDeviceDir() + "/" + deviceName;
    const std::string fresh = link + ".new";
    std::remove(fresh.c_str());
    if (symlink((deviceDir + "/" + deviceName).c_str(), fresh.c_str()) != 0 ||
        std::rename(fresh.c_str(), link.c_str()) != 0)
        ADD_FAILURE() << "the route cannot serve " << deviceName << " from " << deviceDir;
}

void WineRouteDown()
{
    Route& route = TheRoute();
    if (route.down) return;
    RunRouteScript({"stop"});
    route.down = true;
}

void WineRouteUp()
{
    Route& route = TheRoute();
    if (!route.down) return;
    RunRouteScript({"start", route.deviceDir});
    route.down = false;
}

}  // namespace e2e
