#include "commands/ScaleAnalysisRun.h"

#include "commands/ScaleValues.h"
#include "platform/Platform.h"

#include <cstdarg>
#include <cstring>
#include <string>

namespace {

const uint32_t NO_NOISE_YET = 999999;

int Shown(unsigned value) { return static_cast<int>(value); }

void Show(const char* text) { Plat_ConsoleWrite(text, std::strlen(text)); }

void AddLine(std::string* block, const char* format, ...) __attribute__((format(printf, 2, 3)));

void AddLine(std::string* block, const char* format, ...)
{
    char line[256];
    va_list arguments;
    va_start(arguments, format);
    const int length = vsnprintf(line, sizeof line, format, arguments);
    va_end(arguments);
    if (length > 0) block->append(line);
}

// count × 100 / readings, the readings in single precision; 0 without any.
double Percent(uint32_t count, uint32_t readings)
{
    if (readings == 0) return 0;
    const float share = static_cast<float>(static_cast<uint64_t>(count) * 100u) /
                        static_cast<float>(readings);
    return static_cast<double>(share);
}

void WriteIntervalLine(const ScaleAnalysisRun* run)
{
    char line[128];
    FormatNoiseIntervalLine(run->readings, &run->interval, line, sizeof line);
    std::fputs(line, run->log);
    // An interval may take hours: what it found is kept even if the run is cut short.
    std::fflush(run->log);
}

void CloseInterval(ScaleAnalysisRun* run)
{
    if (run->log != nullptr) WriteIntervalLine(run);
    // Leaves the running line of the boundary on the screen.
    Show("\n");
    run->nextBoundary = run->readings + run->intervalReadings;
    if (run->zeroEachInterval) std::memset(&run->interval, 0, sizeof run->interval);
}

// A range line; range 4's has one blank fewer before the count.
void AddRange(std::string* block, int range, unsigned from, unsigned to, const NoiseCounts& total,
              uint32_t readings)
{
    const uint32_t count = total.range[range];
    if (range == 4)
        AddLine(block, "%2d - %2d Range %9u  -  %7.3f%%\n", Shown(from), Shown(to), count,
                Percent(count, readings));
    else
        AddLine(block, "%2d - %2d Range  %9u  -  %7.3f%%\n", Shown(from), Shown(to), count,
                Percent(count, readings));
}

std::string Results(const ScaleAnalysisRun* run, const char* stopText, long long seconds)
{
    const unsigned L = run->bounds.limit;
    const uint32_t n = run->readings;
    const NoiseCounts& total = run->total;
    int euWhole = 0;
    float perHundredthPound = 0;
    ScaleEuLine(&euWhole, &perHundredthPound);

    std::string block;
    AddLine(&block, "\n\n\nResults, Time Stop %s, Run Time %uh %um %us\n\n", stopText,
            static_cast<unsigned>(seconds / 3600), static_cast<unsigned>(seconds / 60 % 60),
            static_cast<unsigned>(seconds % 60));
    AddLine(&block, "EU Value          %4x  - .01 LBS = %.2f EUs\n", static_cast<unsigned>(euWhole),
            static_cast<double>(perHundredthPound));
    AddLine(&block, "Stable Limit      %4d\n", Shown(L));
    AddLine(&block, "Total Readings %9u\n", n);
    AddLine(&block, "Total Stable   %9u  -  %7.3f%%\n", total.stable, Percent(total.stable, n));
    AddLine(&block, "Total Unstable %9u  -  %7.3f%%\n", total.unstable, Percent(total.unstable, n));
    AddLine(&block, " 0 - %2d Range  %9u  -  %7.3f%%\n", Shown(L >> 1), total.range[0],
            Percent(total.range[0], n));
    AddRange(&block, 1, (L >> 1) + 1, L, total, n);
    AddRange(&block, 2, L + 1, L + 12, total, n);
    AddRange(&block, 3, L + 13, L + 24, total, n);
    AddRange(&block, 4, L + 25, 100, total, n);
    AddLine(&block, "Over 100 Range %9u  -  %7.3f%%\n", total.range[5], Percent(total.range[5], n));
    AddLine(&block, "Max Noise Value%9u\n", run->maxNoise);
    AddLine(&block, "Min Noise Value%9u\n", run->minNoise);
    AddLine(&block, "Starting Weight%9u\n", run->startWeight);
    AddLine(&block, "Ending Weight  %9u\n", run->endWeight);
    return block;
}

}  // namespace

void BeginScaleAnalysis(ScaleAnalysisRun* run, const ModulePacket* firstReading, int intervalMinutes,
                        bool zeroEachInterval, FILE* log)
{
    std::memset(run, 0, sizeof *run);
    ComputeNoiseRangeBounds(static_cast<unsigned>(ScaleStableLimit), &run->bounds);
    run->minNoise = NO_NOISE_YET;
    run->startWeight = ScaleWord(firstReading, SCALE_FIELD_AVERAGE);
    // A run that counts nothing ends where it started.
    run->endWeight = run->startWeight;
    run->startSeconds = Plat_CalendarSeconds();
    Plat_LocalTimeText(run->startText);
    // Wide enough for any interval; a negative one never comes round.
    run->intervalReadings = static_cast<long long>(intervalMinutes) * SCALE_READINGS_PER_MINUTE;
    run->nextBoundary = run->intervalReadings;
    run->zeroEachInterval = zeroEachInterval;
    run->log = log;

    char header[256];
    FormatNoiseScreenHeader(&run->bounds, run->startText, header, sizeof header);
    Show(header);
    if (log != nullptr) {
        FormatNoiseFileHeader(&run->bounds, run->startText, header, sizeof header);
        std::fputs(header, log);
    }
}

void CountScaleAnalysisReading(ScaleAnalysisRun* run, const ModulePacket* reading)
{
    char status[128];
    FormatNoiseStatusLine(run->readings, &run->interval, status, sizeof status);
    Show(status);
    if (run->intervalReadings != 0 && run->readings == run->nextBoundary) CloseInterval(run);

    ++run->readings;
    const uint32_t noise = ScaleWord(reading, SCALE_FIELD_NOISE);
    if (noise > run->maxNoise) run->maxNoise = noise;
    if (noise < run->minNoise) run->minNoise = noise;
    run->endWeight = ScaleWord(reading, SCALE_FIELD_AVERAGE);
    if (ScaleFlags(reading) & SCALE_FLAG_UNSTABLE) {
        ++run->interval.unstable;
        ++run->total.unstable;
    } else {
        ++run->interval.stable;
        ++run->total.stable;
    }
    const int range = NoiseRangeOf(&run->bounds, noise);
    ++run->interval.range[range];
    ++run->total.range[range];
}

void EndScaleAnalysis(ScaleAnalysisRun* run)
{
    if (run->log != nullptr) WriteIntervalLine(run);
    char stopText[9];
    const long long stopSeconds = Plat_CalendarSeconds();
    Plat_LocalTimeText(stopText);
    // A clock set back during the run gives no negative run time.
    const long long seconds = stopSeconds > run->startSeconds ? stopSeconds - run->startSeconds : 0;
    const std::string results = Results(run, stopText, seconds);
    if (run->log != nullptr) {
        std::fputs(results.c_str(), run->log);
        std::fputs("\n", run->log);
        std::fclose(run->log);
        run->log = nullptr;
    }
    Plat_ConsoleWrite(results.data(), results.size());
}
