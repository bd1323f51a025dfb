#include "commands/Command_SecurityModuleUpload.h"

#include "commands/FirmwareFile.h"
#include "commands/FirmwareTransfer.h"
#include "config/PgmCnfg.h"
#include "base/ProgramOptions.h"
#include "base/Variant.h"
#include "link/Port6Session.h"
#include "link/securitymodule.h"
#include "link/securitymodule_commands.h"
#include "platform/Platform.h"
#include "trace/Trace.h"

#include <cstdlib>
#include <cstring>

namespace {

const int SHOWN = TL_INFO | TF_CONSOLE;
const int INLINE = TL_INFO | TF_INLINE;

enum { FILE_NAME_SIZE = 128 };

// Results of the upload; nobody outside tells them apart.
enum {
    UPLOAD_NOT_USB = 1,
    UPLOAD_PORT_NOT_OPEN = 2,
    UPLOAD_NO_FILE_NAME = 3,
    UPLOAD_FILE_NOT_LOADED = 4,
    UPLOAD_NOT_SENT = 5,
};

char fileName[FILE_NAME_SIZE];
uint8_t image[FIRMWARE_IMAGE_SIZE];

const char* Banner()
{
    return IsCuUtility() ? "**** CU Firmware Upload ****" : "**** SU Firmware Update ****";
}

void ShowModuleIdentity()
{
    TRACE(SHOWN, MODULE_COMMANDS, "Firmware Version %s", SecurityModuleVersion);
    TRACE(INLINE, MODULE_COMMANDS, "Checksum %s", SecurityModuleChecksum);
    TRACE(SHOWN, MODULE_COMMANDS, "%s", SecurityModuleChecksumStatus == '0' ? " PASSED!" : " FAILED!");
    TRACE(SHOWN, MODULE_COMMANDS, "%s", "");
}

// Asks for the name; false (already shown) for an empty line or one too long
// for the name buffer, which must not be uploaded under a cut name.
bool AskFileName()
{
    char line[FILE_NAME_SIZE + 1];
    TRACE(INLINE, MODULE_COMMANDS, "Enter File Name :");
    Plat_GetLine(line, sizeof line);
    TRACE(TL_INFO, MODULE_COMMANDS, "Entered name : %s", line);
    if (line[0] == '\0' || std::strlen(line) >= FILE_NAME_SIZE) {
        TRACE(SHOWN, MODULE_COMMANDS, "Invalid File Name!");
        return false;
    }
    std::memcpy(fileName, line, std::strlen(line) + 1);
    return true;
}

// The name to load: the command line's value, used whole, or the line typed;
// nullptr (already shown) when the typed line is no name.
const char* TakeFileName()
{
    if (g_ProgramOptions.m_AutomatedMode)
        return g_ProgramOptions.m_InputFile != nullptr ? g_ProgramOptions.m_InputFile : "";
    return AskFileName() ? fileName : nullptr;
}

[[noreturn]] void FinishSuccessfulUpload(Port6Session* port6)
{
    Plat_ConsolePrintf("\n");
    port6->Close();
    Plat_Sleep(100);
    TRACE(SHOWN, MODULE_COMMANDS, "File Upload Complete!");
    TRACE(SHOWN, MODULE_COMMANDS, "Waiting for Reset");
    TRACE(SHOWN, MODULE_COMMANDS, "Exiting Program!");
    TraceFlush();
    CloseSecurityModule();
    // The board restarts on its own; static teardown closes the capture file.
    std::exit(0);  // NOLINT(concurrency-mt-unsafe): the same end as returning from main
}

}  // namespace

int SecurityModuleUpload()
{
    AccessProgramConfig();
    if (ProgramConfig.m_SecurityModuleType != SECURITY_MODULE_USB) {
        TRACE(SHOWN, MODULE_COMMANDS, "ERROR 1D: System is not USB!");
        return UPLOAD_NOT_USB;
    }
    std::memset(fileName, 0, sizeof fileName);
    std::memset(image, 0, sizeof image);
    TRACE(SHOWN, MODULE_COMMANDS, "%s", "");
    TRACE(SHOWN, MODULE_COMMANDS, "%s", Banner());
    TRACE(SHOWN, MODULE_COMMANDS, "%s", "");
    Port6Session port6("ERROR 1B: Uploading , Can not open port 6.");
    if (!port6.IsOpen()) return UPLOAD_PORT_NOT_OPEN;
    ShowModuleIdentity();
    const char* name = TakeFileName();
    if (name == nullptr) return UPLOAD_NO_FILE_NAME;
    int byteCount = 0;
    if (LoadFirmwareFile(name, image, &byteCount) != FIRMWARE_FILE_OK) {
        TRACE(SHOWN, MODULE_COMMANDS, "ERROR 01: Uploading Loading File.");
        return UPLOAD_FILE_NOT_LOADED;
    }
    if (TransferFirmware(name, image, byteCount, FirmwareFileChecksum) != TRANSFER_OK) {
        // The board holds part of an image; port 6 is left as it is.
        TRACE(SHOWN, MODULE_COMMANDS, "ERROR 13: Uploading USB Security Module.");
        port6.LeaveOpen();
        return UPLOAD_NOT_SENT;
    }
    FinishSuccessfulUpload(&port6);
}
