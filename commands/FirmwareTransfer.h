// Sending a loaded firmware image to the board over port 6: the start-upload
// request, then the image in 32-byte blocks, one outstanding at a time.
#ifndef COMMANDS_FIRMWARETRANSFER_H
#define COMMANDS_FIRMWARETRANSFER_H

#include "commands/FirmwareUploadPackets.h"

#include <cstdint>

// Results of TransferFirmware.
enum {
    TRANSFER_OK = 0,
    TRANSFER_START_FAILED = 1,
    TRANSFER_DATA_NOT_SENT = 2,
    TRANSFER_DATA_NO_ANSWER = 3,
    TRANSFER_DATA_REFUSED = 4,
};

// The start-upload exchange, then every block. Every failure is shown; the
// board keeps whatever part of the image it took.
int TransferFirmware(const char* name, const uint8_t* image, int byteCount, uint32_t checksum);

#endif
