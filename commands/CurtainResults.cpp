#include "commands/CurtainResults.h"

#include "link/ModuleRequest.h"

#include <cstdio>

namespace {

struct SensorName {
    int sensor;
    const char* label;
};

const SensorName SENSOR_NAMES[] = {
    {CURTAIN_SENSOR_FP, "FP  "},  {CURTAIN_SENSOR_REAR, "Rear"}, {CURTAIN_SENSOR_BAF, "BAF "},
    {CURTAIN_SENSOR_FTP, "FTP "}, {CURTAIN_SENSOR_RTP, "RTP "},
};

}  // namespace

bool IsCurtainResult(const ModulePacket* packet)
{
    return packet->data[0] == 'a' && packet->data[1] == '6';
}

CurtainResult TakeCurtainResult(const ModulePacket* packet)
{
    CurtainResult result;
    result.sensor = packet->data[2];
    result.lowNoIr = ModuleDataWord(packet, 3);
    result.highNoIr = ModuleDataWord(packet, 5);
    result.lowWithIr = ModuleDataWord(packet, 7);
    result.highWithIr = ModuleDataWord(packet, 9);
    result.highDiff = ModuleDataWord(packet, 11);
    result.lowDiff = ModuleDataWord(packet, 13);
    result.totalScans = ModuleDataLong(packet, 15);
    result.blockCount = ModuleDataLong(packet, 19);
    result.blockValue = ModuleDataWord(packet, 23);
    return result;
}

void FormatCurtainLabel(int sensor, char* label, size_t size)
{
    for (const SensorName& name : SENSOR_NAMES) {
        if (name.sensor != sensor) continue;
        std::snprintf(label, size, "%s", name.label);
        return;
    }
    std::snprintf(label, size, "%4d", sensor);
}

void FormatCurtainValues(const CurtainResult& result, char* line, size_t size)
{
    std::snprintf(line, size, ": %4x / %4x / %4x / %4x / %4x / %4x / %4x / %4x\n",
                  unsigned{result.lowDiff}, unsigned{result.highDiff}, unsigned{result.lowNoIr},
                  unsigned{result.highNoIr}, unsigned{result.lowWithIr}, unsigned{result.highWithIr},
                  unsigned{result.blockCount}, unsigned{result.blockValue});
}
