#include "link/ModuleRequest.h"

#include "link/securitymodule.h"
#include "platform/Platform.h"
#include "trace/Trace.h"

#include <cstring>

namespace {

const int SHOWN = TL_INFO | TF_CONSOLE;
const int SHOWN_ERROR = TL_ERROR | TF_CONSOLE | TF_ALERT;
char LowerCase(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool IsReply(const ReplyRule& rule, const ModulePacket& packet)
{
    if (rule.accepts != nullptr) return rule.accepts(packet);
    return packet.data[0] == rule.letter && packet.data[1] == rule.subCommand;
}

// Without a watcher the first empty wait ends the wait.
int AwaitPackets(const ReplyRule& rule, const ReadWatcher* watcher, ModulePacket* reply)
{
    for (int packets = 1;; ++packets) {
        if (rule.pauseMs > 0) Plat_Sleep(rule.pauseMs);
        const bool read = ReadPacketFromSecurityModule(reply, rule.waitCount);
        if (watcher != nullptr)
            watcher->onRead(*reply, !read, watcher->context);
        else if (!read)
            return EXCHANGE_NO_REPLY;
        if (packets >= MAX_PACKETS_PER_REPLY) return EXCHANGE_TOO_MANY;
        if (read && IsReply(rule, *reply)) return EXCHANGE_OK;
    }
}

// An all-zero record would go to the system port: a record that cannot be
// built is shown and never sent.
int RefuseUnbuiltPacket(uint8_t port, uint8_t deviceCommand, int count)
{
    TRACE(SHOWN_ERROR, MODULE_LINK, "ERROR: Packet Not Built for Port %u, Command %u, %d Bytes", port,
          deviceCommand, count);
    return PACKET_NOT_BUILT;
}

}  // namespace

bool BuildPacket(ModulePacket* packet, uint8_t port, uint8_t deviceCommand, const uint8_t* bytes,
                 int count)
{
    std::memset(packet, 0, sizeof *packet);
    if (count < 0 || count > MODULE_PACKET_DATA_SIZE || (count > 0 && bytes == nullptr)) return false;
    packet->DA = port;
    packet->DC = deviceCommand;
    packet->DL = static_cast<uint8_t>(count);
    if (count > 0) std::memcpy(packet->data, bytes, static_cast<size_t>(count));
    return true;
}

bool BuildModuleRequest(ModulePacket* packet, char letter, char subCommand, const uint8_t* arguments,
                        int argumentCount)
{
    // A request the record cannot hold is never built.
    if (argumentCount < 0 || argumentCount > MODULE_PACKET_DATA_SIZE - 2 ||
        (argumentCount > 0 && arguments == nullptr)) {
        std::memset(packet, 0, sizeof *packet);
        return false;
    }
    uint8_t bytes[MODULE_PACKET_DATA_SIZE];
    bytes[0] = static_cast<uint8_t>(letter);
    bytes[1] = static_cast<uint8_t>(subCommand);
    if (argumentCount > 0) std::memcpy(bytes + 2, arguments, static_cast<size_t>(argumentCount));
    return BuildPacket(packet, ORBA_PORT_MODULE, ORBA_DC_DATA, bytes, argumentCount + 2);
}

bool BuildModuleDataPacket(ModulePacket* packet, const uint8_t* bytes, int count)
{
    if (count < 0) count = 0;
    if (count > USB_PACKET_MAX_DL) count = USB_PACKET_MAX_DL;
    return BuildPacket(packet, ORBA_PORT_MODULE, ORBA_DC_DATA, bytes, count);
}

int SendPacket(uint8_t port, uint8_t deviceCommand, const uint8_t* bytes, int count)
{
    ModulePacket packet;
    if (!BuildPacket(&packet, port, deviceCommand, bytes, count))
        return RefuseUnbuiltPacket(port, deviceCommand, count);
    return WritePacketToSecurityModule(&packet);
}

int WriteModuleRequest(const char* text, int count)
{
    ModulePacket packet;
    if (!BuildModuleDataPacket(&packet, reinterpret_cast<const uint8_t*>(text), count))
        return RefuseUnbuiltPacket(ORBA_PORT_MODULE, ORBA_DC_DATA, count);
    return WritePacketToSecurityModule(&packet);
}

int SendModuleRequest(char letter, char subCommand, const uint8_t* arguments, int argumentCount)
{
    ModulePacket packet;
    if (!BuildModuleRequest(&packet, letter, subCommand, arguments, argumentCount))
        return EXCHANGE_SEND_FAILED;
    return WritePacketToSecurityModule(&packet) == 0 ? EXCHANGE_OK : EXCHANGE_SEND_FAILED;
}

ReplyRule EchoOf(char letter, char subCommand, int waitCount)
{
    return ReplyRule{static_cast<uint8_t>(LowerCase(letter)), static_cast<uint8_t>(subCommand), nullptr,
                     waitCount, 0};
}

int AwaitReply(const ReplyRule& rule, ModulePacket* reply) { return AwaitPackets(rule, nullptr, reply); }

int AwaitReplyThroughEmptyWaits(const ReplyRule& rule, const ReadWatcher& watcher, ModulePacket* reply)
{
    return AwaitPackets(rule, &watcher, reply);
}

int StandardExchange(char letter, char subCommand, const uint8_t* arguments, int argumentCount,
                     int waitCount, ModulePacket* reply)
{
    // The request goes out from the reply's record: a failed send leaves it
    // holding the request.
    if (!BuildModuleRequest(reply, letter, subCommand, arguments, argumentCount))
        return EXCHANGE_SEND_FAILED;
    if (WritePacketToSecurityModule(reply) != 0) return EXCHANGE_SEND_FAILED;
    return AwaitReply(EchoOf(letter, subCommand, waitCount), reply);
}

void ShowRequestFailure(int result, const RequestFailureTexts& texts)
{
    const char* text = nullptr;
    if (result == EXCHANGE_SEND_FAILED) text = texts.notSent;
    if (result == EXCHANGE_NO_REPLY) text = texts.noReply;
    if (result == EXCHANGE_TOO_MANY) text = texts.tooMany;
    if (text != nullptr) TRACE(SHOWN, MODULE_COMMANDS, "%s", text);
}

int ReportRequestFailure(int result, const RequestFailureTexts& texts, const RequestFailureCodes& codes)
{
    ShowRequestFailure(result, texts);
    switch (result) {
    case EXCHANGE_OK: return 0;
    case EXCHANGE_SEND_FAILED: return codes.notSent;
    case EXCHANGE_NO_REPLY: return codes.noReply;
    default: return codes.tooMany;
    }
}

int ShownExchange(char letter, char subCommand, const uint8_t* arguments, int argumentCount,
                  int waitCount, const RequestFailureTexts& texts, ModulePacket* reply)
{
    const int result = StandardExchange(letter, subCommand, arguments, argumentCount, waitCount, reply);
    ShowRequestFailure(result, texts);
    return result;
}

uint16_t ModuleDataWord(const ModulePacket* packet, int first)
{
    return static_cast<uint16_t>(packet->data[first] << 8 | packet->data[first + 1]);
}

uint32_t ModuleDataLong(const ModulePacket* packet, int first)
{
    return static_cast<uint32_t>(packet->data[first]) << 24 |
           static_cast<uint32_t>(packet->data[first + 1]) << 16 |
           static_cast<uint32_t>(packet->data[first + 2]) << 8 |
           static_cast<uint32_t>(packet->data[first + 3]);
}
