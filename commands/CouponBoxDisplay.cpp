#include "commands/CouponBoxDisplay.h"

#include "link/ModuleRequest.h"

#include <cstdio>
#include <cstring>

namespace {

const uint8_t DOOR_OPEN = 0x01;
const uint8_t TOP_ARRAY_LOW = 0x01;
const uint8_t BOTTOM_ARRAY_LOW = 0x02;

// The bits after the door's, each shown only when set; bits 3 and 7 mean
// nothing to the technician.
struct StatusBit {
    uint8_t mask;
    const char* text;
};
const StatusBit SET_BITS[] = {
    {0x02, "Coupon Detected, "},    {0x04, "Box Full, "},    {0x10, "Top Row Blocked, "},
    {0x20, "Bottom Row Blocked, "}, {0x40, "LED Flashing "},
};

void Append(char* text, size_t size, const char* piece)
{
    const size_t used = std::strlen(text);
    if (used + 1 < size) std::snprintf(text + used, size - used, "%s", piece);
}

const char* ArrayState(bool low) { return low ? "Low/Blocked " : "OK          "; }

}  // namespace

void FormatCouponBoxStatus(uint8_t status, char* text, size_t size)
{
    if (size == 0) return;
    text[0] = '\0';
    Append(text, size, (status & DOOR_OPEN) ? "Door Open, " : "Door Closed, ");
    for (const StatusBit& bit : SET_BITS)
        if (status & bit.mask) Append(text, size, bit.text);
}

void StartLedExtremes(LedExtremes* extremes)
{
    extremes->topMax = 0;
    extremes->topMin = 0xFFFF;
    extremes->bottomMax = 0;
    extremes->bottomMin = 0xFFFF;
}

LedValues TakeLedValues(const ModulePacket* reply)
{
    LedValues values;
    values.status = reply->data[2];
    values.top = ModuleDataWord(reply, 3);
    values.bottom = ModuleDataWord(reply, 5);
    return values;
}

void UpdateLedExtremes(LedExtremes* extremes, const LedValues& values)
{
    if (values.top > extremes->topMax) extremes->topMax = values.top;
    if (values.top < extremes->topMin) extremes->topMin = values.top;
    if (values.bottom > extremes->bottomMax) extremes->bottomMax = values.bottom;
    if (values.bottom < extremes->bottomMin) extremes->bottomMin = values.bottom;
}

void FormatLedValuesLine(const LedValues& values, const LedExtremes& extremes, char* line, size_t size)
{
    std::snprintf(line, size, "%s%.4X  %.4X  %.4X       %s%.4X  %.4X  %.4X\r",
                  ArrayState(values.status & TOP_ARRAY_LOW), unsigned{values.top},
                  unsigned{extremes.topMax}, unsigned{extremes.topMin},
                  ArrayState(values.status & BOTTOM_ARRAY_LOW), unsigned{values.bottom},
                  unsigned{extremes.bottomMax}, unsigned{extremes.bottomMin});
}

bool LedLineStays(const LedValues& values)
{
    return (values.status & (TOP_ARRAY_LOW | BOTTOM_ARRAY_LOW)) != 0;
}
