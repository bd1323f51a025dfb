// A technician's terminal as the tests set it up and compare it.
#ifndef TESTS_SUPPORT_POSIX_TERMINALSETTINGS_H
#define TESTS_SUPPORT_POSIX_TERMINALSETTINGS_H

#include <string>

#include <termios.h>

namespace testproc {

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

}  // namespace testproc

namespace e2e {
using testproc::InKeyMode;
using testproc::SameTerminalSettings;
using testproc::TechnicianTerminal;
using testproc::TerminalDifferences;
}  // namespace e2e

#endif
