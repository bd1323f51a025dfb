// A console for tests: input is a script of bytes read the way the console
// reads a pipe (every byte one key, lines up to '\n'); once the script is used
// up, a key test reports a key, a key read gives 'X' and a line read gives an
// empty line. Everything printed is kept for the test to inspect.
#ifndef TESTS_SUPPORT_SCRIPTEDCONSOLE_H
#define TESTS_SUPPORT_SCRIPTEDCONSOLE_H

#include <string>

namespace scripted {

// Installs the scripted console with an empty script and empty output;
// Uninstall puts the native console back.
void InstallConsole();
void UninstallConsole();

// Appends bytes to the input script.
void Type(const std::string& bytes);
// While held, the script counts as not yet ended: a key test says no key and
// reads wait, as if a technician had not pressed anything yet.
void HoldEndOfInput(bool hold);

std::string Output();
void ClearOutput();
// Waits (up to timeoutMs) until the output contains text.
bool WaitForOutput(const std::string& text, unsigned timeoutMs);

// RAII helper for a test body.
struct ConsoleScope {
    ConsoleScope() { InstallConsole(); }
    ~ConsoleScope() { UninstallConsole(); }
    ConsoleScope(const ConsoleScope&) = delete;
    ConsoleScope& operator=(const ConsoleScope&) = delete;
};

}  // namespace scripted

#endif
