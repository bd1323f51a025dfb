// The command line: fills g_ProgramOptions from the process arguments.
#ifndef FRAME_COMMANDLINE_H
#define FRAME_COMMANDLINE_H

// Reads the switches from argv[1] on. An unrecognised argument, or a switch
// whose value is missing, ends the reading without a word on the console
// (a note on standard error says so); what was read before it stays in
// force. Every argument read is traced.
void ParseCommandLine(int argc, char** argv);

#endif
