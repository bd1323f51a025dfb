#include "emulator/BoardLogic.h"

namespace emulator {

namespace {

const uint8_t DC_INIT_PORT = 1;
const uint8_t DC_OPEN_PORT = 2;
const uint8_t DC_CLOSE_PORT = 3;
const uint8_t DC_DATA = 6;
const uint8_t MODULE_PORT = 6;

void AddNote(LogEntry* entry, const std::string& note)
{
    if (!entry->note.empty()) entry->note += " ";
    entry->note += note;
}

}  // namespace

BoardLogic::BoardLogic(const BoardSetup& setup, PacketLog& log) : setup_(setup), log_(log) {}

OpenAnswer BoardLogic::Open(const std::vector<uint8_t>& request)
{
    std::lock_guard<std::mutex> lock(mutex_);
    const unsigned number = ++opens_;
    LogEntry entry;
    entry.kind = LogKind::Open;
    OpenAnswer answer;
    if (request.size() != 1 || (request[0] != 'R' && request[0] != 'W')) {
        entry.wire = request;
        entry.note = "#" + std::to_string(number) +
                     " refused code=" + std::to_string(INVALID_PARAMETER_CODE) +
                     " (not an open request)";
        log_.Add(entry);
        answer.kind = OpenAnswer::Refused;
        answer.code = INVALID_PARAMETER_CODE;
        return answer;
    }
    entry.tag = static_cast<char>(request[0]);
    answer.forReading = request[0] == 'R';
    entry.note = "#" + std::to_string(number) + " ";
    auto fault = setup_.openFaults.find(number);
    if (fault == setup_.openFaults.end()) {
        entry.note += "opened";
    } else if (fault->second.kind == OpenFaultKind::Refuse) {
        answer.kind = OpenAnswer::Refused;
        answer.code = fault->second.code;
        entry.note += "refused code=" + std::to_string(answer.code);
    } else if (fault->second.kind == OpenFaultKind::HangUp) {
        answer.kind = OpenAnswer::HangUp;
        entry.note += "hang-up";
    } else {
        answer.kind = OpenAnswer::NoAnswer;
        entry.note += "no-answer";
    }
    log_.Add(entry);
    return answer;
}

std::vector<Outbound> BoardLogic::StreamWrite(const std::vector<uint8_t>& bytes)
{
    std::lock_guard<std::mutex> lock(mutex_);
    LogEntry entry;
    entry.kind = LogKind::ToBoard;
    entry.tag = 'D';
    entry.wire = bytes;
    std::vector<Outbound> out;
    DecodedPacket decoded = DecodeWirePacket(bytes);
    if (!decoded.complete) {
        AddNote(&entry, "malformed");
    } else if (!decoded.checksumOk) {
        AddNote(&entry, "dropped:bad-checksum");
    } else if (decoded.packet.da == 0 || decoded.packet.da >= BOARD_PORT_COUNT) {
        AddNote(&entry, "dropped:no-such-port");
    } else if (decoded.packet.dc == DC_DATA) {
        out = DataRequest(decoded.packet, &entry);
    } else if (decoded.packet.dc >= DC_INIT_PORT && decoded.packet.dc <= DC_CLOSE_PORT) {
        PortControl(decoded.packet, &entry);
    } else {
        AddNote(&entry, "ignored:dc");
    }
    log_.Add(entry);
    return out;
}

std::vector<Outbound> BoardLogic::ControlRequest(const std::vector<uint8_t>& payload)
{
    std::lock_guard<std::mutex> lock(mutex_);
    LogEntry entry;
    std::vector<Outbound> out;
    if (payload.size() < 4) {
        entry.kind = LogKind::Unexpected;
        entry.tag = 'C';
        entry.wire = payload;
        entry.note = "no control code";
        log_.Add(entry);
        return out;
    }
    entry.kind = LogKind::ToBoard;
    entry.tag = 'C';
    entry.controlCode = static_cast<uint32_t>(payload[0]) | static_cast<uint32_t>(payload[1]) << 8 |
                        static_cast<uint32_t>(payload[2]) << 16 |
                        static_cast<uint32_t>(payload[3]) << 24;
    entry.wire.assign(payload.begin() + 4, payload.end());
    DecodedPacket decoded = DecodeWirePacket(entry.wire);
    if (entry.controlCode != SYSTEM_PORT_WRITE_CODE) {
        AddNote(&entry, "ignored:unknown-code");
    } else if (!decoded.complete) {
        AddNote(&entry, "malformed");
    } else if (!decoded.checksumOk) {
        AddNote(&entry, "dropped:bad-checksum");
    } else if (decoded.packet.da != 0) {
        AddNote(&entry, "dropped:not-system-port");
    } else {
        auto handler = setup_.personality->handlers.systemRequests.find(decoded.packet.dc);
        if (handler == setup_.personality->handlers.systemRequests.end()) {
            AddNote(&entry, "accepted");
        } else {
            Request request;
            request.port = 0;
            request.dc = decoded.packet.dc;
            request.data = decoded.packet.data;
            out = Answer(request, handler->second, &entry);
        }
    }
    log_.Add(entry);
    return out;
}

bool BoardLogic::NextStreamPacket(StreamPacket* packet)
{
    std::lock_guard<std::mutex> lock(mutex_);
    for (const StreamSource& stream : setup_.personality->handlers.streams) {
        WirePacket wire;
        wire.da = stream.port;
        wire.dc = DC_DATA;
        long gapUs = 0;
        if (!stream.next(setup_.state, &wire.data, &gapUs)) continue;
        packet->bytes = EncodeWirePacket(wire);
        packet->nextGapUs = gapUs;
        return true;
    }
    return false;
}

void BoardLogic::StopStreams()
{
    std::lock_guard<std::mutex> lock(mutex_);
    for (const StreamSource& stream : setup_.personality->handlers.streams) stream.stop(setup_.state);
}

BoardState BoardLogic::State() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return setup_.state;
}

std::vector<Outbound> BoardLogic::DataRequest(const WirePacket& packet, LogEntry* logged)
{
    Request request;
    request.port = packet.da;
    request.dc = packet.dc;
    request.data = packet.data;
    if (!setup_.state.ports[packet.da].open) AddNote(logged, "port-closed");

    const HandlerTable& handlers = setup_.personality->handlers;
    RequestHandler handler = nullptr;
    if (packet.da == MODULE_PORT) {
        const std::string key = RequestKey(packet.data);
        auto canned = setup_.cannedReplies.find(key);
        if (canned != setup_.cannedReplies.end()) {
            Replies replies(packet.da);
            replies.Send(canned->second);
            ReplyPlan plan = TakeReplyPlan(setup_.faultRules, key);
            AddNote(logged, "canned");
            if (!plan.faults.empty()) AddNote(logged, "faults=" + plan.Notes());
            return ShapeReply(plan, replies.Packets());
        }
        auto found = handlers.moduleRequests.find(key);
        if (found != handlers.moduleRequests.end()) handler = found->second;
    } else {
        auto found = handlers.portRequests.find(packet.da);
        if (found != handlers.portRequests.end()) handler = found->second;
    }
    if (handler == nullptr) {
        AddNote(logged, "unanswered");
        return {};
    }
    return Answer(request, handler, logged);
}

std::vector<Outbound> BoardLogic::Answer(const Request& request, const RequestHandler handler,
                                         LogEntry* logged)
{
    Replies replies(request.port);
    handler(setup_.state, request, replies);
    if (replies.Packets().empty()) return {};
    const std::string key = request.port == 0 ? std::string() : RequestKey(request.data);
    ReplyPlan plan = TakeReplyPlan(setup_.faultRules, key);
    if (!plan.faults.empty()) AddNote(logged, "faults=" + plan.Notes());
    return ShapeReply(plan, replies.Packets());
}

void BoardLogic::PortControl(const WirePacket& packet, LogEntry* logged)
{
    PortState& port = setup_.state.ports[packet.da];
    if (packet.dc == DC_INIT_PORT) {
        port.initialised = true;
        port.settings = packet.data;
        AddNote(logged, "port-init");
    } else if (packet.dc == DC_OPEN_PORT) {
        port.open = true;
        AddNote(logged, "port-open");
    } else {
        port.open = false;
        AddNote(logged, "port-close");
    }
}

}  // namespace emulator
