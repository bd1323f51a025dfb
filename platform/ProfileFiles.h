// The file side of the profile calls, one implementation per platform
// (PlatformProfile.cpp); platform/Profile.cpp builds the calls on it and on
// the INI text code, so that every platform reads and writes the same bytes.
// A file name is taken as the program writes it: relative to the current
// directory unless it names its folder or drive.
#ifndef PLATFORM_PROFILEFILES_H
#define PLATFORM_PROFILEFILES_H

#include <string>

// The whole text of a profile file. False when it is missing or is not a
// plain file that can be read.
bool ProfileReadFile(const char* file, std::string* text);

// Sets key to value in section of the file (IniSetValue). The file is
// replaced as a whole, so that a failure, or the end of the process half-way,
// leaves it as it was; a missing file is created, its folder is not. False
// when the file was left as it was (also when it is read-only).
bool ProfileWriteValue(const char* file, const char* section, const char* key, const char* value);

#endif
