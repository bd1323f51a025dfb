// What a run does once the link is up: read and show the board's identity,
// then the menus or the one automated command.
#ifndef FRAME_MAINSEQUENCE_H
#define FRAME_MAINSEQUENCE_H

// The result is the process exit status: 0, or the variant's status of the
// step that failed.
int RunMainSequence();

#endif
