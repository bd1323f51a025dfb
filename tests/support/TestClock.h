// A clock for tests that are not about timing. A sleep moves the tick count
// on by its full length at once but waits only a tenth of it, so a 100 ms
// poll of the link costs 10 ms while the reader and board threads still get
// their turn. A test that checks a wait keeps the real clock.
#ifndef TESTS_SUPPORT_TESTCLOCK_H
#define TESTS_SUPPORT_TESTCLOCK_H

namespace testclock {

// Installs the test clock for its lifetime; the native clock comes back after.
class Scope {
public:
    Scope();
    ~Scope();
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;
};

}  // namespace testclock

#endif
