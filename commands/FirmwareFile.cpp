#include "commands/FirmwareFile.h"

#include "commands/FirmwareFileName.h"
#include "base/Variant.h"
#include "platform/Platform.h"
#include "trace/Trace.h"

#include <cstdio>

uint32_t FirmwareFileChecksum = 0;

namespace {

const int SHOWN = TL_INFO | TF_CONSOLE;

const char* WrongControllerMessage()
{
    return IsCuUtility() ? "ERROR, Invalid File Name for CU Controller"
                         : "ERROR, Invalid File Name for SU Controller";
}

// Reads up to FIRMWARE_IMAGE_SIZE bytes; false on a read error.
bool ReadImage(FILE* file, uint8_t* image, int* byteCount)
{
    int count = 0;
    FirmwareFileChecksum = 0;
    while (count < FIRMWARE_IMAGE_SIZE) {
        const int byte = std::fgetc(file);
        if (byte == EOF) break;
        image[count++] = static_cast<uint8_t>(byte);
        FirmwareFileChecksum += static_cast<uint32_t>(byte);
    }
    *byteCount = count;
    return std::ferror(file) == 0;
}

}  // namespace

int LoadFirmwareFile(const char* name, uint8_t* image, int* byteCount)
{
    *byteCount = 0;
    if (FindNameMarker(FirmwareControllerMarker(), name) < 0) {
        TRACE(SHOWN, MODULE_COMMANDS, "%s", WrongControllerMessage());
        return FIRMWARE_FILE_WRONG_CONTROLLER;
    }
    char digits[EXPECTED_CHECKSUM_MAX_DIGITS + 1];
    uint32_t expected = 0;
    // "CRC_" without a digit after it names no checksum at all.
    if (!ExpectedChecksumFromName(name, digits, &expected)) {
        TRACE(SHOWN, MODULE_COMMANDS, "ERROR, Invalid File Name, No CRC value");
        return FIRMWARE_FILE_NO_CHECKSUM;
    }
    Plat_ConsolePrintf("sCRC:%s\n", digits);

    TRACE(SHOWN, MODULE_COMMANDS, "Opening File %s", name);
    FILE* file = Plat_OpenFile(name, "rb");
    if (file == nullptr) {
        TRACE(SHOWN, MODULE_COMMANDS, "ERROR 01: Can not open File %s", name);
        return FIRMWARE_FILE_CANNOT_OPEN;
    }
    TRACE(SHOWN, MODULE_COMMANDS, "Reading File");
    const bool readWhole = ReadImage(file, image, byteCount);
    std::fclose(file);
    if (!readWhole) {
        TRACE(SHOWN, MODULE_COMMANDS, "ERROR 01: Can not read File %s", name);
        return FIRMWARE_FILE_CANNOT_READ;
    }
    // A count the start-upload request cannot announce would be cut short.
    if (*byteCount > FIRMWARE_MAX_UPLOAD_BYTES) {
        TRACE(SHOWN, MODULE_COMMANDS, "ERROR 01: File is larger than %d bytes, it can not be uploaded.",
              FIRMWARE_MAX_UPLOAD_BYTES);
        return FIRMWARE_FILE_TOO_LARGE;
    }
    TRACE(SHOWN, MODULE_COMMANDS, "%d Bytes Read", *byteCount);
    if (expected != FirmwareFileChecksum) {
        TRACE(SHOWN, MODULE_COMMANDS, "Error File Checksum is Invalid! %x:%x\n", expected,
              FirmwareFileChecksum);
        return FIRMWARE_FILE_CHECKSUM_MISMATCH;
    }
    return FIRMWARE_FILE_OK;
}
