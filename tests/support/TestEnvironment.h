// Every test process runs in a fresh scratch folder: its own stand-in drive
// C:, registry file, device folder and current directory, so that tests never
// touch the user's files and never see each other's.
#ifndef TESTS_SUPPORT_TESTENVIRONMENT_H
#define TESTS_SUPPORT_TESTENVIRONMENT_H

#include <string>

namespace testenv {

// The scratch folder of this process.
const std::string& ScratchDir();
// The folder standing for drive C:.
std::string DriveRoot();
// The current directory of the process (below the scratch folder).
std::string WorkDir();
// Writes a whole file (creating its folders).
void WriteFile(const std::string& path, const std::string& content);
// Reads a whole file; empty when missing.
std::string ReadFile(const std::string& path);
// Reads a text file the programs wrote, with Windows line ends read as "\n".
std::string ReadTextFile(const std::string& path);
bool FileExists(const std::string& path);
// Sets or clears an environment variable.
void SetEnv(const char* name, const char* value);

// True in the Windows build: the programs use the real drive C:, registry
// and driver, so a test of the stand-ins' own promises (SECMODULE_ROOT,
// SECMODULE_REGISTRY, device sockets) skips there. INI files are read and
// written the same way on both.
bool IsNativeWindows();

}  // namespace testenv

#endif
