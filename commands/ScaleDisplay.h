// The live display of the scale test and its dump file. The display mode,
// the unstable-seen flag and the count of stable readings not shown live
// for the whole program run, so a second run of the test goes on from them.
#ifndef COMMANDS_SCALEDISPLAY_H
#define COMMANDS_SCALEDISPLAY_H

#include "link/ORBA_Support.h"

enum { SCALE_DISPLAY_NORMAL = 1, SCALE_DISPLAY_CONTINUOUS = 2 };

void SetScaleDisplayMode(int mode);
// Continuous: every reading. Normal: unstable readings and the first stable
// one after them; later stable ones only advance the count of stables.
// While capturing, every reading also goes to the dump file.
void ShowScaleReading(const ModulePacket* reading);

// "F": opens the dump file (emptied) unless capture is on already.
void StartScaleCapture();
// "E": says so and closes the dump file.
void EndScaleCapture();
// The end of the test: closes the dump file without a word.
void StopScaleCapture();

#endif
