// The usage summary that "-?", "/?", "-help" and "--help" print.
#ifndef FRAME_USAGESUMMARY_H
#define FRAME_USAGESUMMARY_H

// True for "-?", "/?", "-help" and "--help", in any letter case.
bool IsHelpRequest(const char* argument);

// Prints the switches, their values and the exit statuses on the console.
// Touches nothing else: no folder, no trace, no configuration, no board.
void ShowUsageSummary();

#endif
