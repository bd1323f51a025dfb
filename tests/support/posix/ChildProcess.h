// Runs the current test again in a child process whose standard streams the
// test controls: pipes, or a new pseudo-terminal. The child runs the same test
// body; IsChild() tells the body which side it is on.
#ifndef TESTS_SUPPORT_POSIX_CHILDPROCESS_H
#define TESTS_SUPPORT_POSIX_CHILDPROCESS_H

#include <string>
#include <sys/types.h>

namespace child {

bool IsChild();

struct Process {
    pid_t pid = -1;
    int input = -1;     // the parent writes the child's standard input here
    int output = -1;    // and reads its standard output here
    int terminal = -1;  // on a pseudo-terminal: the child's side, kept open by the parent
    bool ended = false;
    int status = -1;  // the wait status once ended
};

// Standard input and output are pipes; standard error is inherited.
Process StartWithPipes();
// Standard input, output and error are a new pseudo-terminal, the child's
// controlling terminal; input and output are both its parent side. The child
// starts with the signals' default actions, as in a fresh terminal session,
// or with SIGINT ignored, as under nohup.
Process StartOnTerminal(bool ignoreInterrupt = false);

// Reads from fd, appending to collected, until text is in it or the time is
// up; returns whether it was found.
bool ReadUntil(int fd, std::string& collected, const std::string& text, unsigned timeoutMs);
// Reads until the end of the output or until the time is up.
void ReadToEnd(int fd, std::string& collected, unsigned timeoutMs);
// Waits for the child's end up to the time given; false when it still runs.
bool TryWait(Process& process, unsigned timeoutMs);
// Waits for the child's end; kills it when the time is up. Returns the wait
// status, or -1 after a kill.
int Wait(Process& process, unsigned timeoutMs);
// Closes the parent's descriptors; a child still running is killed.
void Close(Process& process);

}  // namespace child

#endif
