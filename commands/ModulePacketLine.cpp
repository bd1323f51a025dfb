#include "commands/ModulePacketLine.h"

#include <cstdio>

namespace {

const int FIRST_SHOWN_BYTE = 2;

// Fills a line, dropping what does not fit; always terminated.
struct LineWriter {
    char* line;
    size_t size;
    size_t used;
};

void Put(LineWriter* writer, char c)
{
    if (writer->used + 1 < writer->size) writer->line[writer->used++] = c;
    writer->line[writer->used] = '\0';
}

void PutText(LineWriter* writer, const char* text)
{
    while (*text != '\0') Put(writer, *text++);
}

}  // namespace

size_t FormatModulePacketLine(const ModulePacket* packet, char* line, size_t size)
{
    if (size == 0) return 0;
    LineWriter writer = {line, size, 0};
    line[0] = '\0';
    int count = packet->DL;
    // The record ends there, whatever DL claims.
    if (count > MODULE_PACKET_DATA_SIZE - FIRST_SHOWN_BYTE)
        count = MODULE_PACKET_DATA_SIZE - FIRST_SHOWN_BYTE;
    const uint8_t* shown = packet->data + FIRST_SHOWN_BYTE;

    char piece[16];
    std::snprintf(piece, sizeof piece, "Port %x, ", unsigned{packet->DA});
    PutText(&writer, piece);
    Put(&writer, static_cast<char>(packet->data[0]));
    Put(&writer, static_cast<char>(packet->data[1]));
    Put(&writer, ':');
    for (int i = 0; i < count; ++i) {
        std::snprintf(piece, sizeof piece, "%x.", unsigned{shown[i]});
        PutText(&writer, piece);
    }
    PutText(&writer, "  |  ");
    for (int i = 0; i < count; ++i) Put(&writer, static_cast<char>(shown[i]));
    Put(&writer, '\n');
    return writer.used;
}
