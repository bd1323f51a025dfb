// The static curtain test's result packets: "0" collects the results from a
// board whose answers come from the input into the curtain dump file. The
// file holds the header and, for every result, its scan count, its label
// and its values: whole lines, no zero bytes, whatever the sensors report.
#include "commands/Command_ConveyorTests.h"
#include "fuzz/FuzzBoard.h"
#include "fuzz/FuzzSupport.h"

#include <cstdio>
#include <string>

namespace {

const char HEADER[] =
    "Low Diff/High Diff/Low No IR/High No IR/Low With IR/High With IR/Block Count/Block Value\n";

size_t Count(const std::string& text, const std::string& piece)
{
    size_t count = 0;
    for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) ++count;
    return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzboard::Start(data, size, "0");
    const std::string dumpPath = fuzzsupport::Scratch() + "/drive_c/FirmwareUpdate/Curtain_Dump.txt";
    std::remove(dumpPath.c_str());
    StaticCurtainTest();

    const std::string dump = fuzzboard::ReadFile(dumpPath);
    if (dump.compare(0, sizeof HEADER - 1, HEADER) != 0) fuzzsupport::Fail("dump without its header");
    if (dump.find('\0') != std::string::npos) fuzzsupport::Fail("zero byte in the dump");
    if (dump.back() != '\n') fuzzsupport::Fail("dump ends inside a line");
    const size_t results = Count(dump, "Total Scans ");
    if (Count(dump, ": ") != results || Count(dump, "\n") != 1 + 3 * results)
        fuzzsupport::Fail("a result without its lines");
    return 0;
}
