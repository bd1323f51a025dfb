#include "base/ProgramOptions.h"

ProgramOptions g_ProgramOptions = {
    true, true, false, "", 0, 0, false, "", "", false, true, "", "", 0, 0, 0, 0, false,
};

void ResetProgramOptions()
{
    g_ProgramOptions = ProgramOptions{
        true, true, false, "", 0, 0, false, "", "", false, true, "", "", 0, 0, 0, 0, false,
    };
}
