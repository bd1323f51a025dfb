// Runs the one automated command the command line named.
#ifndef FRAME_COMMANDDISPATCH_H
#define FRAME_COMMANDDISPATCH_H

// Runs the command named by m_CommandName. Only the upload's outcome reaches
// the result: 0, or the variant's upload-failure status.
int CommandDispatch();

#endif
