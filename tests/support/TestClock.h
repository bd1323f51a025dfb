// A clock for tests that are not about timing. A sleep moves the tick count
// on by its full length at once but waits only a tenth of it, so a 100 ms
// poll of the link costs 10 ms while the reader and board threads still get
// their turn. An event wait waits a tenth of its time too: a set wakes it at
// once, and a wait that times out moves the tick count on by its full length.
// A test that checks a wait keeps the real clock.
#ifndef TESTS_SUPPORT_TESTCLOCK_H
#define TESTS_SUPPORT_TESTCLOCK_H

#include <functional>

namespace testclock {

// Installs the test clock for its lifetime; the native clock comes back after.
class Scope {
public:
    Scope();
    ~Scope();
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;
};

// Calls hook on the calling thread at the start of each of its waits (sleeps
// and event waits) from now on, with the wait's number (1 for the first),
// before the wait moves the clock: so a test makes something happen while
// the program waits. The end of the Scope removes it.
void HookWaits(std::function<void(int waitNumber)> hook);

}  // namespace testclock

#endif
