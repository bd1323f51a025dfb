// The scale's configuration text ("<EU value>,<stable limit>") and the
// readings after it: the "SG" request runs against a board whose answers
// come from the input, then every reading that follows is shown, dumped and
// counted by a scale analysis. Whatever the numbers, the lines fit their
// buffers and every conversion stays defined (the sanitizers watch).
#include "commands/ScaleAnalysisRun.h"
#include "commands/ScaleStream.h"
#include "commands/ScaleValues.h"
#include "fuzz/FuzzBoard.h"
#include "fuzz/FuzzSupport.h"

#include <cmath>
#include <cstring>

namespace {

const int MAX_READINGS = 16;

// A line written into a buffer with a guard byte after it.
template <typename Format>
void CheckLine(Format format, const ModulePacket* reading)
{
    char line[129];
    line[128] = 0x7F;
    format(reading, line, 128);
    if (line[128] != 0x7F) fuzzsupport::Fail("line wrote past its buffer");
    const size_t length = std::strlen(line);
    if (length == 0 || line[length - 1] != '\n') fuzzsupport::Fail("line without its end");
}

void CheckEuLine()
{
    int whole = 0;
    float perHundredthPound = 0;
    const bool usable = ScaleEuLine(&whole, &perHundredthPound);
    if (!std::isfinite(perHundredthPound)) fuzzsupport::Fail("EU line value not finite");
    if (usable && whole != static_cast<int>(ScaleEuValue)) fuzzsupport::Fail("EU line whole differs");
    if (!usable && (whole != 1 || perHundredthPound != 100000.0f))
        fuzzsupport::Fail("unusable EU not taken as 1");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzboard::Start(data, size, "");
    ScaleEuValue = 0;
    ScaleStableLimit = 0;
    RequestScaleConfig();
    CheckEuLine();

    ScaleAnalysisRun run;
    bool running = false;
    for (int i = 0; i < MAX_READINGS && PollScaleReading(); ++i) {
        CheckLine(FormatScaleReadingLine, &ScaleReadingBuffer);
        CheckLine(FormatScaleDumpLine, &ScaleReadingBuffer);
        if (!running) BeginScaleAnalysis(&run, &ScaleReadingBuffer, 1, false, nullptr);
        running = true;
        CountScaleAnalysisReading(&run, &ScaleReadingBuffer);
    }
    if (running) EndScaleAnalysis(&run);
    return 0;
}
