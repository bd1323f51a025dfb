// One received packet as the packet display prints it.
#ifndef COMMANDS_MODULEPACKETLINE_H
#define COMMANDS_MODULEPACKETLINE_H

#include "link/ORBA_Support.h"

#include <cstddef>

enum { MODULE_PACKET_LINE_SIZE = 1024 };

// "Port 6, z8:1.0.0.  |  " and the same bytes as characters, then a new
// line: DL bytes from data[2] on (so the two after the data show too, as
// zeros in a cleared record). The characters are raw and may include zero
// bytes, so the line's length is returned.
size_t FormatModulePacketLine(const ModulePacket* packet, char* line, size_t size);

#endif
