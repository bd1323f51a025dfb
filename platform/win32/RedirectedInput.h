// Standard input that is not a console (a pipe, a file, a device): a stream
// of bytes, every byte one key, whose end also counts as a key waiting.
#ifndef PLATFORM_WIN32_REDIRECTEDINPUT_H
#define PLATFORM_WIN32_REDIRECTEDINPUT_H

#include <windows.h>

// Called once, before any other call; an unusable handle is input that has
// already ended.
void RedirectedInputStart(HANDLE input);

// True at once when a byte or the end of the input is waiting.
bool RedirectedKeyWaiting();

// The next byte (waiting for it), or -1 at the end of the input.
int RedirectedReadByte();

#endif
