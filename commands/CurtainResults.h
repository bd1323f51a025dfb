// One light-curtain sensor's result packet ("a6") of the static curtain test
// and the lines it prints.
#ifndef COMMANDS_CURTAINRESULTS_H
#define COMMANDS_CURTAINRESULTS_H

#include "link/ORBA_Support.h"

#include <cstddef>
#include <cstdint>

enum {
    CURTAIN_SENSOR_FP = 1,
    CURTAIN_SENSOR_REAR = 27,
    CURTAIN_SENSOR_BAF = 28,
    CURTAIN_SENSOR_FTP = 29,
    CURTAIN_SENSOR_RTP = 30,  // the last packet of a result set
    CURTAIN_LINE_SIZE = 160,
};

struct CurtainResult {
    int sensor;
    uint16_t lowNoIr;
    uint16_t highNoIr;
    uint16_t lowWithIr;
    uint16_t highWithIr;
    uint16_t highDiff;
    uint16_t lowDiff;
    uint32_t totalScans;
    uint32_t blockCount;
    uint16_t blockValue;
};

bool IsCurtainResult(const ModulePacket* packet);
CurtainResult TakeCurtainResult(const ModulePacket* packet);

// "FP  ", "Rear", ...; a sensor without a name as its number in four places.
void FormatCurtainLabel(int sensor, char* label, size_t size);
// ": " and the eight values, ending in a new line.
void FormatCurtainValues(const CurtainResult& result, char* line, size_t size);

#endif
