// Helpers shared by the POSIX stand-ins.
#ifndef PLATFORM_POSIX_POSIXSUPPORT_H
#define PLATFORM_POSIX_POSIXSUPPORT_H

#include <string>

// The value of an environment variable; a variable set but empty counts as
// unset and gives "".
std::string PosixEnv(const char* name);

// Native path of a program path, or "" when it does not fit.
std::string PosixNativePath(const char* path);

// Reads a whole plain file; false when it cannot be read (errno tells why).
bool PosixReadWholeFile(const std::string& path, std::string* text);

// Puts the terminal back as it was found (safe in a signal handler).
void PosixRestoreTerminal();

// Puts the terminal back when the signal ends the process, and hands SIGINT,
// SIGTERM and SIGHUP to the ending handler once there is one. A signal the
// process ignores is left alone.
void PosixCatchSignal(int signalNumber);

#endif
