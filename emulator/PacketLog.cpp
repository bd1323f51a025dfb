#include "emulator/PacketLog.h"

#include "emulator/WirePacket.h"

#include <cstdio>

namespace emulator {

namespace {

std::string Hex(const std::vector<uint8_t>& bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (uint8_t byte : bytes) {
        text.push_back(digits[byte >> 4]);
        text.push_back(digits[byte & 15]);
    }
    return text;
}

// The data as text, unprintable bytes as '.', for a reader of the log.
std::string Printable(const std::vector<uint8_t>& bytes)
{
    std::string text;
    for (uint8_t byte : bytes)
        text.push_back(byte >= 0x20 && byte < 0x7F && byte != '"' ? static_cast<char>(byte) : '.');
    return text;
}

std::string PacketFields(const std::vector<uint8_t>& wire)
{
    DecodedPacket decoded = DecodeWirePacket(wire);
    if (!decoded.hasHeader) return "LEN=" + std::to_string(wire.size()) + " BYTES=" + Hex(wire);
    std::string text = "DA=" + std::to_string(decoded.packet.da) +
                       " DC=" + std::to_string(decoded.packet.dc) + " DL=" + std::to_string(decoded.dl) +
                       " DATA=" + Hex(decoded.packet.data);
    if (!decoded.complete)
        text += " SUM=none";
    else
        text += decoded.checksumOk ? " SUM=ok" : " SUM=bad";
    if (wire.size() != static_cast<size_t>(decoded.dl) + 4)
        text += " LEN=" + std::to_string(wire.size());
    text += " TEXT=\"" + Printable(decoded.packet.data) + "\"";
    return text;
}

const char* KindWord(LogKind kind)
{
    switch (kind) {
    case LogKind::Open: return "open";
    case LogKind::ToBoard: return "in";
    case LogKind::FromBoard: return "out";
    case LogKind::Dropped: return "drop";
    case LogKind::Closed: return "close";
    case LogKind::HungUp: return "hang-up";
    case LogKind::Unexpected: return "unexpected";
    }
    return "?";
}

}  // namespace

std::string FormatLogEntry(const LogEntry& entry)
{
    std::string line = std::to_string(entry.sequence) + " " + KindWord(entry.kind);
    if (entry.tag != 0) line += std::string(" ") + entry.tag;
    if (entry.tag == 'C') {
        char code[16];
        std::snprintf(code, sizeof code, " CODE=%08X", static_cast<unsigned>(entry.controlCode));
        line += code;
    }
    switch (entry.kind) {
    case LogKind::ToBoard:
    case LogKind::FromBoard:
    case LogKind::Dropped:
        line += " " + (entry.wire.empty() ? std::string("LEN=0") : PacketFields(entry.wire));
        break;
    case LogKind::Unexpected:
        line += " LEN=" + std::to_string(entry.wire.size()) + " BYTES=" + Hex(entry.wire);
        break;
    default: break;
    }
    if (!entry.note.empty()) line += " " + entry.note;
    return line;
}

PacketLog::~PacketLog()
{
    if (file_ != nullptr) std::fclose(file_);
}

bool PacketLog::WriteTo(const std::string& path)
{
    FILE* file = std::fopen(path.c_str(), "w");
    if (file == nullptr) return false;
    std::lock_guard<std::mutex> lock(mutex_);
    if (file_ != nullptr) std::fclose(file_);
    file_ = file;
    return true;
}

void PacketLog::EchoTo(FILE* stream)
{
    std::lock_guard<std::mutex> lock(mutex_);
    echo_ = stream;
}

void PacketLog::Clear()
{
    std::lock_guard<std::mutex> lock(mutex_);
    entries_.clear();
}

void PacketLog::Add(LogEntry entry)
{
    std::lock_guard<std::mutex> lock(mutex_);
    entry.sequence = static_cast<unsigned>(entries_.size()) + 1;
    entry.at = std::chrono::steady_clock::now();
    if (file_ != nullptr || echo_ != nullptr) {
        std::string line = FormatLogEntry(entry);
        // Flushed line by line so that a test can read the file while the
        // board is still running.
        if (file_ != nullptr) {
            std::fprintf(file_, "%s\n", line.c_str());
            std::fflush(file_);
        }
        if (echo_ != nullptr) std::fprintf(echo_, "board: %s\n", line.c_str());
    }
    entries_.push_back(std::move(entry));
}

std::vector<LogEntry> PacketLog::Entries() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return entries_;
}

}  // namespace emulator
