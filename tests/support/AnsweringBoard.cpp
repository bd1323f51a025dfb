#include "support/AnsweringBoard.h"

#include "link/ORBA_Support.h"
#include "platform/Platform.h"
#include "support/FakeBoardDevice.h"

#include <mutex>

namespace answering {

namespace {

struct Rule {
    std::string request;
    bool misbehaves = false;
    Misbehaviour how = Misbehaviour::Silent;
    std::vector<std::string> replies;
};

std::mutex rulesMutex;
std::vector<Rule> rules;
const PlatDeviceOps* inner = nullptr;

const unsigned long ERROR_GEN_FAILURE = 31;

bool Matches(const std::string& pattern, const std::string& data)
{
    if (!pattern.empty() && pattern.back() == '*')
        return data.compare(0, pattern.size() - 1, pattern, 0, pattern.size() - 1) == 0;
    return pattern == data;
}

// The rule for a request; false when none matches.
bool FindRule(const std::string& data, Rule* found)
{
    std::lock_guard<std::mutex> lock(rulesMutex);
    for (const Rule& rule : rules)
        if (rule.misbehaves && Matches(rule.request, data)) {
            *found = rule;
            return true;
        }
    for (const Rule& rule : rules)
        if (!rule.misbehaves && Matches(rule.request, data)) {
            *found = rule;
            return true;
        }
    return false;
}

// A port-6 data packet's data from its wire form; false for anything else.
bool ModuleData(const fakeboard::Bytes& wire, std::string* data)
{
    if (wire.size() < 4 || wire[0] != ORBA_PORT_MODULE || wire[1] != ORBA_DC_DATA) return false;
    const size_t length = wire[2] < wire.size() - 3 ? wire[2] : wire.size() - 3;
    data->assign(wire.begin() + 3, wire.begin() + 3 + static_cast<long>(length));
    return true;
}

bool Write(PlatDevice device, const void* buffer, unsigned size, unsigned* written,
           unsigned long* errorCode)
{
    const uint8_t* bytes = static_cast<const uint8_t*>(buffer);
    std::string data;
    Rule rule;
    if (ModuleData(fakeboard::Bytes(bytes, bytes + size), &data) && FindRule(data, &rule) &&
        rule.misbehaves && rule.how == Misbehaviour::NotSent) {
        *errorCode = ERROR_GEN_FAILURE;
        return false;
    }
    return inner->write(device, buffer, size, written, errorCode);
}

PlatDeviceOps ops;

void Respond(const fakeboard::Sent& sent)
{
    std::string data;
    Rule rule;
    if (sent.control || !ModuleData(sent.bytes, &data) || !FindRule(data, &rule)) return;
    if (!rule.misbehaves) {
        for (const std::string& reply : rule.replies) fakeboard::QueueReply(reply);
        return;
    }
    if (rule.how == Misbehaviour::Flood)
        for (int i = 0; i < 100; ++i) fakeboard::QueueReply("un");
}

std::string Text(const fakeboard::Bytes& wire)
{
    std::string data;
    if (ModuleData(wire, &data)) return data;
    if (wire.size() >= 2 && wire[0] == ORBA_PORT_MODULE) {
        if (wire[1] == ORBA_DC_INIT_PORT) return "<init>";
        if (wire[1] == ORBA_DC_OPEN_PORT) return "<open>";
        if (wire[1] == ORBA_DC_CLOSE_PORT) return "<close>";
    }
    return "<other>";
}

}  // namespace

void Install()
{
    {
        std::lock_guard<std::mutex> lock(rulesMutex);
        rules.clear();
    }
    fakeboard::Install();
    inner = Plat_Device();
    ops = *inner;
    ops.write = Write;
    Plat_SetDevice(&ops);
    fakeboard::SetResponder(Respond);
}

void Answer(const std::string& request, const std::vector<std::string>& replies)
{
    std::lock_guard<std::mutex> lock(rulesMutex);
    for (Rule& rule : rules)
        if (!rule.misbehaves && rule.request == request) {
            rule.replies = replies;
            return;
        }
    Rule rule;
    rule.request = request;
    rule.replies = replies;
    rules.push_back(rule);
}

void AnswerLikeABoard(const std::string& version)
{
    Answer("Z2", {"z2" + version});
    Answer("Z4", {"z405A3C91"});
    Answer("ZC?", {"zC1"});
    Answer("ZC*", {"zC2"});
    Answer("R0", {"r01"});
    Answer("A5", {"a5\x14"});
    Answer("ZF?", {"zF1"});
    Answer("ZF*", {"zF0"});
    Answer("A7?", {"a7E"});
}

void Misbehave(const std::string& request, Misbehaviour how)
{
    std::lock_guard<std::mutex> lock(rulesMutex);
    Rule rule;
    rule.request = request;
    rule.misbehaves = true;
    rule.how = how;
    rules.push_back(rule);
}

std::vector<std::string> Written()
{
    std::vector<std::string> texts;
    for (const fakeboard::Sent& sent : fakeboard::SentPackets())
        if (!sent.control) texts.push_back(Text(sent.bytes));
    return texts;
}

std::vector<std::string> WrittenAfterOpen()
{
    const std::vector<std::string> all = Written();
    for (size_t i = 0; i < all.size(); ++i)
        if (all[i] == "<open>")
            return std::vector<std::string>(all.begin() + static_cast<long>(i) + 1, all.end());
    return {};
}

}  // namespace answering
