// Firmware upload into the board.
#ifndef COMMANDS_COMMAND_SECURITYMODULEUPLOAD_H
#define COMMANDS_COMMAND_SECURITYMODULEUPLOAD_H

// Uploads the image (from m_InputFile when automated, else asks for the
// file). A successful upload ends the process with status 0; otherwise the
// result is nonzero.
int SecurityModuleUpload();

#endif
