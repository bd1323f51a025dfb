// The six noise ranges of the scale analysis, set by the module's stable
// limit, their counters, and the header and count lines that show them.
#ifndef COMMANDS_SCALENOISERANGES_H
#define COMMANDS_SCALENOISERANGES_H

#include <cstddef>
#include <cstdint>

enum { NOISE_RANGE_COUNT = 6, NOISE_RANGE_OVER_100 = 5 };

// Upper bounds (inclusive) of ranges 0 to 4 for the stable limit L taken as
// unsigned: L/2, L, L + 12, L + 24 and 100; what exceeds them is range 5.
struct NoiseRangeBounds {
    unsigned limit;
    unsigned upper[NOISE_RANGE_OVER_100];
};

void ComputeNoiseRangeBounds(unsigned stableLimit, NoiseRangeBounds* bounds);
// The first range whose upper bound the noise does not exceed.
int NoiseRangeOf(const NoiseRangeBounds* bounds, unsigned noise);

// What is counted, once for the current interval and once in total.
struct NoiseCounts {
    uint32_t stable;
    uint32_t unstable;
    uint32_t range[NOISE_RANGE_COUNT];
};

// The column headers: the screen joins ranges 2 and 3 in one column, the log
// file keeps them apart.
void FormatNoiseScreenHeader(const NoiseRangeBounds* bounds, const char* startText, char* text,
                             size_t size);
void FormatNoiseFileHeader(const NoiseRangeBounds* bounds, const char* startText, char* text,
                           size_t size);
// The console's running line (ends with a carriage return) and the log
// file's interval line (ends with a line end).
void FormatNoiseStatusLine(uint32_t readings, const NoiseCounts* counts, char* text, size_t size);
void FormatNoiseIntervalLine(uint32_t readings, const NoiseCounts* counts, char* text, size_t size);

#endif
