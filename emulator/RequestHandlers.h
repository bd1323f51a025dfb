// How a board answers. A request is a data packet (DC 6); on the module port
// it is looked up by its first two data bytes (the command letter and the
// sub-command), on the other ports by the port; a system-port packet (sent
// by device control) is looked up by its DC. Each command family adds
// its handlers in a file of its own under handlers/ and is named in
// Personality.cpp for the boards that have it.
#ifndef EMULATOR_REQUESTHANDLERS_H
#define EMULATOR_REQUESTHANDLERS_H

#include "emulator/BoardState.h"
#include "emulator/WirePacket.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace emulator {

struct Request {
    uint8_t port = 0;
    uint8_t dc = 6;
    std::vector<uint8_t> data;
};

// The packets a handler sends back, in order.
class Replies {
public:
    explicit Replies(uint8_t port) : port_(port) {}
    // A data packet on the request's port.
    void Send(const std::vector<uint8_t>& data);
    // "z2" style: the lower-case letter and the sub-command, then the values.
    void SendEcho(const Request& request, const std::string& values);
    void SendPacket(const WirePacket& packet) { packets_.push_back(packet); }
    const std::vector<WirePacket>& Packets() const { return packets_; }

private:
    uint8_t port_;
    std::vector<WirePacket> packets_;
};

typedef void (*RequestHandler)(BoardState& state, const Request& request, Replies& replies);

// Packets a family sends unasked once one of its requests has started them
// (the scale's readings). `next` gives the data of the packet due now and
// how many microseconds after it the next one is due, or false when there is
// nothing to send; `stop` ends the stream because the utility has gone.
struct StreamSource {
    uint8_t port = 6;
    bool (*next)(BoardState& state, std::vector<uint8_t>* data, long* nextGapUs) = nullptr;
    void (*stop)(BoardState& state) = nullptr;
};

// Scenario keys a family adds ("scale.rate"), looked up by the part up to
// and including the first dot; false with a reason for a bad key or value.
typedef bool (*ScenarioKeyHandler)(BoardState& state, const std::string& key, const std::string& value,
                                   std::string* reason);

struct HandlerTable {
    std::map<std::string, RequestHandler> moduleRequests;  // key: the first two data bytes
    std::map<int, RequestHandler> portRequests;            // data on ports other than 6
    std::map<int, RequestHandler> systemRequests;          // device control packets, by DC
    std::vector<StreamSource> streams;
    std::map<std::string, ScenarioKeyHandler> scenarioKeys;  // key: "scale."
};

// The key of a module-port request: its first two data bytes ("Z2").
std::string RequestKey(const std::vector<uint8_t>& data);

// The command families (one file each under handlers/).
void AddIdentityHandlers(HandlerTable& table);
void AddLightsHandlers(HandlerTable& table);
void AddEasLaneLightHandlers(HandlerTable& table);
void AddEBoxHandlers(HandlerTable& table);
void AddScaleHandlers(HandlerTable& table);
void AddUploadHandlers(HandlerTable& table);
void AddSettingsHandlers(HandlerTable& table);
void AddPowerRelayHandlers(HandlerTable& table);
void AddCuFlatpackHandlers(HandlerTable& table);
void AddServiceHandlers(HandlerTable& table);
void AddSensormaticHandlers(HandlerTable& table);
void AddCouponBoxHandlers(HandlerTable& table);
void AddConveyorHandlers(HandlerTable& table);

}  // namespace emulator

#endif
