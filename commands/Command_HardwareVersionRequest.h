// The hardware version report written into the INI file named by
// "-HardwareVersionRequest".
#ifndef COMMANDS_COMMAND_HARDWAREVERSIONREQUEST_H
#define COMMANDS_COMMAND_HARDWAREVERSIONREQUEST_H

#include <string>

// Writes the board's identity read at start-up into section
// "HardwareVersions" of the named file: only an existing, writable, plain
// file, and only for the firmware range of this utility's board.
void WriteHardwareVersionReport();

// Writes one key of the section unless the value is empty; 0, or 1 when the
// write failed (already shown).
int WriteHardwareVersionKey(const std::string& key, const std::string& value);

#endif
