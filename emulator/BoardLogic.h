// The board without its socket: it answers opens, decodes what the utility
// writes, keeps the board's state, runs the request handlers and shapes the
// replies as the scenario's faults say. The socket side (BoardServer) only
// moves bytes. Safe to call from several threads.
#ifndef EMULATOR_BOARDLOGIC_H
#define EMULATOR_BOARDLOGIC_H

#include "emulator/Faults.h"
#include "emulator/PacketLog.h"
#include "emulator/Scenario.h"

#include <mutex>
#include <vector>

namespace emulator {

// Device control code of a system-port packet.
const uint32_t SYSTEM_PORT_WRITE_CODE = 0x0022AB86;

// Windows error code sent back for an open request the board cannot read.
const uint32_t INVALID_PARAMETER_CODE = 87;

// A packet of a stream the board sends unasked.
struct StreamPacket {
    std::vector<uint8_t> bytes;  // wire form
    long nextGapUs = 0;          // the stream's next packet is due this long after
};

struct OpenAnswer {
    enum Kind { Opened, Refused, HangUp, NoAnswer } kind = Opened;
    uint32_t code = 0;  // Refused
    bool forReading = false;
};

class BoardLogic {
public:
    BoardLogic(const BoardSetup& setup, PacketLog& log);

    // The first message of a connection ("R" or "W").
    OpenAnswer Open(const std::vector<uint8_t>& request);
    // A "D" message: one stream write.
    std::vector<Outbound> StreamWrite(const std::vector<uint8_t>& bytes);
    // A "C" message: control code (4 bytes, little-endian) and the packet.
    std::vector<Outbound> ControlRequest(const std::vector<uint8_t>& payload);

    // The packet a running stream has due now; false when no stream has one.
    bool NextStreamPacket(StreamPacket* packet);
    // The utility has gone: every stream stops.
    void StopStreams();

    BoardState State() const;

private:
    std::vector<Outbound> Answer(const Request& request, const RequestHandler handler, LogEntry* logged);
    std::vector<Outbound> DataRequest(const WirePacket& packet, LogEntry* logged);
    void PortControl(const WirePacket& packet, LogEntry* logged);

    mutable std::mutex mutex_;
    BoardSetup setup_;
    PacketLog& log_;
    unsigned opens_ = 0;
};

}  // namespace emulator

#endif
