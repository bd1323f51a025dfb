// The USB transport: the board's kernel driver, opened four times by name.
#ifndef LINK_USB_STANDALONE_H
#define LINK_USB_STANDALONE_H

#include "link/ORBA_Support.h"

#include <atomic>

// Device control code of a system-port packet.
const unsigned long IOCTL_USB_SYSTEM_PORT_WRITE = 0x0022AB86;

// Opens the four handles; 0, 111, 132, 149, 170 or 187.
int USB_OpenSecurityModule();
// Marks the transport closed; 0 or 207.
int USB_CloseSecurityModule();
// 0 while open, else 92.
int USB_DriverInitialized();
// Sends one record; 0, 324, 357, 388, 397 or 409.
int USB_WritePacketToSecurityModule(const ModulePacket* packet);
// Ports 1 to 6: the stream write.
int USB_ForwardPacketToSecurityModule(const UsbPacketBuffer* buffer, int length);
// Reader thread only: waits for and checks one packet; 0, 742, 759, 764,
// 774, 802 or 795. *size is what was delivered.
int USB_ReadPacketFromSecurityModule(ModulePacket* packet, int* size);

// Shared with the reader thread, written by the main thread only.
extern std::atomic<bool> driverOpen;
extern std::atomic<bool> linkClosing;

#endif
