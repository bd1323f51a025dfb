// Building and sending the board's command-interpreter requests (port 6,
// data command) that the service and test commands share.
#ifndef COMMANDS_MODULEDATAPACKET_H
#define COMMANDS_MODULEDATAPACKET_H

#include "link/ORBA_Support.h"

#include <cstdint>

// A port-6 data record holding the bytes (at most 60); zero past them.
void BuildModuleDataPacket(ModulePacket* packet, const uint8_t* bytes, int count);

// Builds the record from text and sends it; 0 or the link's failure code.
int WriteModuleRequest(const char* text, int count);

// The data bytes of a record as a value, most significant byte first.
uint16_t ModuleDataWord(const ModulePacket* packet, int first);
uint32_t ModuleDataLong(const ModulePacket* packet, int first);

#endif
