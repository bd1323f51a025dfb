// A running board: it holds the device socket of its kind in a device
// folder and serves utilities on a thread of its own until stopped. Tests
// run one in-process; the board-emulator program runs one for a utility.
#ifndef EMULATOR_BOARD_H
#define EMULATOR_BOARD_H

#include "emulator/BoardState.h"
#include "emulator/PacketLog.h"
#include "emulator/Scenario.h"

#include <memory>
#include <string>
#include <vector>

namespace emulator {

class Board {
public:
    Board();
    ~Board();  // stops the board
    Board(const Board&) = delete;
    Board& operator=(const Board&) = delete;

    // Listens on <deviceDir>/<device name of the personality> and starts
    // serving with an empty log; false with the reason when it cannot.
    bool Start(const BoardSetup& setup, const std::string& deviceDir, std::string* error);
    // Stops serving, closes every connection and removes the socket file.
    void Stop();

    const std::string& SocketPath() const;
    PacketLog& Log();
    std::vector<LogEntry> LogEntries() const;
    BoardState State() const;

private:
    class Server;
    std::unique_ptr<Server> server_;
    std::string socketPath_;
    PacketLog log_;
};

}  // namespace emulator

#endif
