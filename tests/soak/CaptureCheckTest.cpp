// The capture file checker: a file as the programs write it passes, and each
// kind of damage is caught.
#include "CaptureCheck.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ::testing::HasSubstr;
using ::testing::IsEmpty;

namespace soak {
namespace {

const std::string HEADER = "\n --- File Opened : Date / Time : 12/07/26 : 09:40:31 : 12984622 ---\n\n";
const std::string BODY =
    "PgmCnfg.cpp :  447:   Loading Program Config Variables...\n"
    "PgmCnfg.cpp :   95: W Config: m_OrvikBaseDirectoryName : \"C:\\ORVIK Lane\"\n"
    "USB_Standalo:  742:<E>ERROR: ReadFile on hDevice_Read_SerialPortData Returned:6d.\n"
    "MainSequence:   22:   Serial Number :SN0001\n"
    "\n"
    "FlatpackSett:   91:   \n"
    "\n"
    "Current Status of Flatpack Sensor is Enabled\n"
    "StartUp.cpp :   43:   Return Code 143\n";
const std::string CLOSING = "\n*** Program closing ***\n\n";

TEST(CaptureCheck, AcceptsWhatTheProgramsWrite)
{
    EXPECT_THAT(CheckCaptureFile(HEADER + BODY + CLOSING, CaptureEnd::Closing), IsEmpty());
    EXPECT_THAT(CheckCaptureFile(HEADER + BODY, CaptureEnd::Open), IsEmpty());
    EXPECT_THAT(CheckCaptureFile(HEADER + BODY +
                                     "\n*** Continued in next capture file ***\n\n"
                                     " Current Date / Time : 12/07/26 : 09:41:02 : 12990001\n\n",
                                 CaptureEnd::Continued),
                IsEmpty());
    const std::string longest = "securitymodu:   24:   " + std::string(110, 'x') + "\n";
    EXPECT_THAT(CheckCaptureFile(HEADER + longest + CLOSING, CaptureEnd::Closing), IsEmpty());
    int status = 0;
    ASSERT_TRUE(CapturedReturnCode(BODY, &status));
    EXPECT_EQ(status, 143);
}

TEST(CaptureCheck, CatchesDamage)
{
    const std::string line = "StartUp.cpp :   35:   Initializing Security Module..\n";
    struct Damage {
        std::string text;
        CaptureEnd end;
        const char* problem;
    };
    const Damage damages[] = {
        {BODY + CLOSING, CaptureEnd::Closing, "header"},
        {"\n --- File Opened : Date / Time : 12/7/26 : 09:40:31 : 1 ---\n\n" + line + CLOSING,
         CaptureEnd::Closing, "malformed header"},
        {HEADER + line, CaptureEnd::Closing, "Program closing"},
        {HEADER + line + CLOSING, CaptureEnd::Continued, "Continued"},
        {HEADER + "stray text\n" + line + CLOSING, CaptureEnd::Closing, "before the first"},
        {HEADER + line + "StartUp.cpp :   35:   cut sho", CaptureEnd::Open, "no line end"},
        {HEADER + "StartUp.cpp :35   :   left-aligned number\n", CaptureEnd::Open, "before the first"},
        {HEADER + "StartUp.cpp  :   35:   name too long\n", CaptureEnd::Open, "before the first"},
        {HEADER + "StartUp.cpp :   35:<W>bad prefix\n", CaptureEnd::Open, "before the first"},
        {HEADER + "securitymodu:   24:   " + std::string(111, 'x') + "\n", CaptureEnd::Open,
         "longer than 132"},
        {HEADER + line + std::string(120, 'y') + "\n", CaptureEnd::Open, "longer than 132"},
        {HEADER + "StartUp.cpp :   35:   a" + '\0' + "b\n", CaptureEnd::Open, "zero byte"},
    };
    for (const Damage& damage : damages)
        EXPECT_THAT(CheckCaptureFile(damage.text, damage.end), HasSubstr(damage.problem)) << damage.text;
}

}  // namespace
}  // namespace soak
