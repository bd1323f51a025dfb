// The hardware version report written into the INI file named by
// "-HardwareVersionRequest".
#ifndef COMMANDS_COMMAND_HARDWAREVERSIONREQUEST_H
#define COMMANDS_COMMAND_HARDWAREVERSIONREQUEST_H

void WriteHardwareVersionReport();

#endif
