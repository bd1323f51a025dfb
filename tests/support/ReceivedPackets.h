// What a test board received, from its packet log, one text a packet.
#ifndef TESTS_SUPPORT_RECEIVEDPACKETS_H
#define TESTS_SUPPORT_RECEIVEDPACKETS_H

#include "emulator/PacketLog.h"

#include <cstdint>
#include <string>
#include <vector>

namespace testboard {

// "DA/DC" and the data, printable bytes as they are and others as <hh>:
// "6/1 <01><06><02><01>", "6/2", "6/6 Z2", "6/6 T1<00>".
std::string PacketText(const std::vector<uint8_t>& wire);
// The packets the board received (stream writes and control requests), in
// order.
std::vector<std::string> ReceivedPackets(const std::vector<emulator::LogEntry>& log);

}  // namespace testboard

#endif
