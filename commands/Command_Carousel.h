// The carousel scale's E-Box behind port 4: its text protocol, and the
// automated command that sets its weight rounding to .02.
#ifndef COMMANDS_COMMAND_CAROUSEL_H
#define COMMANDS_COMMAND_CAROUSEL_H

#include <cstddef>

// Automated command "EBoxRound02": weight rounding to .02.
void SetEBoxRound02();

// The last E-Box reply: at most EBOX_RESPONSE_SIZE characters, always
// terminated. Cleared at the start of every reply read.
enum { EBOX_RESPONSE_SIZE = 64 };
extern char EBoxResponse[EBOX_RESPONSE_SIZE + 1];
extern size_t EBoxResponseIndex;

// Port 4 set up for the E-Box line and opened; 0, 874 (init) or 886 (open).
int OpenCarouselPort();
// 0 or 906.
int CloseCarouselPort();
// The character alone; 0 or 671.
int SendEBoxChar(char character);
// Carriage return, the command letter, line feed; 0 or 692.
int SendEBoxCommand(char command);
// One reply, carriage return to line feed, across as many port-4 packets
// as it takes; 0, 788 (nothing came) or 833 (the E-Box reported an error).
int ReadEBoxResponse();
// Drops whatever the line still holds.
void FlushCarouselPort();
void ResetEBox();
// Rounding code '1' (0.01), '2' (0.02), '3' (0.05) or '4' (0.10).
void SetEBoxRounding(char code);
// 'D' stops the board's own polling of the E-Box, 'E' resumes it.
void SetEBoxPolling(char setting);
// 'L' switches the board's default override off.
void SetDefaultOverride(char setting);

// The check digit of a configuration c0..c6: brings the sum of the low four
// bits of each up to a multiple of ten.
char EBoxCheckDigit(const char* configuration);

#endif
