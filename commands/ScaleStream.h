// The scale's two requests to the module: its configuration, and the stream
// of readings that the scale test and the analysis take one at a time.
#ifndef COMMANDS_SCALESTREAM_H
#define COMMANDS_SCALESTREAM_H

#include "link/ORBA_Support.h"

// The packet the last poll took.
extern ModulePacket ScaleReadingBuffer;

// Asks for "SG" and fills ScaleEuValue and ScaleStableLimit; on failure
// both keep what they held.
void RequestScaleConfig();
// Takes at most one packet (waiting at most one 100 ms step); whether it was
// a reading.
bool PollScaleReading();

#endif
