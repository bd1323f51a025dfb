#include "commands/FirmwareUploadPackets.h"

#include "link/ModuleRequest.h"

#include <cstring>

namespace {

// "F", the request, and argumentCount bytes the caller fills in.
void StartRequest(ModulePacket* packet, char request, int argumentCount)
{
    const uint8_t unset[MODULE_PACKET_DATA_SIZE] = {};
    BuildModuleRequest(packet, 'F', request, unset, argumentCount);
}

}  // namespace

void BuildStartUploadRequest(ModulePacket* packet, int byteCount, uint32_t checksum, const char* date,
                             const char* name)
{
    StartRequest(packet, '1', UPLOAD_START_DL - 2);
    uint8_t* d = packet->data;
    d[2] = static_cast<uint8_t>(byteCount >> 8 & 0xFF);
    d[3] = static_cast<uint8_t>(byteCount & 0xFF);
    for (int i = 0; i < 4; ++i) d[4 + i] = static_cast<uint8_t>(checksum >> (24 - 8 * i) & 0xFF);
    std::memcpy(d + 8, date, 8);
    const size_t nameLength = strnlen(name, UPLOAD_NAME_FIELD_SIZE);
    std::memset(d + 16, ' ', UPLOAD_NAME_FIELD_SIZE);
    std::memcpy(d + 16, name, nameLength);
}

void BuildUploadDataRequest(ModulePacket* packet, const uint8_t* bytes, int count)
{
    if (count < 0) count = 0;
    if (count > UPLOAD_BLOCK_SIZE) count = UPLOAD_BLOCK_SIZE;
    StartRequest(packet, '2', count);
    if (count > 0) std::memcpy(packet->data + 2, bytes, static_cast<size_t>(count));
}
