// The two requests of a firmware upload, as port-6 packet records.
#ifndef COMMANDS_FIRMWAREUPLOADPACKETS_H
#define COMMANDS_FIRMWAREUPLOADPACKETS_H

#include "link/ORBA_Support.h"

#include <cstdint>

enum {
    UPLOAD_START_DL = 48,
    UPLOAD_NAME_FIELD_SIZE = 32,
    UPLOAD_BLOCK_SIZE = 32,
    UPLOAD_WAIT_COUNT = 25,
};

// Start-upload request "F1": the byte count (16 bits, high byte first), the
// checksum (most significant byte first), date (8 characters "mm/dd/yy")
// and the name's first 32 characters, padded with spaces.
void BuildStartUploadRequest(ModulePacket* packet, int byteCount, uint32_t checksum, const char* date,
                             const char* name);
// Upload-data request "F2" with count image bytes (at most 32).
void BuildUploadDataRequest(ModulePacket* packet, const uint8_t* bytes, int count);

#endif
