// Loading a firmware image file: the name rules, the bytes and their sum.
#ifndef COMMANDS_FIRMWAREFILE_H
#define COMMANDS_FIRMWAREFILE_H

#include <cstdint>

enum {
    FIRMWARE_IMAGE_SIZE = 65536,
    // The start-upload request announces the size in 16 bits.
    FIRMWARE_MAX_UPLOAD_BYTES = 65535,
};

// Sum of the bytes of the last file loaded, each taken as 0 to 255.
extern uint32_t FirmwareFileChecksum;

// Results of LoadFirmwareFile.
enum {
    FIRMWARE_FILE_OK = 0,
    FIRMWARE_FILE_WRONG_CONTROLLER = 1,
    FIRMWARE_FILE_NO_CHECKSUM = 2,
    FIRMWARE_FILE_CANNOT_OPEN = 3,
    FIRMWARE_FILE_CANNOT_READ = 4,
    FIRMWARE_FILE_TOO_LARGE = 5,
    FIRMWARE_FILE_CHECKSUM_MISMATCH = 6,
};

// Checks the name, reads the file into image (FIRMWARE_IMAGE_SIZE bytes) and
// sets *byteCount and FirmwareFileChecksum. Every failure is shown.
int LoadFirmwareFile(const char* name, uint8_t* image, int* byteCount);

#endif
