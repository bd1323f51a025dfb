// The text of a Windows-style INI file, read and edited the way the Windows
// profile calls do it. The profile files of every platform go through it, so
// that a file reads and rewrites the same everywhere; off Windows the
// registry file too.
#ifndef PLATFORM_INITEXT_H
#define PLATFORM_INITEXT_H

#include <string>
#include <vector>

// The value of key in the first section named section (names without regard
// to letter case, blanks dropped, one pair of matching quotes removed). False
// when the section or the key is missing.
bool IniFindValue(const std::string& text, const char* section, const char* key, std::string* value);

// Whether a section of that name exists.
bool IniHasSection(const std::string& text, const char* section);

// The names of all sections, in file order.
std::vector<std::string> IniSectionNames(const std::string& text);

// The text with key set to value in section. Only what must change changes:
// an existing entry's line is rewritten in place, a new entry goes after the
// section's last entry, a new section goes at the end. Added lines end like
// the first line of the text.
std::string IniSetValue(const std::string& text, const char* section, const char* key,
                        const char* value);

#endif
