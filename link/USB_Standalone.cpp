// The USB transport: packets to and from the board through its kernel driver.
// The main thread opens, closes and writes; the reader thread alone reads.
#include "link/USB_Standalone.h"

#include "base/Variant.h"
#include "platform/Platform.h"
#include "trace/Trace.h"

#include <cstring>

std::atomic<bool> driverOpen{false};
std::atomic<bool> linkClosing{false};

namespace {

// The handles stay open until the process ends. They are atomics because
// a second open rewrites them while the reader thread may look at its own.
std::atomic<PlatDevice> hDevice_Write_SystemPortIo{PLAT_INVALID_DEVICE};
std::atomic<PlatDevice> hDevice_Read_SystemPortIo{PLAT_INVALID_DEVICE};
std::atomic<PlatDevice> hDevice_Write_SerialPortData{PLAT_INVALID_DEVICE};
std::atomic<PlatDevice> hDevice_Read_SerialPortData{PLAT_INVALID_DEVICE};

const int SHOWN_ERROR = TL_ERROR | TF_CONSOLE | TF_ALERT;
const unsigned CLOSED_READ_PAUSE_MS = 100;

struct HandleToOpen {
    std::atomic<PlatDevice>* handle;
    int access;
    int failureCode;
    const char* name;
};

// Opens one handle; 0, or the handle's failure code (already traced).
int OpenHandle(const HandleToOpen& entry)
{
    unsigned long errorCode = 0;
    PlatDevice device = Plat_Device()->open(g_Variant.deviceName, entry.access, &errorCode);
    if (device == PLAT_INVALID_DEVICE) {
        TRACE(SHOWN_ERROR, MODULE_LINK, "Error Opending Security Module ( %s ) RtnValue: 0x%0x )",
              entry.name, static_cast<unsigned>(errorCode));
        return entry.failureCode;
    }
    entry.handle->store(device);
    return 0;
}

int WriteSystemPortPacket(UsbPacketBuffer* buffer)
{
    int length = SetPacketChecksum(buffer);
    unsigned long errorCode = 0;
    if (!Plat_Device()->control(hDevice_Write_SystemPortIo.load(), IOCTL_USB_SYSTEM_PORT_WRITE,
                                buffer->bytes, static_cast<unsigned>(length), &errorCode)) {
        TRACE(SHOWN_ERROR, MODULE_LINK, "ERROR: DeviceIoControl returns %0x.",
              static_cast<unsigned>(errorCode));
        return 357;
    }
    return 0;
}

// Size, length, port and command checks of a received wire packet, in this
// order; 0 when it passes, else the code (already traced).
int CheckReceivedPacket(const UsbPacketBuffer& buffer, unsigned count)
{
    const unsigned da = buffer.bytes[0];
    const unsigned dc = buffer.bytes[1];
    const unsigned dl = buffer.bytes[2];
    if (count < 3 || count > USB_PACKET_SIZE) {
        TRACE(SHOWN_ERROR, MODULE_LINK,
              "Bad Packet Size Received from Security Module, Size = %d - (%d requested).",
              static_cast<int>(count), USB_PACKET_SIZE);
        return count < 3 ? 759 : 764;
    }
    if (count != dl + 4) {
        TRACE(SHOWN_ERROR, MODULE_LINK,
              "Bad Packet Length / Size Received from Security Module, Size = %d, ( DA:%u, DC:%u, "
              "DL:%u )",
              static_cast<int>(count), da, dc, dl);
        return 774;
    }
    if (da == ORBA_PORT_SYSTEM_PORT || da > ORBA_PORT_MODULE) {
        TRACE(SHOWN_ERROR, MODULE_LINK,
              "ERROR: Invalid Device Address Data Received From Security Module( DA:%u, DC:%u, "
              "DL:%u )",
              da, dc, dl);
        return 802;
    }
    if (dc != ORBA_DC_DATA) {
        TRACE(SHOWN_ERROR, MODULE_LINK,
              "ERROR: Invalid Device Command Data Received From Security Module( DA:%u, DC:%u, "
              "DL:%u )",
              da, dc, dl);
        return 795;
    }
    return 0;
}

}  // namespace

int USB_OpenSecurityModule()
{
    if (driverOpen.load()) {
        TRACE(SHOWN_ERROR, MODULE_LINK, "Driver Already Opened...");
        return 111;
    }
    const HandleToOpen handles[] = {
        {&hDevice_Write_SystemPortIo, PLAT_DEVICE_WRITE, 132, "hDevice_Write_SystemPortIo"},
        {&hDevice_Read_SystemPortIo, PLAT_DEVICE_READ, 149, "hDevice_Read_SystemPortIo"},
        {&hDevice_Write_SerialPortData, PLAT_DEVICE_WRITE, 170, "hDevice_Write_SerialPortData"},
        {&hDevice_Read_SerialPortData, PLAT_DEVICE_READ, 187, "hDevice_Read_SerialPortData"},
    };
    for (const HandleToOpen& entry : handles) {
        int result = OpenHandle(entry);
        if (result != 0) return result;
    }
    driverOpen.store(true);
    return 0;
}

int USB_CloseSecurityModule()
{
    if (!driverOpen.load()) {
        TRACE(SHOWN_ERROR, MODULE_LINK, "Driver Not Open.");
        return 207;
    }
    linkClosing.store(true);
    TRACE(TL_INFO, MODULE_LINK, "Close ORBA Ports...");
    TRACE(TL_INFO, MODULE_LINK, "Release Handles...");
    driverOpen.store(false);
    return 0;
}

int USB_DriverInitialized()
{
    if (driverOpen.load()) return 0;
    TRACE(TL_INFO, MODULE_LINK, "USB Driver Not Initialized");
    return 92;
}

int USB_WritePacketToSecurityModule(const ModulePacket* packet)
{
    if (!driverOpen.load()) {
        TRACE(SHOWN_ERROR, MODULE_LINK, "Driver Not Open.");
        return 324;
    }
    UsbPacketBuffer buffer;
    // Ends the program for a DL the wire cannot carry, before the port is
    // looked at.
    CopyPacketToUsbBuffer(&buffer, packet);
    if (packet->DA == ORBA_PORT_SYSTEM_PORT) return WriteSystemPortPacket(&buffer);
    int length = SetPacketChecksum(&buffer);
    return USB_ForwardPacketToSecurityModule(&buffer, length);
}

int USB_ForwardPacketToSecurityModule(const UsbPacketBuffer* buffer, int length)
{
    const unsigned da = buffer->bytes[0];
    if (da > ORBA_PORT_MODULE) {
        TRACE(SHOWN_ERROR, MODULE_LINK,
              "ERROR: Invalid Device Address Sent to USB_ForwardPacketToSecurityModule( %X )", da);
        return 409;
    }
    const unsigned expected = static_cast<unsigned>(length);
    unsigned written = 0;
    unsigned long errorCode = 0;
    if (!Plat_Device()->write(hDevice_Write_SerialPortData.load(), buffer->bytes, expected, &written,
                              &errorCode)) {
        TRACE(SHOWN_ERROR, MODULE_LINK, "ERROR: WriteFile returns %0x.",
              static_cast<unsigned>(errorCode));
        return 388;
    }
    if (written != expected) {
        TRACE(SHOWN_ERROR, MODULE_LINK, "ERROR: WriteFile returned Invalid Number of Bytes...%u / %u",
              written, expected);
        return 397;
    }
    return 0;
}

int USB_ReadPacketFromSecurityModule(ModulePacket* packet, int* size)
{
    UsbPacketBuffer buffer;
    std::memset(buffer.bytes, 0, sizeof buffer.bytes);
    *size = 0;
    TRACE(TL_DETAIL, MODULE_LINK, "Reading Packet From USB Security Module...");
    if (linkClosing.load()) {
        Plat_Sleep(CLOSED_READ_PAUSE_MS);
        return 0;
    }

    unsigned count = 0;
    unsigned long errorCode = 0;
    if (!Plat_Device()->read(hDevice_Read_SerialPortData.load(), buffer.bytes, USB_PACKET_SIZE, &count,
                             &errorCode)) {
        TRACE(SHOWN_ERROR, MODULE_LINK, "ERROR: ReadFile on hDevice_Read_SerialPortData Returned:%0x.",
              static_cast<unsigned>(errorCode));
        return 742;
    }
    *size = static_cast<int>(count);
    TRACE(TL_DETAIL, MODULE_LINK, "%d bytes read from device (%d requested).", static_cast<int>(count),
          USB_PACKET_SIZE);
    if (count == 0) {
        TRACE(TL_WARNING, MODULE_LINK, "*** EMPTY PACKET ***::%d bytes read from device (%d requested).",
              0, USB_PACKET_SIZE);
        return 0;
    }
    int failure = CheckReceivedPacket(buffer, count);
    if (failure != 0) return failure;

    *size = static_cast<int>(count) - 1;
    // A damaged packet is no failure: the caller keeps its own record.
    if (!VerifyPacketChecksum(&buffer)) return 0;
    CopyUsbBufferToPacket(&buffer, packet);
    return 0;
}
