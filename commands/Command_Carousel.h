// The carousel scale's E-Box behind port 4.
#ifndef COMMANDS_COMMAND_CAROUSEL_H
#define COMMANDS_COMMAND_CAROUSEL_H

// Automated command "EBoxRound02": weight rounding to .02.
void SetEBoxRound02();

#endif
