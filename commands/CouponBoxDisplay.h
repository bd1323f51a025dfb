// The coupon box's status bits and optical array values as the test shows
// them.
#ifndef COMMANDS_COUPONBOXDISPLAY_H
#define COMMANDS_COUPONBOXDISPLAY_H

#include "link/ORBA_Support.h"

#include <cstddef>
#include <cstdint>

// Long enough for every status text at once.
enum { COUPON_STATUS_TEXT_SIZE = 128, LED_LINE_SIZE = 128 };

// The texts of the status bits, in bit order ("Door Open, Coupon Detected, ").
void FormatCouponBoxStatus(uint8_t status, char* text, size_t size);

// Highest and lowest values of each array since the display started.
struct LedExtremes {
    uint16_t topMax;
    uint16_t topMin;
    uint16_t bottomMax;
    uint16_t bottomMin;
};

// One "zH" reply: array status bits and the two values.
struct LedValues {
    uint8_t status;
    uint16_t top;
    uint16_t bottom;
};

void StartLedExtremes(LedExtremes* extremes);
LedValues TakeLedValues(const ModulePacket* reply);
void UpdateLedExtremes(LedExtremes* extremes, const LedValues& values);
// One display line, ending in a carriage return.
void FormatLedValuesLine(const LedValues& values, const LedExtremes& extremes, char* line, size_t size);
// A low or blocked array keeps its line on the screen.
bool LedLineStays(const LedValues& values);

#endif
