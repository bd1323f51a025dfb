// The standard requests: port 6 open and close, the board's identity and the
// scale stream command.
#include "link/securitymodule_commands.h"

#include "base/ProgramOptions.h"
#include "base/TextUtil.h"
#include "base/Variant.h"
#include "link/securitymodule.h"
#include "platform/Platform.h"
#include "trace/Trace.h"

#include <cstring>

char SecurityModuleVersion[17] = "";
int SecurityModuleVersionNumber = 0;
char SecurityModuleChecksum[7] = "";
char SecurityModuleChecksumStatus = '1';
char SecurityModuleModel[4] = "";
char SecurityModuleSerialNumber[37] = "";

namespace {

const int SHOWN = TL_INFO | TF_CONSOLE;
const int IDENTITY_WAIT_COUNT = 10;

// su_utility's numbers; cu_utility's are one higher.
int ResultCode(int suCode) { return IsCuUtility() ? suCode + 1 : suCode; }

// The three messages of one identity request and their result codes.
struct RequestFailures {
    RequestFailureTexts texts;
    RequestFailureCodes codes;
};

// Shows the failure's message; the result code (0 for a request without one).
int ReportFailure(int exchangeResult, const RequestFailures& failures)
{
    return ResultCode(ReportRequestFailure(exchangeResult, failures.texts, failures.codes));
}

// d[2]..d[13] as "VV.vv AA/BB/CCCC"; the number is d[3]..d[5] in decimal.
void TakeVersion(const ModulePacket* reply)
{
    const uint8_t* d = reply->data;
    const char text[17] = {static_cast<char>(d[2]),
                           static_cast<char>(d[3]),
                           '.',
                           static_cast<char>(d[4]),
                           static_cast<char>(d[5]),
                           ' ',
                           static_cast<char>(d[6]),
                           static_cast<char>(d[7]),
                           '/',
                           static_cast<char>(d[8]),
                           static_cast<char>(d[9]),
                           '/',
                           static_cast<char>(d[10]),
                           static_cast<char>(d[11]),
                           static_cast<char>(d[12]),
                           static_cast<char>(d[13]),
                           '\0'};
    std::memcpy(SecurityModuleVersion, text, sizeof text);
    const char number[4] = {static_cast<char>(d[3]), static_cast<char>(d[4]), static_cast<char>(d[5]),
                            '\0'};
    SecurityModuleVersionNumber = DecimalValue(number);
}

// Copies count reply bytes from d[2] on and terminates them.
void TakeText(char* destination, const ModulePacket* reply, size_t count)
{
    std::memcpy(destination, reply->data + 2, count);
    destination[count] = '\0';
}

}  // namespace

int GetSecurityModuleVersion()
{
    static const RequestFailures failures = {{"ERROR 11: Get Security Module Version Failed.",
                                              "ERROR 10: Get Security Module Version Failed.",
                                              "ERROR 12: Get Security Module Version Failed."},
                                             {99, 107, 119}};
    TRACE(TL_INFO, MODULE_COMMANDS, "Requesting Security Module EPROM Version");
    ModulePacket reply;
    const int result = StandardExchange('Z', '2', nullptr, 0, IDENTITY_WAIT_COUNT, &reply);
    if (result == EXCHANGE_OK) {
        TakeVersion(&reply);
        return 0;
    }
    const int code = ReportFailure(result, failures);
    // Someone at the console is to read the message; a script has nobody to
    // press a key.
    if (result == EXCHANGE_TOO_MANY && !g_ProgramOptions.m_AutomatedMode) Plat_GetKey();
    return code;
}

int GetSecurityModuleChecksum()
{
    static const RequestFailures failures = {{"ERROR 11: Get Security Module Checksum Failed.",
                                              "ERROR 10: Get Security Module Checksum Failed.",
                                              "ERROR 12: Get Security Module Checksum Failed."},
                                             {172, 180, 191}};
    TRACE(TL_INFO, MODULE_COMMANDS, "Requesting Security Module Checksum");
    ModulePacket reply;
    const int result = StandardExchange('Z', '4', nullptr, 0, IDENTITY_WAIT_COUNT, &reply);
    if (result != EXCHANGE_OK) return ReportFailure(result, failures);
    SecurityModuleChecksumStatus = static_cast<char>(reply.data[2]);
    std::memcpy(SecurityModuleChecksum, reply.data + 3, 6);
    SecurityModuleChecksum[6] = '\0';
    return 0;
}

int GetSecurityModuleModel()
{
    static const RequestFailures failures = {
        {"ERROR 11: Get Security Module Model Failed.", "ERROR 10: Get Security Module Model Failed.",
         "ERROR 12: Get Security Module Model Failed."},
        229,
        237,
        248};
    TRACE(TL_INFO, MODULE_COMMANDS, "Requesting Security Module Model");
    ModulePacket reply;
    const int result = StandardExchange('Z', '5', nullptr, 0, IDENTITY_WAIT_COUNT, &reply);
    if (result != EXCHANGE_OK) return ReportFailure(result, failures);
    TakeText(SecurityModuleModel, &reply, 3);
    return 0;
}

void GetSerialNumber()
{
    static const RequestFailures failures = {
        {"ERROR 11: Get Serial Number Failed.", "ERROR 10: Get Serial Number Failed.",
         "ERROR 12: Get Serial Number Failed."},
        0,
        0,
        0};
    SecurityModuleSerialNumber[0] = '\0';
    TRACE(TL_INFO, MODULE_COMMANDS, "Requesting Serial Number");
    ModulePacket reply;
    const int result = StandardExchange('Z', 'J', nullptr, 0, IDENTITY_WAIT_COUNT, &reply);
    if (result != EXCHANGE_OK) {
        ReportFailure(result, failures);
        return;
    }
    // 34 bytes whatever DL is: the record is zero past DL.
    TakeText(SecurityModuleSerialNumber, &reply, 34);
}

int OpenSecurityModulePort6()
{
    TRACE(TL_INFO, MODULE_COMMANDS, "Initialize port 6 Security Module");
    if (FormatAndSendDataToSecurityModule(ORBA_PORT_MODULE, ORBA_DC_INIT_PORT, "") != 0) {
        TRACE(SHOWN, MODULE_COMMANDS, "Initialize Port 6 Failed!");
        return ResultCode(53);
    }
    // The board needs the settings in force before the port opens.
    Plat_Sleep(200);
    TRACE(TL_INFO, MODULE_COMMANDS, "Opening Security Module Port 6");
    if (FormatAndSendDataToSecurityModule(ORBA_PORT_MODULE, ORBA_DC_OPEN_PORT, "") != 0) {
        TRACE(SHOWN, MODULE_COMMANDS, "Opening Port 6 Failed!");
        return ResultCode(61);
    }
    return 0;
}

int CloseSecurityModulePort6()
{
    TRACE(TL_INFO, MODULE_COMMANDS, "Closing Security Module Port 6");
    // Lets the board finish what it is still sending before the port closes.
    Plat_Sleep(500);
    if (FormatAndSendDataToSecurityModule(ORBA_PORT_MODULE, ORBA_DC_CLOSE_PORT, "") != 0) {
        TRACE(SHOWN, MODULE_COMMANDS, "Closing Security Module Port 6 Failed!");
        return ResultCode(75);
    }
    return 0;
}

void SendScaleCommand(char command)
{
    if (SendModuleRequest('S', command, nullptr, 0) != 0) {
        TRACE(SHOWN, MODULE_COMMANDS, "ERROR 11: Writing Security Module Data Failed.");
        CloseSecurityModulePort6();
    }
}

void ClearScreen()
{
    static const char lineEnds[] = "\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n";
    static_assert(sizeof lineEnds - 1 == 25, "the screen is scrolled by 25 lines");
    Plat_ConsoleWrite(lineEnds, sizeof lineEnds - 1);
}

void PressAnyKeyToContinue()
{
    static const char prompt[] = "\nPress any key to continue";
    Plat_ConsoleWrite(prompt, sizeof prompt - 1);
    Plat_GetKey();
}
