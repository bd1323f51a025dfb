// What a firmware file's name must carry: the controller marker of this
// deliverable and "CRC_" followed by the image's byte sum in hexadecimal.
#ifndef COMMANDS_FIRMWAREFILENAME_H
#define COMMANDS_FIRMWAREFILENAME_H

#include <cstdint>

// "SU_" in su_utility, "CU_" in cu_utility.
const char* FirmwareControllerMarker();

// Index of the first occurrence of marker in name, letter case ignored; -1
// when there is none (a name ending in part of the marker has none there).
int FindNameMarker(const char* marker, const char* name);

enum { EXPECTED_CHECKSUM_MAX_DIGITS = 8 };

// The hexadecimal digits that directly follow the first "CRC_" (at most 8)
// into digits (9 bytes), and their value into *checksum. False when the name
// has no "CRC_" or no digit follows it.
bool ExpectedChecksumFromName(const char* name, char* digits, uint32_t* checksum);

#endif
