#include "support/DeviceBoard.h"

#include "emulator/WirePacket.h"
#include "link/ORBA_Support.h"
#include "support/ReceivedPackets.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace testboard {

namespace {

// The device's error for a write that did not go out.
const unsigned long ERROR_GEN_FAILURE = 31;

std::vector<uint8_t> ControlPayload(const fakeboard::Sent& sent)
{
    std::vector<uint8_t> payload;
    for (int shift = 0; shift < 32; shift += 8)
        payload.push_back(static_cast<uint8_t>(sent.controlCode >> shift));
    payload.insert(payload.end(), sent.bytes.begin(), sent.bytes.end());
    return payload;
}

void Answer(emulator::BoardLogic& logic, const fakeboard::Sent& sent)
{
    const std::vector<emulator::Outbound> replies =
        sent.control ? logic.ControlRequest(ControlPayload(sent)) : logic.StreamWrite(sent.bytes);
    for (const emulator::Outbound& reply : replies) {
        // The in-memory device has no clock of its own: a delay would come
        // at once and quietly test nothing. Delays need the socket board.
        if (reply.delayMs > 0) ADD_FAILURE() << "the in-memory board cannot delay a reply";
        if (reply.kind == emulator::Outbound::CloseReader)
            fakeboard::CloseBoard();
        else
            fakeboard::QueueRead(reply.bytes);
    }
}

}  // namespace

bool IsModuleRequest(const fakeboard::Sent& sent, const std::string& request)
{
    if (sent.control) return false;
    const emulator::DecodedPacket decoded = emulator::DecodeWirePacket(sent.bytes);
    const std::vector<uint8_t>& data = decoded.packet.data;
    return decoded.packet.da == ORBA_PORT_MODULE && decoded.packet.dc == ORBA_DC_DATA &&
           data.size() >= request.size() && std::equal(request.begin(), request.end(), data.begin());
}

bool DeviceBoard::Install(const std::string& kind)
{
    emulator::BoardSetup setup;
    if (!lines_.Build(kind, &setup)) return false;
    log_->Clear();
    logic_ = std::make_shared<emulator::BoardLogic>(setup, *log_);
    fakeboard::Install();
    fakeboard::SetResponder(Answering());
    return true;
}

std::function<void(const fakeboard::Sent&)> DeviceBoard::Answering() const
{
    // The logic keeps a reference to the log: both live as long as the responder.
    const std::shared_ptr<emulator::PacketLog> log = log_;
    const std::shared_ptr<emulator::BoardLogic> logic = logic_;
    return [log, logic](const fakeboard::Sent& sent) { Answer(*logic, sent); };
}

void DeviceBoard::FailWritesOf(const std::string& request)
{
    fakeboard::FailWritesOf(
        [request](const fakeboard::Sent& sent) { return IsModuleRequest(sent, request); },
        ERROR_GEN_FAILURE);
}

std::vector<std::string> DeviceBoard::Received() const { return ReceivedPackets(log_->Entries()); }

std::vector<std::string> DeviceBoard::ReceivedAfterOpen() const
{
    const std::vector<std::string> all = Received();
    const auto open = std::find(all.begin(), all.end(), "6/2");
    if (open == all.end()) return {};
    return std::vector<std::string>(open + 1, all.end());
}

}  // namespace testboard
