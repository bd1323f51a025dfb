// The program entry of both deliverables.
#ifndef FRAME_STARTUP_H
#define FRAME_STARTUP_H

// Runs the whole program; the result is the process exit status.
int UtilityMain(int argc, char** argv);

#endif
