// The board's record of everything that crossed its socket, in order: opens,
// every packet written to it (stream writes and device control requests),
// every read it delivered, and the faults behind them. Kept in memory and,
// when asked, appended line by line to a file.
#ifndef EMULATOR_PACKETLOG_H
#define EMULATOR_PACKETLOG_H

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

namespace emulator {

enum class LogKind {
    Open,        // an open request and the board's answer
    ToBoard,     // a stream write ('D') or a device control request ('C')
    FromBoard,   // a read delivered ('P')
    Dropped,     // a read that found no read connection
    Closed,      // the board closed the read connection
    HungUp,      // the utility closed a connection
    Unexpected,  // a message the contract does not know
};

struct LogEntry {
    unsigned sequence = 0;
    LogKind kind = LogKind::ToBoard;
    char tag = 0;               // 'D', 'C', 'P'; 'R' or 'W' for opens and hang-ups
    uint32_t controlCode = 0;   // 'C' only
    std::vector<uint8_t> wire;  // the packet bytes (after the tag and code)
    std::string note;           // open answer, faults, why a packet was not used
    // When the board logged it: for a packet received, its arrival.
    std::chrono::steady_clock::time_point at;
};

// One line of the log file (without the line end).
std::string FormatLogEntry(const LogEntry& entry);

class PacketLog {
public:
    PacketLog() = default;
    ~PacketLog();
    PacketLog(const PacketLog&) = delete;
    PacketLog& operator=(const PacketLog&) = delete;

    // Appends every later entry to the file (created or emptied); false when
    // it cannot be opened.
    bool WriteTo(const std::string& path);
    // Every later entry is also printed here (nullptr: nowhere).
    void EchoTo(FILE* stream);

    // Forgets every entry (a new board starts a new log).
    void Clear();
    void Add(LogEntry entry);
    std::vector<LogEntry> Entries() const;

private:
    mutable std::mutex mutex_;
    std::vector<LogEntry> entries_;
    FILE* file_ = nullptr;
    FILE* echo_ = nullptr;
};

}  // namespace emulator

#endif
