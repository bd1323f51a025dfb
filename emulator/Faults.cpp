#include "emulator/Faults.h"

#include <cerrno>
#include <cstdlib>

namespace emulator {

namespace {

struct FaultName {
    const char* name;
    ReplyFaultKind kind;
    bool takesArgument;
};

const FaultName faultNames[] = {
    {"bad-checksum", ReplyFaultKind::BadChecksum, false},
    {"bad-da", ReplyFaultKind::BadDa, true},
    {"bad-dc", ReplyFaultKind::BadDc, true},
    {"wrong-length", ReplyFaultKind::WrongLength, true},
    {"oversize", ReplyFaultKind::Oversize, true},
    {"empty", ReplyFaultKind::Empty, false},
    {"unrelated", ReplyFaultKind::Unrelated, true},
    {"delay", ReplyFaultKind::Delay, true},
    {"no-reply", ReplyFaultKind::NoReply, false},
    {"close", ReplyFaultKind::CloseReader, false},
};

// A whole non-negative decimal (or 0x hexadecimal) number.
bool ParseCount(const std::string& text, long* value)
{
    if (text.empty() || text[0] == '-' || text[0] == '+') return false;
    char* end = nullptr;
    errno = 0;
    long parsed = std::strtol(text.c_str(), &end, 0);
    if (errno != 0 || *end != '\0') return false;
    *value = parsed;
    return true;
}

// Splits "name:argument" at the first colon.
void SplitArgument(const std::string& text, std::string* name, std::string* argument, bool* has)
{
    size_t colon = text.find(':');
    *has = colon != std::string::npos;
    *name = text.substr(0, colon);
    *argument = *has ? text.substr(colon + 1) : std::string();
}

bool ArgumentInRange(ReplyFaultKind kind, long value)
{
    switch (kind) {
    case ReplyFaultKind::BadDa:
    case ReplyFaultKind::BadDc: return value <= 255;
    case ReplyFaultKind::WrongLength: return value <= 4096;
    case ReplyFaultKind::Oversize: return value > 64 && value <= 4096;
    case ReplyFaultKind::Unrelated: return value <= 1000;
    case ReplyFaultKind::Delay: return value <= 3600000;
    default: return true;
    }
}

long ArgumentOr(const ReplyFault& fault, long fallback)
{
    return fault.argument >= 0 ? fault.argument : fallback;
}

// A well-formed data packet that answers nothing anybody asked.
std::vector<uint8_t> UnrelatedPacket()
{
    WirePacket packet;
    packet.da = 6;
    packet.dc = 6;
    packet.data = {'u', 'n'};
    return EncodeWirePacket(packet);
}

// Spoils one encoded reply packet as the plan says.
std::vector<uint8_t> SpoilPacket(const ReplyPlan& plan, std::vector<uint8_t> wire)
{
    for (const ReplyFault& fault : plan.faults) {
        if (fault.kind == ReplyFaultKind::BadDa) wire[0] = static_cast<uint8_t>(ArgumentOr(fault, 0));
        if (fault.kind == ReplyFaultKind::BadDc) wire[1] = static_cast<uint8_t>(ArgumentOr(fault, 1));
    }
    wire.back() = WireChecksum(wire.data(), wire.size() - 1);
    for (const ReplyFault& fault : plan.faults) {
        // A reply an earlier rule cut to nothing has no checksum to spoil.
        if (fault.kind == ReplyFaultKind::BadChecksum && !wire.empty()) ++wire.back();
        if (fault.kind == ReplyFaultKind::WrongLength)
            wire.resize(static_cast<size_t>(ArgumentOr(fault, static_cast<long>(wire.size()) + 1)));
        if (fault.kind == ReplyFaultKind::Oversize)
            wire.resize(static_cast<size_t>(ArgumentOr(fault, 70)));
        if (fault.kind == ReplyFaultKind::Empty) wire.clear();
    }
    return wire;
}

bool Has(const ReplyPlan& plan, ReplyFaultKind kind)
{
    for (const ReplyFault& fault : plan.faults)
        if (fault.kind == kind) return true;
    return false;
}

}  // namespace

bool ParseOpenFault(const std::string& text, OpenFault* fault, std::string* error)
{
    std::string name;
    std::string argument;
    bool hasArgument = false;
    SplitArgument(text, &name, &argument, &hasArgument);
    // cppcheck-suppress knownConditionTrueFalse ; SplitArgument has just set name
    if (name == "refuse") {
        fault->kind = OpenFaultKind::Refuse;
        fault->code = 5;
        long code = 0;
        if (hasArgument) {
            if (!ParseCount(argument, &code) || code == 0 || code > 0xFFFFFFFFL) {
                *error = "the code of 'refuse' must be a number from 1 to 4294967295";
                return false;
            }
            fault->code = static_cast<uint32_t>(code);
        }
        return true;
    }
    if (!hasArgument && name == "hang-up") {
        fault->kind = OpenFaultKind::HangUp;
        return true;
    }
    if (!hasArgument && name == "no-answer") {
        fault->kind = OpenFaultKind::NoAnswer;
        return true;
    }
    *error = "an open fault is refuse[:code], hang-up or no-answer, not '" + text + "'";
    return false;
}

bool ParseFaultRule(const std::string& selector, const std::string& value, FaultRule* rule,
                    std::string* error)
{
    if (selector.empty() || (selector.size() > 2 && selector != "any" && selector != "next")) {
        *error = "a fault selector is a request such as Z2, 'any' or 'next', not '" + selector + "'";
        return false;
    }
    std::string text = value;
    rule->selector = selector == "next" ? "any" : selector;
    rule->remaining = selector == "next" ? 1 : -1;
    size_t star = text.find('*');
    if (star != std::string::npos) {
        long count = 0;
        if (!ParseCount(text.substr(star + 1), &count) || count == 0) {
            *error = "the count after '*' must be a number of at least 1";
            return false;
        }
        rule->remaining = count;
        text.erase(star);
    }
    std::string name;
    std::string argument;
    bool hasArgument = false;
    SplitArgument(text, &name, &argument, &hasArgument);
    for (const FaultName& entry : faultNames) {
        if (name != entry.name) continue;
        rule->fault.kind = entry.kind;
        rule->fault.argument = -1;
        if (!hasArgument) return true;
        long parsed = 0;
        if (!entry.takesArgument) {
            *error = "the fault '" + name + "' takes no argument";
            return false;
        }
        if (!ParseCount(argument, &parsed) || !ArgumentInRange(entry.kind, parsed)) {
            *error = "the argument of '" + name + "' is out of range: ";
            *error += "'" + argument + "'";
            return false;
        }
        rule->fault.argument = parsed;
        return true;
    }
    *error = "unknown fault '" + name + "'";
    return false;
}

const char* ReplyFaultName(ReplyFaultKind kind)
{
    for (const FaultName& entry : faultNames)
        if (entry.kind == kind) return entry.name;
    return "?";
}

std::string ReplyPlan::Notes() const
{
    std::string notes;
    for (const ReplyFault& fault : faults) {
        if (!notes.empty()) notes += ",";
        notes += ReplyFaultName(fault.kind);
        if (fault.argument >= 0) notes += ":" + std::to_string(fault.argument);
    }
    return notes;
}

ReplyPlan TakeReplyPlan(std::vector<FaultRule>& rules, const std::string& requestKey)
{
    ReplyPlan plan;
    for (FaultRule& rule : rules) {
        if (rule.remaining == 0) continue;
        if (rule.selector != "any" && rule.selector != requestKey) continue;
        plan.faults.push_back(rule.fault);
        if (rule.remaining > 0) --rule.remaining;
    }
    return plan;
}

std::vector<Outbound> ShapeReply(const ReplyPlan& plan, const std::vector<WirePacket>& replies)
{
    std::vector<Outbound> out;
    if (replies.empty() || Has(plan, ReplyFaultKind::NoReply)) return out;
    if (plan.faults.empty()) {
        for (const WirePacket& reply : replies)
            out.push_back({Outbound::Message, EncodeWirePacket(reply), 0, ""});
        return out;
    }
    long delay = 0;
    long unrelated = 0;
    for (const ReplyFault& fault : plan.faults) {
        if (fault.kind == ReplyFaultKind::Delay) delay += ArgumentOr(fault, 2000);
        if (fault.kind == ReplyFaultKind::Unrelated) unrelated += ArgumentOr(fault, 1);
    }
    const std::string notes = "fault=" + plan.Notes();
    for (long i = 0; i < unrelated; ++i)
        out.push_back({Outbound::Message, UnrelatedPacket(), delay, "unrelated"});
    if (Has(plan, ReplyFaultKind::CloseReader)) {
        out.push_back({Outbound::CloseReader, {}, delay, notes});
        return out;
    }
    for (const WirePacket& reply : replies)
        out.push_back({Outbound::Message, SpoilPacket(plan, EncodeWirePacket(reply)), delay, notes});
    return out;
}

}  // namespace emulator
