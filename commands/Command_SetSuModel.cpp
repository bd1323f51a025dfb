// Setting the SU model (700, 500 or 300) from the SU Functions menu.
#include "commands/Command_ModuleService.h"

#include "config/PgmCnfg.h"
#include "link/Port6Session.h"
#include "link/securitymodule_commands.h"
#include "platform/Platform.h"
#include "trace/Trace.h"

namespace {

const int SHOWN = TL_INFO | TF_CONSOLE;
const int INLINE = TL_INFO | TF_INLINE;
const int MODEL_WAIT_COUNT = 250;
// Eleven characters and the terminator; a longer line is cut.
const size_t MODEL_ANSWER_SIZE = 12;
const int MODEL_CHARACTERS_SENT = 3;

bool IsKnownModel(char first) { return first == '3' || first == '5' || first == '7'; }

// Z6 and the first three characters as typed. A shorter answer sends its
// terminator and zero bytes after it (the buffer starts zeroed). True when
// the board confirmed.
bool SendModel(const char* answer)
{
    const uint8_t* characters = reinterpret_cast<const uint8_t*>(answer);
    static const RequestFailureTexts failures = {"ERROR 11: Writing Security Module data Failed.",
                                                 "ERROR 10: Waiting for config data timeout.",
                                                 "ERROR 12: Security Module status timeout."};
    ModulePacket reply;
    return ShownExchange('Z', '6', characters, MODEL_CHARACTERS_SENT, MODEL_WAIT_COUNT, failures,
                         &reply) == EXCHANGE_OK;
}

}  // namespace

void SetSuModel()
{
    AccessProgramConfig();
    if (ProgramConfig.m_SecurityModuleType != SECURITY_MODULE_USB) {
        TRACE(SHOWN, MODULE_COMMANDS, "ERROR 1D: System is not USB!");
        return;
    }
    TRACE(SHOWN, MODULE_COMMANDS, "%s", "");
    TRACE(SHOWN, MODULE_COMMANDS, "**** USB SU Module Set Model 700/500/300 ****");
    TRACE(SHOWN, MODULE_COMMANDS, "%s", "");
    Port6Session port6;
    if (!port6.IsOpen()) return;
    TRACE(SHOWN, MODULE_COMMANDS, "%s", "");
    TRACE(INLINE, MODULE_COMMANDS, "Enter Model 700, 500 or 300 :");
    char answer[MODEL_ANSWER_SIZE] = {};
    Plat_GetLine(answer, sizeof answer);
    TRACE(TL_INFO, MODULE_COMMANDS, "Entered Answer : %s", answer);

    if (answer[0] == '\0') {
        TRACE(SHOWN, MODULE_COMMANDS, "No Change!");
        return;
    }
    if (!IsKnownModel(answer[0])) {
        TRACE(SHOWN, MODULE_COMMANDS, "Invalid Model Must be 700 or 500 or 300");
        return;
    }
    const bool confirmed = SendModel(answer);
    // The main menu shows what the board now reports, whatever became of
    // the request.
    GetSecurityModuleModel();
    port6.Close();
    // Only a confirmed change is reported as done; a failure has shown its
    // message already.
    if (confirmed) TRACE(SHOWN, MODULE_COMMANDS, "Model set.");
}
