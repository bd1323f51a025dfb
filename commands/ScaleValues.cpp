#include "commands/ScaleValues.h"

#include "base/TextUtil.h"
#include "trace/Trace.h"

#include <cfloat>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

double ScaleEuValue = 0;
int ScaleStableLimit = 0;

namespace {

enum { EU_FIELD_MAX = 12, LIMIT_FIELD_MAX = 16, NUMBER_TEXT_MAX = 64 };

bool euExplained = false;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

const char* SkipDigits(const char* text)
{
    while (IsDigit(*text)) ++text;
    return text;
}

// The leading decimal number of the text (blanks, a sign, digits with an
// optional fraction and exponent); 0 when there is none. Hexadecimal,
// "inf" and "nan" are not decimal numbers and give 0.
double DecimalNumber(const char* text)
{
    while (*text == ' ' || *text == '\t') ++text;
    const char* start = text;
    const char* end = text;
    if (*end == '+' || *end == '-') ++end;
    const char* digits = end;
    end = SkipDigits(end);
    bool anyDigit = end != digits;
    if (*end == '.') {
        const char* fraction = end + 1;
        end = SkipDigits(fraction);
        anyDigit = anyDigit || end != fraction;
    }
    if (!anyDigit) return 0;
    if (*end == 'e' || *end == 'E') {
        const char* exponent = end + 1;
        if (*exponent == '+' || *exponent == '-') ++exponent;
        if (IsDigit(*exponent)) end = SkipDigits(exponent);
    }
    char number[NUMBER_TEXT_MAX];
    const size_t length = static_cast<size_t>(end - start);
    if (length >= sizeof number) return 0;
    std::memcpy(number, start, length);
    number[length] = '\0';
    return std::strtod(number, nullptr);
}

// A quotient that may be truncated to an int.
bool FitsInt(double value)
{
    return std::isfinite(value) && value > -2147483649.0 && value < 2147483648.0;
}

// value / ScaleEuValue, when that is a usable number.
bool DivideByEu(double value, double* quotient)
{
    if (ScaleEuValue == 0 || !std::isfinite(ScaleEuValue)) return false;
    *quotient = value / ScaleEuValue;
    return FitsInt(*quotient);
}

void ExplainUnusableEu()
{
    if (euExplained) return;
    euExplained = true;
    TRACE(TL_INFO, MODULE_COMMANDS,
          "Scale EU value %g gives no usable weight; scale values are shown as if it were 1",
          ScaleEuValue);
}

void Append(char* line, size_t size, size_t* used, const char* format, ...)
    __attribute__((format(printf, 4, 5)));

void Append(char* line, size_t size, size_t* used, const char* format, ...)
{
    if (*used >= size) return;
    va_list arguments;
    va_start(arguments, format);
    const int written = vsnprintf(line + *used, size - *used, format, arguments);
    va_end(arguments);
    if (written < 0) return;
    *used += static_cast<size_t>(written);
    if (*used >= size) *used = size - 1;
}

}  // namespace

void ParseScaleConfig(const char* text)
{
    char euText[EU_FIELD_MAX + 1];
    size_t length = 0;
    while (length < EU_FIELD_MAX && text[length] != '\0' && text[length] != ',') {
        euText[length] = text[length];
        ++length;
    }
    euText[length] = '\0';
    // The stable limit starts one character after the EU value: after the
    // comma, or after the 13th character when there is no comma in time.
    const char* limit = text[length] == '\0' ? text + length : text + length + 1;
    char limitText[LIMIT_FIELD_MAX + 1];
    CopyText(limitText, sizeof limitText, limit);

    ScaleEuValue = DecimalNumber(euText);
    ScaleStableLimit = DecimalValue(limitText);
    ResetScaleEuExplanation();
}

bool IsScaleReading(const ModulePacket* packet)
{
    return packet->data[0] == 's' && packet->data[1] == '7';
}

uint8_t ScaleFlags(const ModulePacket* reading) { return reading->data[SCALE_FIELD_FLAGS]; }

uint16_t ScaleWord(const ModulePacket* reading, int field)
{
    return static_cast<uint16_t>(reading->data[field] << 8 | reading->data[field + 1]);
}

int ScaleQuotient(unsigned raw)
{
    double quotient = 0;
    if (!DivideByEu(raw, &quotient)) {
        ExplainUnusableEu();
        quotient = raw;
    }
    return static_cast<int>(quotient);
}

bool ScaleEuLine(int* whole, float* perHundredthPound)
{
    double quotient = 0;
    const bool usable = FitsInt(ScaleEuValue) && DivideByEu(100000.0, &quotient) &&
                        std::fabs(quotient) <= static_cast<double>(FLT_MAX);
    if (!usable) {
        ExplainUnusableEu();
        *whole = 1;
        *perHundredthPound = 100000.0f;
        return false;
    }
    *whole = static_cast<int>(ScaleEuValue);
    *perHundredthPound = 100000.0f / static_cast<float>(ScaleEuValue);
    return true;
}

void ResetScaleEuExplanation() { euExplained = false; }

void FormatScaleReadingLine(const ModulePacket* reading, char* line, size_t size)
{
    size_t used = 0;
    line[0] = '\0';
    const uint8_t flags = ScaleFlags(reading);
    if (flags & SCALE_FLAG_NEGATIVE) Append(line, size, &used, "NEG ");
    for (int field : {SCALE_FIELD_AVERAGE, SCALE_FIELD_FILTER1, SCALE_FIELD_ADC}) {
        const int hundredths = ScaleQuotient(ScaleWord(reading, field));
        Append(line, size, &used, "%3d.%2d  -  ", hundredths / 100, hundredths % 100);
    }
    Append(line, size, &used, "%3d  -", ScaleQuotient(ScaleWord(reading, SCALE_FIELD_NOISE)));
    Append(line, size, &used, "%s",
           (flags & SCALE_FLAG_UNSTABLE) ? "  UNSTABLE *******\n" : "  STABLE\n");
}

void FormatScaleDumpLine(const ModulePacket* reading, char* line, size_t size)
{
    // The ADC column holds the high byte of the ADC value only.
    std::snprintf(line, size, "%02X,%d,%d,%d,\n", ScaleFlags(reading) & SCALE_FLAG_UNSTABLE,
                  ScaleWord(reading, SCALE_FIELD_AVERAGE), ScaleWord(reading, SCALE_FIELD_FILTER1),
                  reading->data[SCALE_FIELD_ADC]);
}
