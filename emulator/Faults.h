// Faults a scenario asks for: how the board answers an open, and how it
// spoils, holds back or replaces its replies.
#ifndef EMULATOR_FAULTS_H
#define EMULATOR_FAULTS_H

#include "emulator/WirePacket.h"

#include <cstdint>
#include <string>
#include <vector>

namespace emulator {

// ------------------------------------------------------------------ opens

enum class OpenFaultKind { Refuse, HangUp, NoAnswer };

struct OpenFault {
    OpenFaultKind kind = OpenFaultKind::Refuse;
    uint32_t code = 5;  // Refuse: the system error code sent back
};

// "refuse[:code]", "hang-up" or "no-answer"; false with a reason otherwise.
bool ParseOpenFault(const std::string& text, OpenFault* fault, std::string* error);

// ---------------------------------------------------------------- replies

enum class ReplyFaultKind {
    BadChecksum,  // checksum byte off by one
    BadDa,        // DA replaced (argument; 0 by default), checksum kept right
    BadDc,        // DC replaced (argument; 1 by default), checksum kept right
    WrongLength,  // read of this many bytes (default DL + 5), cut or zero-padded
    Oversize,     // read longer than 64 bytes (argument; 70 by default)
    Empty,        // an empty read in place of each reply packet
    Unrelated,    // this many unrelated packets first (1 by default)
    Delay,        // the reply waits this many milliseconds (2000 by default)
    NoReply,      // nothing is sent
    CloseReader,  // the read connection is closed instead of replying
};

struct ReplyFault {
    ReplyFaultKind kind = ReplyFaultKind::NoReply;
    long argument = -1;  // -1: the kind's default
};

// One scenario line "fault.<selector>=<fault>[:<argument>][*<count>]".
struct FaultRule {
    std::string selector;  // a request key ("Z2"), or "any"
    ReplyFault fault;
    long remaining = -1;  // replies still to spoil; -1 for all of them
};

// Parses the selector and value of a fault line ("next" is "any" once).
bool ParseFaultRule(const std::string& selector, const std::string& value, FaultRule* rule,
                    std::string* error);
const char* ReplyFaultName(ReplyFaultKind kind);

// What becomes of one reply once every matching rule has had its say.
struct ReplyPlan {
    std::vector<ReplyFault> faults;  // in rule order
    std::string Notes() const;       // "bad-checksum,delay:300"
};

// Collects the rules that match the request key and uses up one of each
// rule's count.
ReplyPlan TakeReplyPlan(std::vector<FaultRule>& rules, const std::string& requestKey);

// What the board puts on the read connection.
struct Outbound {
    enum Kind { Message, CloseReader } kind = Message;
    std::vector<uint8_t> bytes;  // Message: the read's bytes (after the tag)
    long delayMs = 0;
    std::string note;  // the faults behind it, for the log
};

// The reply packets shaped by the plan.
std::vector<Outbound> ShapeReply(const ReplyPlan& plan, const std::vector<WirePacket>& replies);

}  // namespace emulator

#endif
