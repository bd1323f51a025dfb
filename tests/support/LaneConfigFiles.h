// The lane's configuration files, registry file and capture file as a test
// sees them (the current directory is <scratch>/lane/Bin).
#ifndef TESTS_SUPPORT_LANECONFIGFILES_H
#define TESTS_SUPPORT_LANECONFIGFILES_H

#include <string>

namespace lanefiles {

// <scratch>/lane/Config/<name>, the file the program calls "..\Config\<name>".
std::string ConfigPath(const std::string& name);
void WriteConfig(const std::string& name, const std::string& content);
// The file standing for the registry.
void WriteRegistry(const std::string& content);
// Creates <drive root>/FirmwareUpdate so that trace lines reach a capture file.
void PrepareCaptureFolder();
std::string CapturePath();
// Flushes and reads the current capture file.
std::string CaptureText();

}  // namespace lanefiles

#endif
