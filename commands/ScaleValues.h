// The scale's configuration and one streamed reading: how the configuration
// text is read, how a reading's fields are decoded, and how they are shown
// and written to the dump file.
#ifndef COMMANDS_SCALEVALUES_H
#define COMMANDS_SCALEVALUES_H

#include "link/ORBA_Support.h"

#include <cstddef>
#include <cstdint>

// Raw scale units per 0.01 lb, and the module's stable limit in raw noise
// units, as the module last reported them.
extern double ScaleEuValue;
extern int ScaleStableLimit;

// Reads "<EU value>,<stable limit>" into the two values above.
void ParseScaleConfig(const char* text);

// A streamed reading: "s" "7", the flags, then four 16-bit values, most
// significant byte first.
enum {
    SCALE_FLAG_UNSTABLE = 0x01,
    SCALE_FLAG_NEGATIVE = 0x02,
    SCALE_FIELD_FLAGS = 2,
    SCALE_FIELD_AVERAGE = 3,
    SCALE_FIELD_FILTER1 = 5,
    SCALE_FIELD_ADC = 7,
    SCALE_FIELD_NOISE = 9,
};
bool IsScaleReading(const ModulePacket* packet);
uint8_t ScaleFlags(const ModulePacket* reading);
uint16_t ScaleWord(const ModulePacket* reading, int field);

// A raw value divided by the EU value, truncated toward zero. An EU value
// whose quotient is not finite or does not fit an int counts as 1 (the
// capture file says why, once per configuration).
int ScaleQuotient(unsigned raw);
// The values of the analysis results' EU line: the EU value truncated to an
// integer, and 100000 / EU value in single precision. An EU value for which
// either is unusable counts as 1 in both (false).
bool ScaleEuLine(int* whole, float* perHundredthPound);
// The configuration has changed: an unusable EU value is explained again.
void ResetScaleEuExplanation();

// The console line of one reading, line end included.
void FormatScaleReadingLine(const ModulePacket* reading, char* line, size_t size);
// The dump file line of one reading, line end included.
void FormatScaleDumpLine(const ModulePacket* reading, char* line, size_t size);

#endif
