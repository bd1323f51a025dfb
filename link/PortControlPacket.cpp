// FormatAndSendDataToSecurityModule: builds the port-control packets (port
// settings, open, close) and the few data packets the link formats itself.
#include "link/securitymodule.h"

#include "config/PgmCnfg.h"
#include "trace/Trace.h"

#include <cstring>

namespace {

const int SHOWN_ERROR = TL_ERROR | TF_CONSOLE | TF_ALERT;

// Scanner-scale types of the lane configuration.
enum { NCR_7870 = 0, MAGELLAN = 1, MAGELLAN_DUAL_CABLE = 2, MAGELLAN_SCANNER_ONLY = 4 };

// The record holds a text with its terminating zero.
const size_t TEXT_LIMIT = MODULE_PACKET_DATA_SIZE - 1;

void SetPortSettings(ModulePacket* packet, uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3)
{
    packet->DL = 4;
    packet->data[0] = b0;
    packet->data[1] = b1;
    packet->data[2] = b2;
    packet->data[3] = b3;
}

uint8_t ScannerScaleSetting()
{
    switch (ProgramConfig.m_ScannerScaleType) {
    case MAGELLAN: return 2;
    case MAGELLAN_DUAL_CABLE:
    case MAGELLAN_SCANNER_ONLY: return 8;
    default: return 3;
    }
}

// Ports 1, 5 and 6 only; 0 or 531.
int FormatInitPort(ModulePacket* packet)
{
    switch (packet->DA) {
    case ORBA_PORT_SCANNER_SCALE: SetPortSettings(packet, ScannerScaleSetting(), 6, 1, 3); return 0;
    case ORBA_PORT_SERIAL_5: SetPortSettings(packet, 10, 5, 2, 1); return 0;
    case ORBA_PORT_MODULE: SetPortSettings(packet, 1, 6, 2, 1); return 0;
    default:
        TRACE(SHOWN_ERROR, MODULE_LINK,
              "ERROR: This Device Address not Supported for Packet ORBA_DC_INIT_PORT in "
              "WritePacketToSecurityModule( %u )",
              packet->DA);
        return 531;
    }
}

// The text and its terminating zero; a text the record cannot hold is refused
// rather than written past the record.
int FormatText(ModulePacket* packet, const char* text)
{
    if (text == nullptr) text = "";
    const size_t length = std::strlen(text);
    if (length > TEXT_LIMIT) {
        TRACE(SHOWN_ERROR, MODULE_LINK,
              "ERROR: Data Too Long for FormatAndSendDataToSecurityModule( %u )",
              static_cast<unsigned>(length));
        return 617;
    }
    packet->DL = static_cast<uint8_t>(length);
    std::memcpy(packet->data, text, length + 1);
    return 0;
}

int RefuseCommand(const char* name, int code)
{
    TRACE(SHOWN_ERROR, MODULE_LINK, "Invalid Command Sent to FormatAndSendDataToSecurityModule( %s )",
          name);
    return code;
}

int FormatPacket(ModulePacket* packet, const char* text)
{
    switch (packet->DC) {
    case ORBA_DC_INIT_PORT: return FormatInitPort(packet);
    case ORBA_DC_OPEN_PORT:
    case ORBA_DC_CLOSE_PORT: return 0;
    case ORBA_DC_DATA: return FormatText(packet, text);
    case ORBA_DC_SYSTEM_LOOPBACK: {
        const int result = FormatText(packet, text);
        if (result != 0) return result;
        if (packet->DA != ORBA_PORT_SYSTEM_PORT) {
            TRACE(SHOWN_ERROR, MODULE_LINK,
                  "Command ORBA_DC_SYSTEM_LOOPBACK only valid on Port: ORBA_PORT_SYSTEM_PORT");
            return 571;
        }
        return 0;
    }
    case ORBA_DC_RESET_USB_BUFFERS: return RefuseCommand("ORBA_DC_RESET_USB_BUFFERS", 578);
    case ORBA_DC_READY_COMPLETE: return RefuseCommand("ORBA_DC_READY_COMPLETE", 584);
    case ORBA_DC_RESET_BUTTON: return RefuseCommand("ORBA_DC_RESET_BUTTON", 590);
    case ORBA_DC_POWER_COMMAND: return RefuseCommand("ORBA_DC_POWER_COMMAND", 596);
    case ORBA_DC_COMM_ERROR: return RefuseCommand("ORBA_DC_COMM_ERROR", 602);
    default:
        TRACE(SHOWN_ERROR, MODULE_LINK,
              "ERROR: Invalid Device Command Sent to WritePacketToSecurityModule( %u )", packet->DC);
        return 613;
    }
}

}  // namespace

int FormatAndSendDataToSecurityModule(int DA, int DC, const char* text)
{
    AccessProgramConfig();
    ModulePacket packet;
    std::memset(&packet, 0, sizeof packet);
    packet.DA = static_cast<uint8_t>(DA);
    packet.DC = static_cast<uint8_t>(DC);
    const int refused = FormatPacket(&packet, text);
    if (refused != 0) return refused;
    const int result = WritePacketToSecurityModule(&packet);
    if (result != 0) {
        TRACE(SHOWN_ERROR, MODULE_LINK,
              "ERROR: During Call to ORBA_WritePacketToSecurityModule() Rtn: %d", result);
        return 623;
    }
    return 0;
}
