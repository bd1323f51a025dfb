// A technician's terminal as the end-to-end tests set it up and compare it.
#ifndef TESTS_E2E_SUPPORT_TERMINALSETTINGS_H
#define TESTS_E2E_SUPPORT_TERMINALSETTINGS_H

#include <string>

#include <termios.h>

namespace e2e {

// A line-mode terminal with echo and signal keys, as a shell leaves it, with
// a few settings off the usual defaults (erase key, VMIN, VTIME), so that a
// program that puts back defaults instead of what it found is caught.
struct termios TechnicianTerminal();

// Every flag, control character and speed.
bool SameTerminalSettings(const struct termios& a, const struct termios& b);
// What differs, for failure messages.
std::string TerminalDifferences(const struct termios& before, const struct termios& after);

// Single keys without echo, as while a program waits for a key.
bool InKeyMode(const struct termios& settings);

}  // namespace e2e

#endif
