// The TAL-2 status answers: the lights test runs against a board whose
// answers come from the input, with the keys amber on, flash on, green on,
// flash off, all off. Whatever the board reports, the lamps the test sets
// are the keys' and nothing else.
#include "commands/Command_Lights.h"
#include "fuzz/FuzzBoard.h"
#include "fuzz/FuzzSupport.h"
#include "link/ORBA_Support.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzboard::Start(data, size, "193A0X");
    Tal2LightsTest();

    static const std::string expected[] = {"\x01", "\x21", "\x23", "\x03", std::string(1, '\0')};
    size_t sets = 0;
    for (const fuzzboard::Written& packet : fuzzboard::WrittenPackets()) {
        if (packet.data.compare(0, 2, "T1") != 0) continue;
        if (sets >= 5 || packet.data.substr(2) != expected[sets])
            fuzzsupport::Fail("lamp bits not the keys'");
        ++sets;
    }
    if (sets != 5) fuzzsupport::Fail("a key's lamp request missing");
    return 0;
}
