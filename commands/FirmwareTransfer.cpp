#include "commands/FirmwareTransfer.h"

#include "link/ModuleRequest.h"
#include "link/securitymodule.h"
#include "platform/Platform.h"
#include "trace/Trace.h"

#include <cstring>

namespace {

const int SHOWN = TL_INFO | TF_CONSOLE;
const uint8_t ANSWER_LETTER = 'f';
const uint8_t START_ANSWER = '1';
const uint8_t BLOCK_ANSWER = '2';
const uint8_t COMPLETE_ANSWER = '3';
const uint8_t ACCEPTED = '0';

enum AnswerOutcome { ANSWER_TAKEN, ANSWER_NONE, ANSWER_TOO_MANY };

bool IsAwaitedAnswer(const ModulePacket& packet, bool dataBlock)
{
    if (packet.data[0] != ANSWER_LETTER) return false;
    if (!dataBlock) return packet.data[1] == START_ANSWER;
    return packet.data[1] == BLOCK_ANSWER || packet.data[1] == COMPLETE_ANSWER;
}

bool IsStartAnswer(const ModulePacket& packet) { return IsAwaitedAnswer(packet, false); }
bool IsBlockAnswer(const ModulePacket& packet) { return IsAwaitedAnswer(packet, true); }

// *answer holds the answer, or the 100th packet.
AnswerOutcome AwaitAnswer(bool dataBlock, ModulePacket* answer)
{
    const ReplyRule rule = {0, 0, dataBlock ? IsBlockAnswer : IsStartAnswer, UPLOAD_WAIT_COUNT, 0};
    switch (AwaitReply(rule, answer)) {
    case EXCHANGE_OK: return ANSWER_TAKEN;
    case EXCHANGE_NO_REPLY: return ANSWER_NONE;
    default: return ANSWER_TOO_MANY;
    }
}

bool StartUploadExchange(const char* name, int byteCount, uint32_t checksum)
{
    char date[9];
    Plat_LocalDateText(date);
    ModulePacket request;
    BuildStartUploadRequest(&request, byteCount, checksum, date, name);
    TRACE(TL_INFO, MODULE_COMMANDS, "Size is %d,  Checksum is %x", byteCount, checksum);
    TRACE(TL_INFO, MODULE_COMMANDS, "Date is %.8s", date);
    TRACE(TL_INFO, MODULE_COMMANDS, "File is %s", name);
    if (WritePacketToSecurityModule(&request) != 0) {
        TRACE(SHOWN, MODULE_COMMANDS, "ERROR 11: Sending Start Upload Procedure to Controller.");
        return false;
    }
    ModulePacket answer;
    const AnswerOutcome outcome = AwaitAnswer(false, &answer);
    if (outcome == ANSWER_NONE) {
        TRACE(SHOWN, MODULE_COMMANDS, "ERROR Time-Out: Set controller for upload Failed.");
        return false;
    }
    if (outcome == ANSWER_TOO_MANY || answer.data[2] != ACCEPTED) {
        TRACE(SHOWN, MODULE_COMMANDS, "ERROR 12: Set controller for upload Failed. Code = %c",
              answer.data[2]);
        return false;
    }
    return true;
}

int SendBlock(const uint8_t* bytes, int count)
{
    ModulePacket request;
    BuildUploadDataRequest(&request, bytes, count);
    if (WritePacketToSecurityModule(&request) != 0) {
        TRACE(SHOWN, MODULE_COMMANDS, "ERROR 11: Sending Upload Data to controller.");
        return TRANSFER_DATA_NOT_SENT;
    }
    ModulePacket answer;
    const AnswerOutcome outcome = AwaitAnswer(true, &answer);
    if (outcome == ANSWER_NONE) {
        TRACE(SHOWN, MODULE_COMMANDS, "ERROR Time-Out: Sending upload data..");
        return TRANSFER_DATA_NO_ANSWER;
    }
    if (outcome == ANSWER_TAKEN && answer.data[1] == COMPLETE_ANSWER) {
        TRACE(TL_INFO, MODULE_COMMANDS, "Upload sent");
        TRACE(SHOWN, MODULE_COMMANDS, "\nUpload of data complete.");
    }
    if (outcome == ANSWER_TOO_MANY || answer.data[2] != ACCEPTED) {
        TRACE(SHOWN, MODULE_COMMANDS, "ERROR 12: Sending upload data, Code = %c", answer.data[2]);
        return TRANSFER_DATA_REFUSED;
    }
    return TRANSFER_OK;
}

}  // namespace

int TransferFirmware(const char* name, const uint8_t* image, int byteCount, uint32_t checksum)
{
    if (!StartUploadExchange(name, byteCount, checksum)) {
        TRACE(SHOWN, MODULE_COMMANDS, "ERROR 13: Sending File to Security Module.");
        return TRANSFER_START_FAILED;
    }
    int sent = 0;
    while (sent < byteCount) {
        const int count = byteCount - sent < UPLOAD_BLOCK_SIZE ? byteCount - sent : UPLOAD_BLOCK_SIZE;
        const int result = SendBlock(image + sent, count);
        if (result != TRANSFER_OK) return result;
        sent += count;
        TRACE(TL_INFO, MODULE_COMMANDS, "Bytes Left %d", byteCount - sent);
        Plat_ConsolePrintf("Bytes Left %d     \r", byteCount - sent);
    }
    return TRANSFER_OK;
}
