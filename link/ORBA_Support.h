// The packet record every command builds, its 64-byte wire form for the USB
// board, and the board's port and device-command numbers.
#ifndef LINK_ORBA_SUPPORT_H
#define LINK_ORBA_SUPPORT_H

#include <cstdint>

// Board ports (DA).
enum {
    ORBA_PORT_SYSTEM_PORT = 0,
    ORBA_PORT_SCANNER_SCALE = 1,
    ORBA_PORT_CAROUSEL_EBOX = 4,
    ORBA_PORT_SERIAL_5 = 5,
    ORBA_PORT_MODULE = 6,
};

// Device commands (DC).
enum {
    ORBA_DC_INIT_PORT = 1,
    ORBA_DC_OPEN_PORT = 2,
    ORBA_DC_CLOSE_PORT = 3,
    ORBA_DC_DATA = 6,
    ORBA_DC_READY_COMPLETE = 11,
    ORBA_DC_RESET_BUTTON = 13,
    ORBA_DC_POWER_COMMAND = 14,
    ORBA_DC_COMM_ERROR = 15,
    ORBA_DC_SYSTEM_LOOPBACK = 160,
    ORBA_DC_RESET_USB_BUFFERS = 242,
};

enum {
    MODULE_PACKET_SIZE = 255,
    MODULE_PACKET_DATA_SIZE = 252,
    USB_PACKET_SIZE = 64,
    USB_PACKET_MAX_DL = 60,
};

// In-memory packet: zero past DL, no checksum.
struct ModulePacket {
    uint8_t DA;
    uint8_t DC;
    uint8_t DL;
    uint8_t data[MODULE_PACKET_DATA_SIZE];
};
static_assert(sizeof(ModulePacket) == MODULE_PACKET_SIZE, "ModulePacket is 255 bytes");

// Wire form: DA, DC, DL, DL data bytes, the checksum, zeros to 64 bytes.
struct UsbPacketBuffer {
    uint8_t bytes[USB_PACKET_SIZE];
};

// Exit status of a record too long for the USB wire. It is an internal
// failure, so it must not look like success to a calling script.
enum { EXIT_PACKET_TOO_LARGE = 97 };

// Stores the checksum after the data; returns DL + 4, the bytes to send.
int SetPacketChecksum(UsbPacketBuffer* buffer);
// False for DL above 60; else whether the checksum byte matches.
bool VerifyPacketChecksum(const UsbPacketBuffer* buffer);
// Ends the process when DL is above 60.
void CopyPacketToUsbBuffer(UsbPacketBuffer* buffer, const ModulePacket* packet);
void CopyUsbBufferToPacket(const UsbPacketBuffer* buffer, ModulePacket* packet);

#endif
