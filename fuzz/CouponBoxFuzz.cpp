// The coupon box's status packets and LED values: the coupon box test runs
// against a board whose answers come from the input, with the keys status,
// LED values (left with a key), enable, enable without LED, disable, exit.
// Whatever the board sends, the test ends with the box disabled.
#include "commands/Command_CouponBox.h"
#include "fuzz/FuzzBoard.h"
#include "fuzz/FuzzSupport.h"
#include "link/ORBA_Support.h"
#include "link/securitymodule_commands.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzboard::Start(data, size, "SVQOECX");
    // A firmware that knows the enable without LED.
    SecurityModuleVersionNumber = 432;
    if (CouponBoxTest() != 0) fuzzsupport::Fail("test failed on a board that takes every packet");
    const auto& written = fuzzboard::WrittenPackets();
    if (written.empty() || !fuzzboard::IsPacket(written.back(), ORBA_PORT_MODULE, "P2"))
        fuzzsupport::Fail("box not left disabled");
    return 0;
}
