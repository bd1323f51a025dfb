// One run of the scale analysis once its first reading has arrived: the
// counting of each later reading, the interval lines, and the results.
#ifndef COMMANDS_SCALEANALYSISRUN_H
#define COMMANDS_SCALEANALYSISRUN_H

#include "commands/ScaleNoiseRanges.h"
#include "link/ORBA_Support.h"

#include <cstdint>
#include <cstdio>

// An interval minute is counted in readings: 85 a second.
enum { SCALE_READINGS_PER_MINUTE = 5100 };

struct ScaleAnalysisRun {
    NoiseRangeBounds bounds;
    NoiseCounts interval;
    NoiseCounts total;
    uint32_t readings;
    uint32_t maxNoise;
    uint32_t minNoise;
    uint32_t startWeight;
    uint32_t endWeight;
    long long startSeconds;
    char startText[9];
    long long intervalReadings;  // 0: no intervals
    long long nextBoundary;
    bool zeroEachInterval;
    FILE* log;  // nullptr: not logging
};

// Takes the first reading's weight and the start time, and shows the screen
// header (and writes the file header when logging). The first reading
// itself is not counted.
void BeginScaleAnalysis(ScaleAnalysisRun* run, const ModulePacket* firstReading, int intervalMinutes,
                        bool zeroEachInterval, FILE* log);
// Shows the running line, closes an interval at its boundary, and counts the
// reading.
void CountScaleAnalysisReading(ScaleAnalysisRun* run, const ModulePacket* reading);
// Writes the last interval line and the results to the log file, closes it,
// and shows the results.
void EndScaleAnalysis(ScaleAnalysisRun* run);

#endif
