// The E-Box's replies: "EBoxRound02" runs against a board whose port-4
// answers come from the input. Whatever the E-Box says, the reply stays
// within its buffer, a configuration goes back to the E-Box only whole and
// with its check digit, and the board's polling of the E-Box, once stopped,
// is given back.
#include "commands/Command_Carousel.h"
#include "fuzz/FuzzBoard.h"
#include "fuzz/FuzzSupport.h"
#include "link/ORBA_Support.h"

#include <cstring>

namespace {

void CheckResponseBuffer()
{
    if (EBoxResponseIndex > EBOX_RESPONSE_SIZE) fuzzsupport::Fail("reply index past the buffer");
    if (EBoxResponse[EBOX_RESPONSE_SIZE] != '\0') fuzzsupport::Fail("reply not terminated");
}

// "\rO" + seven configuration characters + check digit + "\n".
void CheckConfigurationWrite(const std::string& data)
{
    if (data.size() < 2 || data[0] != '\r' || data[1] != 'O' || data.size() == 3) return;
    if (data.size() != 11 || data[10] != '\n')
        fuzzsupport::Fail("configuration write of the wrong shape");
    const std::string configuration = data.substr(2, 7);
    if (configuration.find('\0') != std::string::npos)
        fuzzsupport::Fail("configuration with a zero written");
    if (data[9] != EBoxCheckDigit(configuration.c_str())) fuzzsupport::Fail("wrong check digit");
    if (configuration[1] != '2') fuzzsupport::Fail("rounding other than .02 written");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzboard::Start(data, size, "");
    SetEBoxRound02();
    CheckResponseBuffer();

    bool pollingStopped = false;
    for (const fuzzboard::Written& packet : fuzzboard::WrittenPackets()) {
        if (fuzzboard::IsPacket(packet, ORBA_PORT_MODULE, "SFD")) pollingStopped = true;
        if (fuzzboard::IsPacket(packet, ORBA_PORT_MODULE, "SFE")) pollingStopped = false;
        if (packet.port == ORBA_PORT_CAROUSEL_EBOX) CheckConfigurationWrite(packet.data);
    }
    if (pollingStopped) fuzzsupport::Fail("E-Box polling left stopped");
    return 0;
}
