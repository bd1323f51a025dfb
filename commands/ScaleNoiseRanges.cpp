#include "commands/ScaleNoiseRanges.h"

#include <cstdio>

namespace {

const unsigned TOP_OF_RANGE_4 = 100;

// Bounds are printed as the signed numbers a technician reads.
int Shown(unsigned value) { return static_cast<int>(value); }

}  // namespace

void ComputeNoiseRangeBounds(unsigned stableLimit, NoiseRangeBounds* bounds)
{
    bounds->limit = stableLimit;
    bounds->upper[0] = stableLimit >> 1;
    bounds->upper[1] = stableLimit;
    bounds->upper[2] = stableLimit + 12;
    bounds->upper[3] = stableLimit + 24;
    // Stays empty when L + 24 already reaches 100.
    bounds->upper[4] = TOP_OF_RANGE_4;
}

int NoiseRangeOf(const NoiseRangeBounds* bounds, unsigned noise)
{
    for (int range = 0; range < NOISE_RANGE_OVER_100; ++range)
        if (noise <= bounds->upper[range]) return range;
    return NOISE_RANGE_OVER_100;
}

void FormatNoiseScreenHeader(const NoiseRangeBounds* bounds, const char* startText, char* text,
                             size_t size)
{
    const unsigned L = bounds->limit;
    std::snprintf(text, size,
                  "\n\nNoise Range Counts,  Started %s\n\n"
                  "   Total  :   Stable : Unstable:  0 - %d : %d - %2d :%2d - %d :%d - %d :Over 100\n",
                  startText, Shown(L >> 1), Shown((L >> 1) + 1), Shown(L), Shown(L + 1), Shown(L + 24),
                  Shown(L + 25), Shown(TOP_OF_RANGE_4));
}

void FormatNoiseFileHeader(const NoiseRangeBounds* bounds, const char* startText, char* text,
                           size_t size)
{
    const unsigned L = bounds->limit;
    std::snprintf(text, size,
                  "\n\nNoise Range Counts,  Started %s\n\n"
                  "   Total  :   Stable : Unstable:  0 - %d : %d - %2d : %2d - %d :%d - %d :%d - %d"
                  " :Over 100\n",
                  startText, Shown(L >> 1), Shown((L >> 1) + 1), Shown(L), Shown(L + 1), Shown(L + 12),
                  Shown(L + 13), Shown(L + 24), Shown(L + 25), Shown(TOP_OF_RANGE_4));
}

void FormatNoiseStatusLine(uint32_t readings, const NoiseCounts* counts, char* text, size_t size)
{
    std::snprintf(text, size, "%9u : %8u : %7u : %7u : %7u : %6u : %7u : %7u\r", readings,
                  counts->stable, counts->unstable, counts->range[0], counts->range[1],
                  counts->range[2] + counts->range[3], counts->range[4], counts->range[5]);
}

void FormatNoiseIntervalLine(uint32_t readings, const NoiseCounts* counts, char* text, size_t size)
{
    std::snprintf(text, size, "%9u : %8u : %7u : %7u : %7u : %7u : %6u : %7u : %7u\n", readings,
                  counts->stable, counts->unstable, counts->range[0], counts->range[1], counts->range[2],
                  counts->range[3], counts->range[4], counts->range[5]);
}
